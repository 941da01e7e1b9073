#include "test_file.h"
#include "wide_text_win32.h"

namespace {

class Win32TestFile : public TestFile {
  public:
    explicit Win32TestFile(HANDLE file) : file_(file) {}
    ~Win32TestFile() override { CloseHandle(file_); }
    Win32TestFile(const Win32TestFile&) = delete;
    Win32TestFile& operator=(const Win32TestFile&) = delete;

    BOOL Read(void* buffer, DWORD count, DWORD* read) override {
        *read = 0;
        return ::ReadFile(file_, buffer, count, read, nullptr);
    }

  private:
    HANDLE file_;
};

}  // namespace

std::unique_ptr<TestFile> OpenTestFile(const std::string& path) {
    // The operator may keep the program open in an editor: share everything. Only an
    // existing file is opened: a program deleted since the send button looked is a file
    // fault, not an empty file. A folder cannot be opened without backup semantics.
    const HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return nullptr;
    }
    return std::make_unique<Win32TestFile>(file);
}
