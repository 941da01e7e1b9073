#include "fake_platform.h"

#include <algorithm>
#include <cstring>

FakePlatform::FakePlatform(CallLog& log) : log_(log), previous_(SetPlatform(this)) {}

FakePlatform::~FakePlatform() {
    SetPlatform(previous_);
}

int FakePlatform::ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                                 UINT style) {
    messageBoxes.push_back({owner, std::string(text), std::string(caption), style});
    log_.Add("MessageBox(" + std::string(caption) + ": " + std::string(text) + ")");
    if (answers.empty()) {
        return IDOK;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

BOOL FakePlatform::PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    posted.push_back({window, message, wParam, lParam});
    log_.Add("PostToWindow(" + std::to_string(message) + ")");
    return TRUE;
}

void FakePlatform::Sleep(DWORD milliseconds) {
    sleptMs += milliseconds;
    log_.Add("Sleep(" + std::to_string(milliseconds) + ")");
}

TimeOfDay FakePlatform::LocalTimeOfDay() {
    return now;
}

BOOL FakeTestFile::Read(void* buffer, DWORD count, DWORD* read) {
    const std::size_t n = std::min<std::size_t>(count, content_.size() - offset_);
    std::memcpy(buffer, content_.data() + offset_, n);
    offset_ += n;
    *read = static_cast<DWORD>(n);
    return TRUE;
}
