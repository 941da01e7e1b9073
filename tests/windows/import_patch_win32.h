// Fault injection at the system's own boundary: a test program answers one Win32 call itself
// by replacing that function's address in its own import table, so that a call which fails
// rarely on a real desktop or driver (a refused priority byte, a message box that cannot be
// shown) fails exactly when the test says. Every other call still reaches the system.
#pragma once

#include <windows.h>

class ImportPatch {
  public:
    // Replaces function of module (as "kernel32.dll") in this program's imports. Installed()
    // tells whether the program imports it at all.
    ImportPatch(const char* module, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Installed() const { return slots_ > 0; }
    // The system's function, for the replacement to pass calls on to.
    void* Original() const { return original_; }

  private:
    void* original_ = nullptr;
    void* replacement_ = nullptr;
    int slots_ = 0;
};
