#include "pretest_app.h"

#include "dialog_host.h"
#include "pretest_dlg.h"
#include "test_status.h"

int RunPretestApp(SiblingWindow& sibling) {
    if (sibling.Find()) {
        // The notice first: raised before it, the sibling could cover the box that has no
        // owner to keep it in front.
        Host().MessageBox(nullptr, "Velidor가 이미 실행되고 있습니다.", kMessageCaption,
                          MB_OK | MB_ICONINFORMATION);
        sibling.Raise();
        return 0;
    }
    CPretestDlg dialog;
    return dialog.DoModal();
}
