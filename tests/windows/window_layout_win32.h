// What an operator would find cut off in a dialog of another process: a control that
// reaches past the dialog's client area, or a one-line text wider than its control.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One line per fault, naming the control by id and text. font is the dialog's font as
// this process makes it: the same face at the same size in pixels.
std::vector<std::string> CutOffControls(HWND dialog, HFONT font);
