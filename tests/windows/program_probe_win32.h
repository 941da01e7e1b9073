// What another process has loaded.
#pragma once

#include <windows.h>

#include <string>

// The full path of the process's module of that file name (any letter case); empty when it
// has none loaded.
std::wstring LoadedModulePath(HANDLE process, const std::wstring& fileName);
