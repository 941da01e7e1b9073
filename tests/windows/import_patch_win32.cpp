#include "import_patch_win32.h"

namespace {

// Calls every import address slot of this program that holds address.
template <typename Visit>
int ForEachSlotHolding(void* address, Visit visit) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return 0;
    }
    int found = 0;
    // The loader resolves forwarded exports, so the slot holds what GetProcAddress gives.
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
             slot->u1.Function != 0; ++slot) {
            if (reinterpret_cast<void*>(slot->u1.Function) == address) {
                visit(slot);
                ++found;
            }
        }
    }
    return found;
}

void WriteSlot(IMAGE_THUNK_DATA* slot, void* target) {
    DWORD protection = 0;
    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
    slot->u1.Function = reinterpret_cast<ULONG_PTR>(target);
    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
}

}  // namespace

ImportPatch::ImportPatch(const char* module, const char* function, void* replacement)
    : replacement_(replacement) {
    HMODULE loaded = GetModuleHandleA(module);
    if (loaded == nullptr) {
        loaded = LoadLibraryA(module);
    }
    if (loaded != nullptr) {
        original_ = reinterpret_cast<void*>(GetProcAddress(loaded, function));
    }
    if (original_ != nullptr) {
        slots_ = ForEachSlotHolding(
            original_, [this](IMAGE_THUNK_DATA* slot) { WriteSlot(slot, replacement_); });
    }
}

ImportPatch::~ImportPatch() {
    if (slots_ > 0) {
        ForEachSlotHolding(replacement_,
                           [this](IMAGE_THUNK_DATA* slot) { WriteSlot(slot, original_); });
    }
}
