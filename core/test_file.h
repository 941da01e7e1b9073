#pragma once

#include <memory>
#include <string>

#include "platform_types.h"

// The NC program under test, held open by the worker for the length of one test.
// Destroying it closes the file.
class TestFile {
  public:
    virtual ~TestFile() = default;

    // Reads up to count bytes; 0 bytes read with a nonzero result is the end of the file.
    virtual BOOL Read(void* buffer, DWORD count, DWORD* read) = 0;
};

// Opens an existing file for reading the way a test needs it; a missing file, a folder or a
// device is refused. Null when the file cannot be opened. Nothing is ever created.
std::unique_ptr<TestFile> OpenTestFile(const std::string& path);
