// Platform services for tests: pauses are recorded instead of taken, the clock is set by
// the test, message boxes are answered from a script and posted messages are kept.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform_services.h"
#include "test_file.h"

class FakePlatform : public PlatformServices {
  public:
    explicit FakePlatform(CallLog& log);
    ~FakePlatform() override;
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    TimeOfDay now{};
    std::deque<int> answers;  // IDOK when empty

    struct MessageBoxCall {
        HWND owner;
        std::string text;
        std::string caption;
        UINT style;
    };
    std::vector<MessageBoxCall> messageBoxes;
    struct Posted {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Posted> posted;
    DWORD sleptMs = 0;

    int ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                       UINT style) override;
    BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void Sleep(DWORD milliseconds) override;
    TimeOfDay LocalTimeOfDay() override;

  private:
    CallLog& log_;
    PlatformServices* previous_;
};

// A file under test that logs its closing.
class FakeTestFile : public TestFile {
  public:
    explicit FakeTestFile(CallLog& log, std::string content = {})
        : log_(log), content_(std::move(content)) {}
    ~FakeTestFile() override { log_.Add("CloseFile"); }
    BOOL Read(void* buffer, DWORD count, DWORD* read) override;

  private:
    CallLog& log_;
    std::string content_;
    std::size_t offset_ = 0;
};
