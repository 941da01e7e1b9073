#include "line_frame.h"

#include <cctype>

namespace cnc_sim {

int LineFrame::HalfBitsPerCharacter() const {
    const int bits = 1 + dataBits + (parity == 'N' ? 0 : 1);
    return 2 * bits + stopHalfBits;
}

std::string LineFrame::Text() const {
    std::string text = std::to_string(dataBits) + parity;
    switch (stopHalfBits) {
        case 2:
            return text + "1";
        case 3:
            return text + "1.5";
        default:
            return text + "2";
    }
}

std::optional<LineFrame> ParseLineFrame(std::string_view text) {
    if (text.size() < 3 || text[0] < '5' || text[0] > '8') {
        return std::nullopt;
    }
    LineFrame frame;
    frame.dataBits = text[0] - '0';
    frame.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])));
    if (std::string_view("NEOMS").find(frame.parity) == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view stop = text.substr(2);
    if (stop == "1") {
        frame.stopHalfBits = 2;
    } else if (stop == "1.5") {
        frame.stopHalfBits = 3;
    } else if (stop == "2") {
        frame.stopHalfBits = 4;
    } else {
        return std::nullopt;
    }
    return frame;
}

}  // namespace cnc_sim
