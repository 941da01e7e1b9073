// The Win32 host's two entries for other threads, in a program of its own under Wine: the
// message box of the platform services, and the posts that reach a dialog's handlers.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <utility>

#include "dialog.h"
#include "import_patch_win32.h"
#include "platform_services.h"
#include "win32_dialog_host.h"
#include "win32_platform_services.h"

namespace {

using namespace styles;

// MessageBoxW as it answers when no box can be shown: 0, with the reason in the last error.
std::atomic<int> g_boxesAsked = 0;

int WINAPI FailingMessageBoxW(HWND, LPCWSTR, LPCWSTR, UINT) {
    ++g_boxesAsked;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

struct DefaultAnswerCase {
    const char* name;
    UINT style;
    int answer;
};

void PrintTo(const DefaultAnswerCase& box, std::ostream* out) {
    *out << box.name;
}

class MessageBoxThatCannotBeShownTest : public testing::TestWithParam<DefaultAnswerCase> {
  protected:
    void SetUp() override {
        g_boxesAsked = 0;
        ASSERT_TRUE(patch_.Installed()) << "the program does not import MessageBoxW";
    }

    Win32DialogHost host_{GetModuleHandleW(nullptr)};
    ImportPatch patch_{"user32.dll", "MessageBoxW", reinterpret_cast<void*>(&FailingMessageBoxW)};
};

TEST_P(MessageBoxThatCannotBeShownTest, CountsAsItsDefaultButtonOnTheWindowThread) {
    int answer = 0;
    EXPECT_NO_THROW(answer =
                        host_.MessageBoxForWindow(nullptr, "전송 중", "확인", GetParam().style));
    EXPECT_EQ(answer, GetParam().answer);
    EXPECT_EQ(g_boxesAsked, 1);
}

// The worker's boxes, asked through the platform services as the worker asks: an exception
// there would end the whole program.
TEST_P(MessageBoxThatCannotBeShownTest, CountsAsItsDefaultButtonOnTheWorkersThread) {
    Win32PlatformServices services(host_);
    int answer = 0;
    std::thread([&] {
        answer = services.ShowMessageBox(nullptr, "포트 열기 실패", "확인", GetParam().style);
    }).join();
    EXPECT_EQ(answer, GetParam().answer);
    EXPECT_EQ(g_boxesAsked, 1);
}

// The styles the program's boxes use.
INSTANTIATE_TEST_SUITE_P(
    Styles, MessageBoxThatCannotBeShownTest,
    testing::Values(DefaultAnswerCase{"Notice", MB_OK | MB_ICONINFORMATION, IDOK},
                    DefaultAnswerCase{"Warning", MB_ICONWARNING, IDOK},
                    DefaultAnswerCase{"Question", MB_YESNO, IDYES},
                    DefaultAnswerCase{"QuestionWithNoAsDefault", MB_YESNO | MB_DEFBUTTON2, IDNO}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr UINT kProbeTimer = 1;
// Ends a dialog whose posts never came, long after they would have.
constexpr UINT kGiveUpTimer = 2;
constexpr UINT kPing = WM_TRANSFER_DONE;

constexpr ControlTemplate kControls[] = {
    {IDOK, ControlKind::DefPushButton, "확인", {60, 30, 50, 14}, kTabStop},
    {IDCANCEL, ControlKind::PushButton, "취소", {115, 30, 50, 14}, kTabStop},
};

constexpr DialogTemplate kTemplate{
    901, "Posts",   175, 50, "굴림", 9, kPopup | kCaption | kSysMenu | kModalFrame | kVisible,
    0,   kControls,
};

// Runs probe on the window thread once the dialog is up, and counts the program's messages.
class PostedDialog : public CDialog {
  public:
    explicit PostedDialog(std::function<void(PostedDialog&)> probe)
        : CDialog(kTemplate), probe_(std::move(probe)) {}

    std::vector<WPARAM> pings;

  protected:
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        SetTimer(kProbeTimer, 10);
        return true;
    }
    void OnTimer(UINT timer) override {
        KillTimer(timer);
        if (timer == kGiveUpTimer) {
            EndDialog(IDCANCEL);
            return;
        }
        probe_(*this);
        SetTimer(kGiveUpTimer, 5000);
    }
    std::span<const MessageEntry> Messages() const override {
        static const MessageEntry kMessages[] = {OnMessage(kPing, &PostedDialog::OnPing)};
        return kMessages;
    }

  private:
    MessageResult OnPing(WPARAM wParam, LPARAM) {
        pings.push_back(wParam);
        if (wParam == 2) {
            EndDialog(IDOK);
        }
        return 0;
    }

    std::function<void(PostedDialog&)> probe_;
};

// The worker's end message arrives however the dialog manager is being used meanwhile: its
// own messages just below WM_APP (DM_SETDEFID once had the same number) never reach the
// program, and the program's posts never reach the dialog manager.
TEST(Win32DialogHostPosts, OnlyTheProgramsOwnMessagesReachItsHandlers) {
    Win32DialogHost host(GetModuleHandleW(nullptr));
    PostedDialog dialog([&host](PostedDialog& d) {
        HWND window = d.GetSafeHwnd();
        // The dialog manager's own use of the numbers below WM_APP.
        SendMessageW(window, DM_SETDEFID, IDCANCEL, 0);
        SendMessageW(window, DM_SETDEFID, IDOK, 0);
        EXPECT_EQ(LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), IDOK);
        // A post below WM_APP would be taken as one of those: it is refused.
        EXPECT_EQ(host.PostToWindow(window, WM_USER + 1, IDCANCEL, 0), FALSE);
        std::thread([&] {
            EXPECT_EQ(host.PostToWindow(window, WM_TRANSFER_DONE, 1, 0), TRUE);
            EXPECT_EQ(host.PostToWindow(window, WM_TRANSFER_DONE, 2, 0), TRUE);
        }).join();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.pings, (std::vector<WPARAM>{1, 2}));
}

}  // namespace
