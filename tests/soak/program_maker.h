// The NC program of a soak run: a generated program, reshaped as the plan says.
#pragma once

#include <string>

#include "run_plan.h"

namespace soak {

// How far into a program its reshaping reaches: past what any test sends (about 57 KB at
// most before the level passes 60).
inline constexpr std::size_t kReshapedPart = 60'000;

// The same plan always gives the same bytes; the result holds at least 200,000 bytes and at
// least plan.minBytes.
std::string MakeProgram(const ProgramPlan& plan);

}  // namespace soak
