// gui_smoke: starts strandex-pretest.exe beside a stand-in for the sibling application and
// checks that it refuses to run; then starts it in a fresh folder holding a test file,
// checks that it has the themed common controls and its main window, opens the about box
// and the port settings, picks a file through the file dialog, runs a test against the
// machine on COM1 to its end, saves a picture of the window and quits through the quit
// question. In every window it opens, at the Wine prefix's DPI, nothing may be cut off.
// Two shorter runs end a test with the over-long line's box or the port's.
//
//   gui_smoke PRETEST.exe SCREENSHOT.png
//   gui_smoke --long-line PRETEST.exe
//   gui_smoke --port-missing PRETEST.exe
//
// Exit status 0 when every check passed; each failed check is printed.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <future>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "png_file.h"
#include "program_probe_win32.h"
#include "window_capture_win32.h"
#include "window_driver_win32.h"
#include "window_layout_win32.h"

namespace {

constexpr DWORD kWindowWait = 30000;
constexpr DWORD kTestWait = 300000;
constexpr DWORD kExitWait = 30000;

const std::wstring kMainTitle = L"Strandex 사전 테스트(Orvane)";
const std::wstring kEndedStatus = L"테스트가 완료되어 중단합니다.!!!";
// Ends other than a complete run name themselves in the status line.
const std::wstring kLongLineStatus = L"DATA 블록이 너무 길어 테스트를 중단합니다.!!!";
const std::wstring kPortFaultStatus = L"포트 오류로 테스트를 중단합니다.!!!";
const std::wstring kNotice = L"시험용 공지: 전송 테스트";
constexpr int kSend = IDOK;
constexpr int kQuit = IDCANCEL;
constexpr int kFilePath = 1000;
constexpr int kPickFile = 1001;
constexpr int kProgressLine = 1004;
constexpr int kCountLine = 1005;
constexpr int kSettings = 1006;
constexpr int kStatus = 1015;
constexpr int kStop = 1016;
constexpr int kUnitLine = 1021;
constexpr int kLog = 1029;
constexpr int kMessageBoxText = 0xFFFF;  // the text control of a system message box
constexpr UINT kAboutCommand = 0x10;
// The templates' fonts: 굴림 of 12 points in the main window and of 9 in the about box,
// System of 10 in the port settings.
constexpr const wchar_t* kDialogFont = L"굴림";
constexpr int kMainWindowPoints = 12;
constexpr int kAboutBoxPoints = 9;
constexpr const wchar_t* kSettingsFont = L"System";
constexpr int kSettingsPoints = 10;

std::string Narrow(const std::wstring& text) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), length, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

class Checks {
  public:
    bool Expect(bool passed, const std::string& what) {
        if (!passed) {
            ++failures_;
            std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        }
        return passed;
    }
    bool ExpectText(HWND window, int id, const std::wstring& expected) {
        const std::wstring actual = TextOf(GetDlgItem(window, id));
        return Expect(actual == expected, "control " + std::to_string(id) + " reads \"" +
                                              Narrow(actual) + "\", expected \"" +
                                              Narrow(expected) + "\"");
    }
    int Failures() const { return failures_; }

  private:
    int failures_ = 0;
};

// Under Wine a Unix path given on the command line names the file through drive Z:.
std::wstring WindowsPath(const std::wstring& argument) {
    using ToDos = WCHAR*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (argument.empty() || argument[0] != L'/' || toDos == nullptr) {
        return argument;
    }
    WCHAR* dos = toDos(Narrow(argument).c_str());
    if (dos == nullptr) {
        return argument;
    }
    std::wstring path = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return path;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok != FALSE && written == bytes.size();
}

// An NC program above the 200,000 bytes the send button asks for.
std::string NcProgram() {
    std::string program = "O0003\r\nG90 G21\r\n";
    char line[64];
    for (int n = 1; program.size() < 220000; ++n) {
        std::snprintf(line, sizeof(line), "N%05d G01 X%d.%03d Y%d.%03d F800\r\n", n, n % 400,
                      n % 1000, (n * 7) % 300, (n * 13) % 1000);
        program += line;
    }
    return program + "M30\r\n";
}

