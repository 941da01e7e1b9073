// The decimal rule of the stored settings against the C library's strtol on any bytes: the
// same C string (up to the first NUL), the same white space in the "C" locale, and a result
// pinned at the 32-bit limits where strtol pins at the wider ones of long.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "decimal_text.h"
#include "fuzz_property.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Straight over libFuzzer's buffer, so that a read past its end is caught.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::int32_t got = DecimalTextToInt(text);

    const std::string cString(text);
    const long wide = std::strtol(cString.c_str(), nullptr, 10);
    const long expected = std::clamp<long>(wide, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max());
    if (got != expected) {
        std::fprintf(stderr, "DecimalTextToInt gave %d, strtol %ld\n", got, wide);
    }
    Require(got == expected, "DecimalTextToInt agrees with strtol pinned to 32 bits");
    return 0;
}
