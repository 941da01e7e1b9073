#include "comm_dcb_text.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string Lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = Lower(c);
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::optional<DWORD> ParseNumber(std::string_view s) {
    DWORD value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc{} || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return value;
}

// The mode form accepts the old two-digit abbreviations of the usual rates.
std::optional<DWORD> ParseModeBaud(std::string_view s) {
    const auto value = ParseNumber(s);
    if (!value) {
        return std::nullopt;
    }
    switch (*value) {
        case 11:
            return 110;
        case 15:
            return 150;
        case 30:
            return 300;
        case 60:
            return 600;
        case 12:
            return 1200;
        case 24:
            return 2400;
        case 48:
            return 4800;
        case 96:
            return 9600;
        case 19:
            return 19200;
        default:
            return value;
    }
}

std::optional<BYTE> ParseParity(std::string_view s) {
    if (s.size() != 1) {
        return std::nullopt;
    }
    switch (Lower(s[0])) {
        case 'n':
            return NOPARITY;
        case 'o':
            return ODDPARITY;
        case 'e':
            return EVENPARITY;
        case 'm':
            return MARKPARITY;
        case 's':
            return SPACEPARITY;
        default:
            return std::nullopt;
    }
}

std::optional<BYTE> ParseDataBits(std::string_view s) {
    const auto value = ParseNumber(s);
    if (!value || *value < 5 || *value > 8) {
        return std::nullopt;
    }
    return static_cast<BYTE>(*value);
}

std::optional<BYTE> ParseStopBits(std::string_view s) {
    if (s == "1") {
        return ONESTOPBIT;
    }
    if (s == "1.5") {
        return ONE5STOPBITS;
    }
    if (s == "2") {
        return TWOSTOPBITS;
    }
    return std::nullopt;
}

std::optional<bool> ParseOnOff(std::string_view s) {
    const std::string lowered = Lowered(s);
    if (lowered == "on") {
        return true;
    }
    if (lowered == "off") {
        return false;
    }
    return std::nullopt;
}

std::vector<std::string_view> Split(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto at = s.find(separator);
        parts.push_back(Trim(s.substr(0, at)));
        if (at == std::string_view::npos) {
            return parts;
        }
        s.remove_prefix(at + 1);
    }
}

// "9600, e, 7, 2[, x|p]": every field but the baud rate may be left out.
bool ApplyModeForm(std::string_view text, DCB& dcb) {
    const auto fields = Split(text, ',');
    if (fields.size() > 5) {
        return false;
    }
    const auto baud = ParseModeBaud(fields[0]);
    if (!baud) {
        return false;
    }
    dcb.BaudRate = *baud;
    if (fields.size() > 1 && !fields[1].empty()) {
        const auto parity = ParseParity(fields[1]);
        if (!parity) {
            return false;
        }
        dcb.Parity = *parity;
    }
    if (fields.size() > 2 && !fields[2].empty()) {
        const auto data = ParseDataBits(fields[2]);
        if (!data) {
            return false;
        }
        dcb.ByteSize = *data;
    }
    if (fields.size() > 3 && !fields[3].empty()) {
        const auto stop = ParseStopBits(fields[3]);
        if (!stop) {
            return false;
        }
        dcb.StopBits = *stop;
    }
    if (fields.size() > 4) {
        const std::string flow = Lowered(fields[4]);
        if (flow == "x") {
            dcb.fOutX = 1;
            dcb.fInX = 1;
        } else if (flow == "p") {
            dcb.fOutxCtsFlow = 1;
            dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        } else if (!flow.empty()) {
            return false;
        }
    }
    return true;
}

// "baud=9600 parity=e data=7 stop=2 xon=off ...", keys in any order and case.
bool ApplyKeyForm(std::string_view text, DCB& dcb) {
    for (std::string_view item : Split(text, ' ')) {
        if (item.empty()) {
            continue;
        }
        const auto equals = item.find('=');
        if (equals == std::string_view::npos) {
            return false;
        }
        const std::string key = Lowered(item.substr(0, equals));
        const std::string_view value = item.substr(equals + 1);
        if (key == "baud") {
            const auto baud = ParseModeBaud(value);
            if (!baud) {
                return false;
            }
            dcb.BaudRate = *baud;
        } else if (key == "parity") {
            const auto parity = ParseParity(value);
            if (!parity) {
                return false;
            }
            dcb.Parity = *parity;
        } else if (key == "data") {
            const auto data = ParseDataBits(value);
            if (!data) {
                return false;
            }
            dcb.ByteSize = *data;
        } else if (key == "stop") {
            const auto stop = ParseStopBits(value);
            if (!stop) {
                return false;
            }
            dcb.StopBits = *stop;
        } else {
            const auto on = ParseOnOff(value);
            if (!on) {
                return false;
            }
            if (key == "xon") {
                dcb.fOutX = dcb.fInX = *on;
            } else if (key == "octs") {
                dcb.fOutxCtsFlow = *on;
            } else if (key == "odsr") {
                dcb.fOutxDsrFlow = *on;
            } else if (key == "idsr") {
                dcb.fDsrSensitivity = *on;
            } else if (key == "dtr") {
                dcb.fDtrControl = *on ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
            } else if (key == "rts") {
                dcb.fRtsControl = *on ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
            } else {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

BOOL ParseCommDCB(const char* text, DCB* dcb) {
    if (text == nullptr || dcb == nullptr) {
        return FALSE;
    }
    std::string_view rest = Trim(text);
    // An optional "COMn:" names the port; the settings follow the colon.
    if (rest.size() >= 3 && Lowered(rest.substr(0, 3)) == "com") {
        const auto colon = rest.find(':');
        if (colon == std::string_view::npos) {
            return FALSE;
        }
        if (!ParseNumber(Trim(rest.substr(3, colon - 3)))) {
            return FALSE;
        }
        rest = Trim(rest.substr(colon + 1));
    }
    if (rest.empty()) {
        return FALSE;
    }
    DCB changed = *dcb;
    const bool ok = rest.find('=') != std::string_view::npos ? ApplyKeyForm(rest, changed)
                                                             : ApplyModeForm(rest, changed);
    if (!ok) {
        return FALSE;
    }
    *dcb = changed;
    return TRUE;
}