// The same with a line of 300 characters early on: the test must stop there.
std::string NcProgramWithOverLongLine() {
    std::string program = NcProgram();
    const std::size_t at = program.find("N00100");
    return program.insert(at, "(" + std::string(298, 'X') + ")\r\n");
}

// The notice file is read as code page 949, as on a Korean desktop.
std::string Cp949(const std::wstring& text) {
    const int length = WideCharToMultiByte(949, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(949, 0, text.c_str(), -1, bytes.data(), length, nullptr, nullptr);
    bytes.resize(bytes.size() - 1);
    return bytes;
}

bool FontInstalled(const wchar_t* face) {
    HDC screen = GetDC(nullptr);
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(
        screen, &font,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM param) -> int {
            *reinterpret_cast<bool*>(param) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// Korean Windows has 굴림; a Wine prefix has not. Where it is missing, the dialogs' font is
// mapped to an installed Hangul font, so the picture shows the texts instead of boxes. The
// program reads the mapping when it starts; this process has read it already.
void SubstituteMissingDialogFont() {
    if (FontInstalled(kDialogFont) || !FontInstalled(L"NanumGothic")) {
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", 0,
                      KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        const std::wstring family = L"NanumGothic";
        RegSetValueExW(key, kDialogFont, 0, REG_SZ, reinterpret_cast<const BYTE*>(family.c_str()),
                       static_cast<DWORD>((family.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

// A dialog's font as the program gets it, made in this process for measuring texts.
HFONT DialogFont(HWND dialog, const wchar_t* face, int points) {
    UINT dpi = GetDpiForWindow(dialog);
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    if (wcscmp(face, kDialogFont) == 0 && !FontInstalled(kDialogFont)) {
        face = L"NanumGothic";
    }
    return CreateFontW(-MulDiv(points, static_cast<int>(dpi), 72), 0, 0, 0, FW_DONTCARE, FALSE,
                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

// At any DPI every control lies inside its window and every one-line text fits.
void CheckNothingCutOff(Checks& checks, HWND dialog, const wchar_t* face, int points,
                        const std::string& when) {
    HFONT font = DialogFont(dialog, face, points);
    for (const std::string& fault : CutOffControls(dialog, font)) {
        checks.Expect(false, when + ": " + fault);
    }
    DeleteObject(font);
}

// The program runs with the themed controls of comctl32 version 6, which its manifest asks
// for; without the manifest the system gives it version 5. The version is in the name of the
// side-by-side folder it comes from (the file's own version resource says 5.81 under Wine).
void CheckThemedControls(Checks& checks, HANDLE process) {
    std::wstring path = LoadedModulePath(process, L"comctl32.dll");
    CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
    checks.Expect(
        path.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::wstring::npos,
        "the program's comctl32 is version 6: \"" + Narrow(path) + "\"");
}

// Xvfb runs no window manager: Wine then draws the window frames itself, so the picture
// shows the title bar with its icon and title. Nothing to do on Windows.
void LetWineDrawWindowFrames() {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
        return;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const std::wstring no = L"N";
        RegSetValueExW(key, L"Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>(no.c_str()),
                       static_cast<DWORD>((no.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

std::vector<HWND> MessageBoxesOf(DWORD processId, HWND except) {
    std::vector<HWND> boxes;
    for (HWND window : TopLevelWindowsOf(processId)) {
        if (window != except && ClassOf(window) == L"#32770" &&
            GetDlgItem(window, kMessageBoxText) != nullptr) {
            boxes.push_back(window);
        }
    }
    return boxes;
}

void CheckMainWindow(Checks& checks, HWND main, const std::wstring& folderName) {
    checks.Expect(TextOf(main) == kMainTitle, "main window title");
    checks.ExpectText(main, kSend, L"전송");
    checks.ExpectText(main, kQuit, L"종료");
    checks.ExpectText(main, kSettings, L"환경설정");
    checks.ExpectText(main, kStop, L"중단");
    checks.ExpectText(main, kPickFile, L"....");
    checks.ExpectText(main, kStatus, L"전송 상태");
    checks.ExpectText(main, kProgressLine, L"전송 (0/0)");
    checks.ExpectText(main, kUnitLine, L"전송단위  1");
    checks.ExpectText(main, kCountLine, L"XOFF 0회");
    const std::wstring path = TextOf(GetDlgItem(main, kFilePath));
    const std::wstring expectedEnd = L"\\" + folderName + L"\\StrandexTest03.nc";
    checks.Expect(
        path.size() >= expectedEnd.size() &&
            path.compare(path.size() - expectedEnd.size(), expectedEnd.size(), expectedEnd) == 0,
        "path box holds the test file in the current folder: \"" + Narrow(path) + "\"");
    checks.Expect(TextOf(GetDlgItem(main, kLog)).find(kNotice) != std::wstring::npos,
                  "log box shows the notice file decoded from code page 949");
    CheckNothingCutOff(checks, main, kDialogFont, kMainWindowPoints, "main window at start");
}

// The edit controls inside a window, its children's children included.
std::vector<HWND> EditControlsIn(HWND window) {
    std::vector<HWND> edits;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM param) -> BOOL {
            if (ClassOf(child) == L"Edit") {
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&edits));
    return edits;
}

// 환경설정 opens the settings dialog. Its template has two default-style buttons, OK and
// 저장: the dialog manager takes the last as the dialog's default, so Enter with the focus on
// the check box presses 저장, which has no action, and the dialog stays open. The Qt host
// follows what is seen here.
void CheckEnterInTheSettingsDialog(Checks& checks, DWORD processId, HWND main) {
    constexpr int kSave = 4;
    constexpr int kSendSignalWait = 1013;
    PressButton(main, kSettings);
    HWND settings = WaitForTitle(processId, L"COM 포트 설정", kWindowWait);
    if (!checks.Expect(settings != nullptr, "환경설정 opens the settings dialog")) {
        return;
    }
    const LRESULT defaultId = SendMessageW(settings, DM_GETDEFID, 0, 0);
    checks.Expect(
        HIWORD(defaultId) == DC_HASDEFID && LOWORD(defaultId) == kSave,
        "the settings dialog's default button is 저장, id " + std::to_string(LOWORD(defaultId)));
    HWND check = GetDlgItem(settings, kSendSignalWait);
    PostMessageW(settings, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(check), TRUE);
    PostMessageW(check, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(check, WM_KEYUP, VK_RETURN, 0);
    checks.Expect(!WaitUntilGone(settings, 1000),
                  "Enter on the check box leaves the settings dialog open");
    PressButton(settings, IDCANCEL);
    checks.Expect(WaitUntilGone(settings, kWindowWait), "Cancel closes the settings dialog");
}

// "...." opens the system's file-open dialog over the main window, its name box at "*.nc";
// the file named there becomes the one under test.
void PickFileThroughTheDialog(Checks& checks, DWORD processId, HWND main,
                              const std::wstring& picked) {
    PressButton(main, kPickFile);
    HWND dialog = WaitForWindow(
        processId,
        [main](HWND w) {
            return w != main && ClassOf(w) == L"#32770" && GetWindow(w, GW_OWNER) == main;
        },
        kWindowWait);
    if (!checks.Expect(dialog != nullptr, "\"....\" opens a file dialog owned by the window")) {
        return;
    }
    HWND nameBox = nullptr;
    std::string names;
    for (HWND edit : EditControlsIn(dialog)) {
        names += " \"" + Narrow(TextOf(edit)) + "\"";
        if (TextOf(edit) == L"*.nc") {
            nameBox = edit;
        }
    }
    if (checks.Expect(nameBox != nullptr, "the file dialog's name box starts at *.nc:" + names)) {
        SendMessageW(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(picked.c_str()));
        PressButton(dialog, IDOK);
    } else {
        PressButton(dialog, IDCANCEL);
    }
    checks.Expect(WaitUntilGone(dialog, kWindowWait), "the file dialog closes");
    checks.ExpectText(main, kFilePath, nameBox != nullptr ? picked : L"");
}

void CheckAboutBox(Checks& checks, DWORD processId, HWND main) {
    PostMessageW(main, WM_SYSCOMMAND, kAboutCommand, 0);
    HWND about = WaitForTitle(processId, L"Velidor 정보", kWindowWait);
    if (!checks.Expect(about != nullptr, "the about item opens the about box")) {
        return;
    }
    checks.Expect(GetWindow(about, GW_OWNER) == main, "about box is owned by the main window");
    checks.Expect(IsWindowEnabled(main) == FALSE, "main window takes no input under the box");
    checks.ExpectText(about, IDOK, L"확인");
    CheckNothingCutOff(checks, about, kDialogFont, kAboutBoxPoints, "about box");
    PressButton(about, IDOK);
    checks.Expect(WaitUntilGone(about, kWindowWait), "확인 closes the about box");
}

// 환경설정 opens the port settings over the main window; 취소 leaves the settings alone.
void CheckSettingsDialog(Checks& checks, DWORD processId, HWND main) {
    PressButton(main, kSettings);
    HWND settings = WaitForTitle(processId, L"COM 포트 설정", kWindowWait);
    if (!checks.Expect(settings != nullptr, "환경설정 opens the port settings")) {
        return;
    }
    checks.Expect(GetWindow(settings, GW_OWNER) == main, "port settings owned by the main window");
    CheckNothingCutOff(checks, settings, kSettingsFont, kSettingsPoints, "port settings");
    PressButton(settings, IDCANCEL);
    checks.Expect(WaitUntilGone(settings, kWindowWait), "Cancel closes the port settings");
}

// Presses 전송 and waits for the end status. Any message box on the way is a failure: the
// file is big enough and the port is there; it is read and answered so the run can end.
void RunTestToItsEnd(Checks& checks, DWORD processId, HWND main) {
    PressButton(main, kSend);
    const ULONGLONG deadline = GetTickCount64() + kTestWait;
    bool ended = false;
    while (!ended && GetTickCount64() < deadline) {
        for (HWND box : MessageBoxesOf(processId, main)) {
            checks.Expect(false, "unexpected message box \"" + Narrow(TextOf(box)) + "\": \"" +
                                     Narrow(TextOf(GetDlgItem(box, kMessageBoxText))) + "\"");
            PressButton(box, IDOK);
            WaitUntilGone(box, kWindowWait);
        }
        ended = TextOf(GetDlgItem(main, kStatus)) == kEndedStatus;
        Sleep(200);
    }
    if (!checks.Expect(ended, "the end status appears after the test")) {
        return;
    }
    // The box took the log in place of the notice at its first refresh and the end line was
    // added to it at the end.
    const std::wstring log = TextOf(GetDlgItem(main, kLog));
    const std::size_t endLine = log.rfind(L"\r\n 테스트완료, 전송중단 ");
    checks.Expect(endLine != std::wstring::npos && log.find(L"\r\n", endLine + 2) == log.size() - 2,
                  "the event log ends with the end line");
    checks.Expect(log.find(kNotice) == std::wstring::npos, "the event log replaced the notice");
    checks.Expect(IsWindowVisible(GetDlgItem(main, kSettings)) != FALSE,
                  "환경설정 is shown again after the test");
    checks.Expect(TextOf(GetDlgItem(main, kProgressLine)).rfind(L"전송 (", 0) == 0,
                  "the progress line was refreshed during the test");
    CheckNothingCutOff(checks, main, kDialogFont, kMainWindowPoints, "main window after the test");
}

void SaveScreenshot(Checks& checks, HWND main, const std::wstring& path,
                    const char* what = "main window") {
    // The window repaints on its own thread: the picture is taken once two captures agree.
    CapturedImage image = CaptureWindow(main);
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(250);
        CapturedImage again = CaptureWindow(main);
        const bool settled = again.rgb == image.rgb;
        image = std::move(again);
        if (settled) {
            break;
        }
    }
    checks.Expect(image.width > 0 && image.height > 0, std::string("capture of the ") + what);
    if (image.width > 0 && image.height > 0) {
        checks.Expect(WritePngFile(path, image.width, image.height, image.rgb),
                      "screenshot written to " + Narrow(path));
        std::printf("gui_smoke: %s %d x %d pixels at %u DPI\n", what, image.width, image.height,
                    GetDpiForWindow(main));
    }
}

// The item's greying is checked on the scripted host: another process gets its own copy of
// the system menu under Wine.
constexpr UINT kResultCommand = 0x20;

// The result of the test just ended: headline, a row per level, the chart; a picture of it
// beside the main window's.
void CheckResultDialog(Checks& checks, DWORD processId, HWND main, std::wstring picture) {
    PostMessageW(main, WM_SYSCOMMAND, kResultCommand, 0);
    HWND result = WaitForTitle(processId, L"전송 결과", kWindowWait);
    if (!checks.Expect(result != nullptr, "the result item opens the result dialog")) {
        return;
    }
    checks.Expect(GetWindow(result, GW_OWNER) == main, "result dialog owned by the main window");
    checks.Expect(TextOf(GetDlgItem(result, 1101)).find(L"전송단위") != std::wstring::npos,
                  "the headline names a level");
    HWND table = GetDlgItem(result, 1102);
    checks.Expect(ClassOf(table) == L"SysListView32", "the table is a list view");
    checks.Expect(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0) > 0, "the table has a row a level");
    checks.Expect(ClassOf(GetDlgItem(result, 1103)) == L"StrandexChart", "the chart is there");
    const std::size_t slash = picture.find_last_of(L"\\/");
    picture = picture.substr(0, slash == std::wstring::npos ? 0 : slash + 1) +
              (picture.find(L"144dpi") != std::wstring::npos ? L"result-dialog-144dpi.png"
                                                             : L"result-dialog.png");
    SaveScreenshot(checks, result, picture, "result dialog");
    PressButton(result, IDOK);
    checks.Expect(WaitUntilGone(result, kWindowWait), "닫기 closes the result dialog");
}

void QuitThroughTheQuestion(Checks& checks, DWORD processId, HWND main) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND question = WaitForWindow(
        processId,
        [main](HWND w) {
            return w != main && ClassOf(w) == L"#32770" &&
                   GetDlgItem(w, kMessageBoxText) != nullptr;
        },
        kWindowWait);
    if (!checks.Expect(question != nullptr, "closing the window asks the quit question")) {
        return;
    }
    checks.Expect(TextOf(question) == L"DNC message", "quit question caption");
    checks.ExpectText(question, kMessageBoxText, L"DNC를 끝내길 원하십니까?");
    checks.Expect(GetWindow(question, GW_OWNER) == main, "quit question is owned by the window");
    checks.Expect(GetDlgItem(question, IDYES) != nullptr && GetDlgItem(question, IDNO) != nullptr,
                  "quit question has Yes and No");
    PressButton(question, IDYES);
}

// The sibling DNC application as far as the guard can see it: a minimised top-level window
// with its exact title, on a thread of its own that answers its messages.
class SiblingStandIn {
  public:
    SiblingStandIn() {
        std::promise<std::pair<HWND, DWORD>> created;
        auto window = created.get_future();
        thread_ = std::thread([&created] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"SiblingStandIn";
            RegisterClassW(&windowClass);
            HWND hwnd =
                CreateWindowExW(0, L"SiblingStandIn", L"Velidor for Marlux", WS_OVERLAPPEDWINDOW,
                                40, 40, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
            ShowWindow(hwnd, SW_SHOWMINIMIZED);
            created.set_value({hwnd, GetCurrentThreadId()});
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                DispatchMessageW(&msg);
            }
            DestroyWindow(hwnd);
        });
        std::tie(hwnd_, threadId_) = window.get();
    }
    ~SiblingStandIn() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    SiblingStandIn(const SiblingStandIn&) = delete;
    SiblingStandIn& operator=(const SiblingStandIn&) = delete;

    HWND window() const { return hwnd_; }

  private:
    std::thread thread_;
    HWND hwnd_ = nullptr;
    DWORD threadId_ = 0;
};

bool StartProgram(Checks& checks, const std::wstring& program, const std::wstring& folder,
                  PROCESS_INFORMATION& process) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return checks.Expect(
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.c_str(), &startup, &process) != FALSE,
        "CreateProcessW() of " + Narrow(program) + ", error " + std::to_string(GetLastError()));
}

// Ends the process if it has not ended by itself; its exit status, or -1.
long FinishProcess(Checks& checks, PROCESS_INFORMATION& process, const std::string& what) {
    DWORD exitCode = 0;
    long status = -1;
    if (checks.Expect(WaitForSingleObject(process.hProcess, kExitWait) == WAIT_OBJECT_0, what)) {
        GetExitCodeProcess(process.hProcess, &exitCode);
        status = static_cast<long>(exitCode);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// With the sibling application open the tool says so in a box of its own, then brings the
// sibling back from the task bar and ends without opening its window.
void RefusesToRunBesideTheSibling(Checks& checks, const std::wstring& program,
                                  const std::wstring& folder) {
    SiblingStandIn sibling;
    PROCESS_INFORMATION process{};
    if (!StartProgram(checks, program, folder, process)) {
        return;
    }
    HWND box = WaitForWindow(
        process.dwProcessId,
        [](HWND w) { return ClassOf(w) == L"#32770" && TextOf(w) == L"DNC message"; }, kWindowWait);
    if (checks.Expect(box != nullptr, "beside the sibling, the tool shows its notice")) {
        checks.ExpectText(box, kMessageBoxText, L"Velidor가 이미 실행되고 있습니다.");
        checks.Expect(GetWindow(box, GW_OWNER) == nullptr, "sibling notice has no owner");
        checks.Expect(IsIconic(sibling.window()) != FALSE, "the sibling waits for the answer");
        checks.Expect(WaitForTitle(process.dwProcessId, kMainTitle, 0) == nullptr,
                      "no main window beside the sibling");
        PressButton(box, IDOK);
    }
    const long status = FinishProcess(checks, process, "the tool ends after the sibling notice");
    checks.Expect(status == 0, "exit status after the sibling notice " + std::to_string(status));
    checks.Expect(IsIconic(sibling.window()) == FALSE, "the sibling is restored");
}

std::wstring MakeTestFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder =
        std::wstring(temp) + L"strandex-gui-smoke-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void RemoveTestFolder(const std::wstring& folder) {
    DeleteFileW((folder + L"\\StrandexTest03.nc").c_str());
    DeleteFileW((folder + L"\\Picked.nc").c_str());
    DeleteFileW((folder + L"\\Strandex.txt").c_str());
    RemoveDirectoryW(folder.c_str());
}

// Waits for a message box of the process with the caption; null when none comes.
HWND WaitForMessageBox(DWORD processId, const std::wstring& caption) {
    return WaitForWindow(
        processId, [&caption](HWND w) { return ClassOf(w) == L"#32770" && TextOf(w) == caption; },
        kWindowWait);
}

bool WaitUntilIdle(HWND main) {
    const ULONGLONG deadline = GetTickCount64() + kTestWait;
    while (IsWindowVisible(GetDlgItem(main, kSettings)) == FALSE) {
        if (GetTickCount64() > deadline) {
            return false;
        }
        Sleep(100);
    }
    return true;
}

// Presses 전송; the test must end with the box named, owned by owner (null: none), and the
// window must be ready for the next test once it is answered.
void SendEndsWithBox(Checks& checks, DWORD processId, HWND main, const std::wstring& caption,
                     const std::wstring& text, HWND owner, const std::string& what) {
    PressButton(main, kSend);
    HWND box = WaitForMessageBox(processId, caption);
    if (!checks.Expect(box != nullptr, what + ": the box \"" + Narrow(caption) + "\" appears")) {
        return;
    }
    checks.ExpectText(box, kMessageBoxText, text);
    checks.Expect(GetWindow(box, GW_OWNER) == owner,
                  what + (owner != nullptr ? ": the box is owned by the main window"
                                           : ": the box has no owner"));
    PressButton(box, IDOK);
    checks.Expect(WaitUntilGone(box, kWindowWait), what + ": OK closes the box");
    checks.Expect(WaitUntilIdle(main), what + ": the window is ready for the next test");
}

enum class Scenario { Whole, OverLongLine, PortMissing };

struct Arguments {
    Scenario scenario = Scenario::Whole;
    std::wstring program;
    std::wstring screenshot;
};

bool ParseArguments(int argc, wchar_t** argv, Arguments& arguments) {
    const std::wstring first = argc > 1 ? argv[1] : L"";
    if (argc == 3 && first == L"--long-line") {
        arguments = {Scenario::OverLongLine, WindowsPath(argv[2]), {}};
    } else if (argc == 3 && first == L"--port-missing") {
        arguments = {Scenario::PortMissing, WindowsPath(argv[2]), {}};
    } else if (argc == 3 && first.rfind(L"--", 0) != 0) {
        arguments = {Scenario::Whole, WindowsPath(argv[1]), WindowsPath(argv[2])};
    } else {
        return false;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Arguments arguments;
    if (!ParseArguments(argc, argv, arguments)) {
        std::fprintf(stderr,
                     "usage: gui_smoke PRETEST.exe SCREENSHOT.png    the whole smoke test\n"
                     "       gui_smoke --long-line PRETEST.exe       a test that meets an "
                     "over-long line\n"
                     "       gui_smoke --port-missing PRETEST.exe    a test whose port does not "
                     "open\n");
        return 2;
    }
    Checks checks;

    SubstituteMissingDialogFont();
    LetWineDrawWindowFrames();
    const std::wstring folder = MakeTestFolder();
    const std::wstring folderName = folder.substr(folder.find_last_of(L'\\') + 1);
    const std::string program =
        arguments.scenario == Scenario::OverLongLine ? NcProgramWithOverLongLine() : NcProgram();
    if (!checks.Expect(WriteBytes(folder + L"\\StrandexTest03.nc", program) &&
                           WriteBytes(folder + L"\\Picked.nc", program) &&
                           WriteBytes(folder + L"\\Strandex.txt", Cp949(kNotice)),
                       "test files written")) {
        return 1;
    }

    if (arguments.scenario == Scenario::Whole) {
        RefusesToRunBesideTheSibling(checks, arguments.program, folder);
    }

    PROCESS_INFORMATION process{};
    if (!StartProgram(checks, arguments.program, folder, process)) {
        RemoveTestFolder(folder);
        return 1;
    }
    HWND main = WaitForTitle(process.dwProcessId, kMainTitle, kWindowWait);
    if (checks.Expect(main != nullptr, "the main window opens with its title")) {
        switch (arguments.scenario) {
            case Scenario::Whole:
                CheckThemedControls(checks, process.hProcess);
                CheckMainWindow(checks, main, folderName);
                CheckAboutBox(checks, process.dwProcessId, main);
                CheckSettingsDialog(checks, process.dwProcessId, main);
                CheckEnterInTheSettingsDialog(checks, process.dwProcessId, main);
                PickFileThroughTheDialog(checks, process.dwProcessId, main,
                                         folder + L"\\Picked.nc");
                RunTestToItsEnd(checks, process.dwProcessId, main);
                SaveScreenshot(checks, main, arguments.screenshot);
                CheckResultDialog(checks, process.dwProcessId, main, arguments.screenshot);
                break;
            case Scenario::OverLongLine:
                SendEndsWithBox(checks, process.dwProcessId, main, L"Trans message",
                                L"DATA 블록의 문자수가 너무 많습니다. ", main, "over-long line");
                checks.ExpectText(main, kStatus, kLongLineStatus);
                break;
            case Scenario::PortMissing:
                SendEndsWithBox(checks, process.dwProcessId, main, L"DNC Message",
                                L"Com1를 열수 없습니다.!!!", nullptr, "port missing");
                checks.ExpectText(main, kStatus, kPortFaultStatus);
                break;
        }
        QuitThroughTheQuestion(checks, process.dwProcessId, main);
    }
    const long status =
        FinishProcess(checks, process, "the program ends after Yes to the quit question");
    checks.Expect(status == 0, "exit status " + std::to_string(status));
    RemoveTestFolder(folder);

    if (checks.Failures() == 0) {
        std::printf("gui_smoke: all checks passed\n");
        return 0;
    }
    std::fprintf(stderr, "gui_smoke: %d check(s) failed\n", checks.Failures());
    return 1;
}
