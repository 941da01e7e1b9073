// Realistic NC part programs for demos, tests and benchmarks: G-code in upper and lower
// case, comments in Korean (code page 949 bytes), LF and CR LF line ends.
#pragma once

#include <cstddef>
#include <string>

// A program of at least minBytes bytes, the same for the same seed. Every line ends with a
// line feed and holds far fewer than 250 bytes.
std::string GenerateNcProgram(std::size_t minBytes, unsigned seed = 1);
