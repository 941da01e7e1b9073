// The shape of one character on the wire: start bit, data bits, parity bit, stop bits.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cnc_sim {

struct LineFrame {
    int dataBits = 7;
    char parity = 'E';  // 'N', 'E', 'O', 'M' or 'S'
    // In halves, so that 1.5 stop bits stay a whole number: 2, 3 or 4.
    int stopHalfBits = 4;

    // Start bit, data bits, parity bit and stop bits, counted in half bits.
    int HalfBitsPerCharacter() const;
    double BitsPerCharacter() const { return HalfBitsPerCharacter() / 2.0; }
    // As given on the command line, e.g. "7E2" or "8N1.5".
    std::string Text() const;
};

// "7E2", "8N1", "8O1", "5N1.5": data bits 5 to 8, parity N, E, O, M or S (either case),
// stop bits 1, 1.5 or 2. Nothing when the text is none of these.
std::optional<LineFrame> ParseLineFrame(std::string_view text);

}  // namespace cnc_sim
