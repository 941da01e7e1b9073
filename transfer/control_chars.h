#pragma once

// Control characters of the serial line that the machine and the tool exchange.
inline constexpr char kEnq = 5;
inline constexpr char kAck = 6;
inline constexpr char kXon = 17;   // DC1
inline constexpr char kXoff = 19;  // DC3
inline constexpr char kNak = 21;
