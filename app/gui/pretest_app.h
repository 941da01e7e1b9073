// The program's start-up once a dialog host is in force: the sibling guard, then the main
// window, run modally.
#pragma once

#include "sibling_guard.h"

// Returns the main window's result, or 0 when the sibling application was found.
int RunPretestApp(SiblingWindow& sibling);
