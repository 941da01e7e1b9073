#pragma once

#include <cstdint>

using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using WCHAR = char16_t;
using HANDLE = void*;
using HWND = void*;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

// Message box styles and answers, with their Win32 values.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_ICONWARNING = 0x00000030;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr UINT WM_APP = 0x8000;
