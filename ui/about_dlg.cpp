#include "about_dlg.h"

namespace {

using namespace styles;

constexpr ControlTemplate kControls[] = {
    {kNoControlId, ControlKind::Icon, "", {11, 17, 20, 20}, 0},
    {kNoControlId,
     ControlKind::Static,
     "Velidor 버전 1.0",
     {40, 10, 119, 8},
     kGroup | kStaticNoPrefix},
    {kNoControlId, ControlKind::Static, "Copyright (C) Orvane Co., Ltd.", {40, 25, 119, 8}, kGroup},
    {IDOK, ControlKind::DefPushButton, "확인", {178, 7, 50, 14}, kGroup | kTabStop},
};

constexpr DialogTemplate kTemplate{
    IDD_ABOUTBOX, "Velidor 정보", 235, 55, "굴림", 9, kPopup | kCaption | kSysMenu | kModalFrame, 0,
    kControls};

}  // namespace

CAboutDlg::CAboutDlg() : CDialog(kTemplate) {}
