// The line-settings text parser on any bytes: a refused text leaves the DCB exactly as it was,
// an accepted one changes only the fields a text can name, to values of their domains; the
// same text applied twice is applied once; a "COMn:" in front names the port and nothing else.
#include <cstdint>
#include <cstring>
#include <string>

#include "comm_dcb_text.h"
#include "fuzz_property.h"

namespace {

// A DCB whose every byte is set, so that a stray write shows.
DCB StartingDcb() {
    DCB dcb;
    std::memset(&dcb, 0xA5, sizeof dcb);
    return dcb;
}

bool SameBytes(const DCB& a, const DCB& b) {
    return std::memcmp(&a, &b, sizeof(DCB)) == 0;
}

// The DCB with the fields a settings text can name cleared.
DCB WithoutNameableFields(DCB dcb) {
    dcb.BaudRate = 0;
    dcb.Parity = 0;
    dcb.ByteSize = 0;
    dcb.StopBits = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDsrSensitivity = 0;
    dcb.fDtrControl = 0;
    dcb.fRtsControl = 0;
    return dcb;
}

bool StartsWithComIgnoringCase(const char* text) {
    while (*text == ' ' || *text == '\t') {
        ++text;
    }
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return lower(text[0]) == 'c' && lower(text[1]) == 'o' && lower(text[2]) == 'm';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The port layer hands the parser a C string: the text ends at its first NUL.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const char* text = bytes.c_str();

    const DCB before = StartingDcb();
    DCB after = before;
    const BOOL accepted = ParseCommDCB(text, &after);
    Require(accepted == TRUE || accepted == FALSE, "the answer is TRUE or FALSE");
    if (!accepted) {
        Require(SameBytes(after, before), "a refused text leaves the DCB as it was");
    } else {
        Require(SameBytes(WithoutNameableFields(after), WithoutNameableFields(before)),
                "an accepted text changes only the fields a text can name");
        Require(after.ByteSize == before.ByteSize || (after.ByteSize >= 5 && after.ByteSize <= 8),
                "data bits 5 to 8");
        Require(after.Parity == before.Parity || after.Parity <= SPACEPARITY, "a parity kind");
        Require(after.StopBits == before.StopBits || after.StopBits <= TWOSTOPBITS,
                "a stop-bit kind");
        Require(after.fDtrControl == before.fDtrControl || after.fDtrControl <= DTR_CONTROL_ENABLE,
                "DTR on or off");
        Require(
            after.fRtsControl == before.fRtsControl || after.fRtsControl <= RTS_CONTROL_HANDSHAKE,
            "RTS on, off or handshake");

        DCB again = after;
        Require(ParseCommDCB(text, &again) == TRUE, "an accepted text is accepted again");
        Require(SameBytes(again, after), "applying a text twice is applying it once");
    }

    if (!StartsWithComIgnoringCase(text)) {
        const std::string prefixed = "COM12:" + std::string(text);
        DCB named = before;
        Require(ParseCommDCB(prefixed.c_str(), &named) == accepted,
                "a port name in front does not change the answer");
        Require(SameBytes(named, after), "a port name in front does not change the settings");
    }
    return 0;
}
