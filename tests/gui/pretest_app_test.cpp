#include "pretest_app.h"

#include <gtest/gtest.h>

#include "scripted_host.h"
#include "test_status.h"

namespace {

class FoundSibling : public SiblingWindow {
  public:
    explicit FoundSibling(ScriptedHost& host) : host_(host) {}
    bool Find() override { return true; }
    void Raise() override { boxesBeforeRaise = static_cast<int>(host_.messageBoxes.size()); }

    int boxesBeforeRaise = -1;

  private:
    ScriptedHost& host_;
};

// With the sibling application running, the tool says so with no owner window, then
// raises the sibling, and ends before its own window opens (the scripted host would fail a
// run with no steps).
TEST(PretestApp, SiblingRunningShowsTheNoticeAndEnds) {
    ScriptedHost host;
    host.AnswerNextMessageBox(IDOK);
    FoundSibling sibling(host);
    EXPECT_EQ(RunPretestApp(sibling), 0);
    EXPECT_EQ(sibling.boxesBeforeRaise, 1) << "raised before the notice was answered";
    ASSERT_EQ(host.messageBoxes.size(), 1U);
    EXPECT_FALSE(host.messageBoxes[0].owned);
    EXPECT_EQ(host.messageBoxes[0].text, "Velidor가 이미 실행되고 있습니다.");
    EXPECT_EQ(host.messageBoxes[0].caption, kMessageCaption);
    EXPECT_EQ(host.messageBoxes[0].style, MB_OK | MB_ICONINFORMATION);
}

}  // namespace
