#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// <windows.h> renames these to their A or W function by macro. The dialog framework has
// members of the same names, and every file must see them under one name, so the macros
// go; platform code calls the W functions by their full names.
#undef MessageBox
#undef SetDlgItemText
#undef GetDlgItemText
// CComboBox has its own CB_ERR, of the same value -1.
#undef CB_ERR
