// Drives another process's windows the way an operator would, through window messages,
// with a bound on every wait.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The text of a window or control of another process (WM_GETTEXT, which the system carries
// across); empty when the window does not answer.
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);

// Visible top-level windows of the process, in the system's order, topmost first.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);

// Polls until match finds a window of the process, or milliseconds have passed (null).
HWND WaitForWindow(DWORD processId, const std::function<bool(HWND)>& match, DWORD milliseconds);
HWND WaitForTitle(DWORD processId, const std::wstring& title, DWORD milliseconds);
bool WaitUntilGone(HWND window, DWORD milliseconds);

// A button press as the dialog manager reports it: WM_COMMAND with BN_CLICKED, posted, so
// that a handler opening a message box does not block the caller.
void PressButton(HWND dialog, int id);
