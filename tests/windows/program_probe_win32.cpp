#include "program_probe_win32.h"

#include <psapi.h>

#include <algorithm>
#include <vector>

std::wstring LoadedModulePath(HANDLE process, const std::wstring& fileName) {
    std::vector<HMODULE> modules(512);
    DWORD needed = 0;
    if (EnumProcessModules(process, modules.data(),
                           static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                           &needed) == FALSE) {
        return {};
    }
    modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
    for (HMODULE module : modules) {
        wchar_t path[MAX_PATH] = {};
        if (GetModuleFileNameExW(process, module, path, MAX_PATH) == 0) {
            continue;
        }
        const std::wstring full = path;
        const std::size_t slash = full.find_last_of(L"\\/");
        const std::wstring name = slash == std::wstring::npos ? full : full.substr(slash + 1);
        if (CompareStringOrdinal(name.c_str(), -1, fileName.c_str(), -1, TRUE) == CSTR_EQUAL) {
            return full;
        }
    }
    return {};
}
