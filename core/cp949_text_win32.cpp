#include "cp949_text.h"
#include "platform_types.h"
#include "wide_text_win32.h"

namespace {

constexpr UINT kCodePage949 = 949;
constexpr wchar_t kReplacement = L'\xFFFD';

bool IsLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

}  // namespace

std::string Cp949ToUtf8(std::string_view text) {
    // One character at a time: the converter's own handling of bytes the code page does not
    // define differs between systems (a private-use character, a '?'), and the notice must
    // show U+FFFD for them and still carry on after them.
    std::wstring wide;
    wide.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            wide += static_cast<wchar_t>(byte);
            ++i;
            continue;
        }
        wchar_t converted = 0;
        if (IsLeadByte(byte) && i + 1 < text.size() &&
            MultiByteToWideChar(kCodePage949, MB_ERR_INVALID_CHARS, text.data() + i, 2, &converted,
                                1) == 1) {
            wide += converted;
            i += 2;
        } else {
            wide += kReplacement;
            ++i;
        }
    }
    return WideToUtf8(wide);
}
