// The about box, reached from the main window's system menu.
#pragma once

#include "dialog.h"

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr UINT IDM_ABOUTBOX = 0x0010;

class CAboutDlg : public CDialog {
  public:
    CAboutDlg();
};
