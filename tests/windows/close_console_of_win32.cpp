// close_console_of RECORD -- PROGRAM [ARGS...]
//
// Closes the console window of a running console program as Windows does: once the machine's
// record (RECORD) shows the test under way, the program gets CTRL_CLOSE_EVENT on a thread of
// the system's, and the process is ended as soon as that handler returns, or 5 s after the
// event. Wine delivers the event the same way (kernelbase's CtrlRoutine) but never ends the
// process itself; this program does that part. What the program got done in that time is in
// what it left behind (its report, the machine's record). The status is 0 when everything
// here worked, whatever the program's.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// What Windows gives a console program to finish after a close event.
constexpr DWORD kCloseAllowance = 5000;
// How long the program may take to start sending: far above what a loaded machine needs.
constexpr DWORD kStartBound = 60000;

std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring quoted = L"\"";
    for (const wchar_t c : arg) {
        if (c == L'"') {
            quoted += L'\\';
        }
        quoted += c;
    }
    return quoted + L"\"";
}

bool FileHasBytes(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path, GetFileExInfoStandard, &data) != FALSE &&
           (data.nFileSizeHigh != 0 || data.nFileSizeLow != 0);
}

int Fail(const char* what) {
    std::fprintf(stderr, "close_console_of: %s (error %lu)\n", what, GetLastError());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || std::wstring(argv[2]) != L"--") {
        std::fputs("usage: close_console_of RECORD -- PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    const wchar_t* record = argv[1];
    std::wstring commandLine;
    for (int i = 3; i < argc; ++i) {
        commandLine += (i > 3 ? L" " : L"") + Quoted(argv[i]);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &program) == FALSE) {
        return Fail("the program did not start");
    }
    CloseHandle(program.hThread);

    const DWORD startedBy = GetTickCount() + kStartBound;
    while (!FileHasBytes(record)) {
        if (WaitForSingleObject(program.hProcess, 10) == WAIT_OBJECT_0 ||
            static_cast<LONG>(GetTickCount() - startedBy) > 0) {
            TerminateProcess(program.hProcess, 1);
            return Fail("the program never began to send");
        }
    }

    // The system's own entry for console events, at the same address in every process.
    HMODULE kernelBase = GetModuleHandleW(L"kernelbase.dll");
    const auto ctrlRoutine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        kernelBase != nullptr ? reinterpret_cast<void*>(GetProcAddress(kernelBase, "CtrlRoutine"))
                              : nullptr);
    if (ctrlRoutine == nullptr) {
        TerminateProcess(program.hProcess, 1);
        return Fail("no CtrlRoutine in kernelbase.dll");
    }
    HANDLE event = CreateRemoteThread(program.hProcess, nullptr, 0, ctrlRoutine,
                                      reinterpret_cast<void*>(CTRL_CLOSE_EVENT), 0, nullptr);
    if (event == nullptr) {
        TerminateProcess(program.hProcess, 1);
        return Fail("the close event could not be delivered");
    }
    std::puts("close_console_of: the console window is closed");

    // The handler's thread ends when the handler returns, or when the program ends itself
    // and takes the thread with it; either way the process ends now.
    const bool handled = WaitForSingleObject(event, kCloseAllowance) == WAIT_OBJECT_0;
    CloseHandle(event);
    TerminateProcess(program.hProcess, STATUS_CONTROL_C_EXIT);
    WaitForSingleObject(program.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(program.hProcess, &status);
    CloseHandle(program.hProcess);
    std::printf("close_console_of: %s; the program's exit status is %#lx\n",
                handled ? "the event was handled" : "the handler outlasted its time", status);
    return 0;
}
