// A DCB's line settings as a termios value and back. Values only, no descriptor: framing a
// pty cannot carry (it keeps 8 bits and no parity) is tested here without any device.
#pragma once

#include <termios.h>

#include <optional>

#include "comm_types.h"

// The speed_t code of a rate the table holds, and the rate of such a code.
std::optional<speed_t> SpeedCodeOf(DWORD rate);
std::optional<DWORD> RateOfSpeedCode(speed_t code);

// Raw mode as this layer drives a line: bytes pass unchanged both ways, no software flow
// control, breaks ignored, no wait for carrier, and read() returns at once.
void MakeRawLine(termios& t);

// Whether the rate, byte size, parity and stop bits of the DCB can be applied.
bool IsUsableLine(const DCB& dcb);

// Puts t in raw mode with the DCB's rate, framing, parity checking, flow control and XON/XOFF
// characters. Returns false, with t as it was, when the line is not usable.
bool ApplyDcbToTermios(const DCB& dcb, termios& t);

// Whether two settings frame characters alike: byte size, parity and stop bits.
bool SameFraming(const termios& a, const termios& b);

// Whether fd is the slave of a pseudo-terminal, which keeps 8 bits and no parity whatever
// it is asked for.
bool IsPseudoTerminal(int fd);

// Sets the line fields of dcb from t: the rate when the table holds it, byte size, parity,
// stop bits, XON/XOFF and CTS flow control, and the XON/XOFF characters. Every other field
// stays as it was.
void ReadDcbFromTermios(const termios& t, DCB& dcb);
