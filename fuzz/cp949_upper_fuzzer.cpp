// Code page 949 upper case on any bytes: the length is kept, a second pass changes nothing,
// no ASCII lower case is left except as the trail byte of a double-byte character, character
// boundaries stay where they were, and on the valid text at the front of the input every
// character is what glibc's CP949 converter and towupper make of it.
#include <iconv.h>

#include <clocale>
#include <cstdint>
#include <cwctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cp949_upper.h"
#include "fuzz_property.h"

namespace {

bool IsLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

bool IsTrailByte(unsigned char b) {
    return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
}

bool IsAsciiLower(unsigned char b) {
    return b >= 'a' && b <= 'z';
}

// glibc's reading of code page 949, independent of the table under test.
class GlibcCp949 {
  public:
    struct Character {
        std::size_t length;
        std::uint32_t code;
    };

    GlibcCp949()
        : decode_(iconv_open("UCS-4LE", "CP949")), encode_(iconv_open("CP949", "UCS-4LE")) {
        Require(decode_ != kNoConverter && encode_ != kNoConverter,
                "glibc's CP949 converter opens");
    }

    // The character that starts the text as glibc's decoder reads it; nothing when no valid
    // character starts there.
    std::optional<Character> First(std::string_view text) {
        iconv(decode_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        unsigned char out[4];
        char* outAt = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        // Room for one character: the call stops after it.
        iconv(decode_, &in, &inLeft, &outAt, &outLeft);
        if (outLeft != 0 || inLeft == text.size()) {
            return std::nullopt;
        }
        const std::uint32_t code =
            out[0] | out[1] << 8 | out[2] << 16 | std::uint32_t{out[3]} << 24;
        return Character{text.size() - inLeft, code};
    }

    // The character's bytes upper-cased where its capital takes as many bytes as it does;
    // otherwise (no capital, one of another width or outside the code page) as they are.
    std::string Upper(std::string_view bytes, std::uint32_t code) {
        const auto upper =
            static_cast<std::uint32_t>(std::towupper(static_cast<std::wint_t>(code)));
        if (upper == code) {
            return std::string(bytes);
        }
        char in[4] = {char(upper & 0xFF), char(upper >> 8 & 0xFF), char(upper >> 16 & 0xFF),
                      char(upper >> 24 & 0xFF)};
        char* inAt = in;
        std::size_t inLeft = sizeof in;
        char out[8];
        char* outAt = out;
        std::size_t outLeft = sizeof out;
        iconv(encode_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(encode_, &inAt, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0 || static_cast<std::size_t>(outAt - out) != bytes.size()) {
            return std::string(bytes);
        }
        return std::string(out, outAt);
    }

  private:
    static inline const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
    iconv_t decode_;
    iconv_t encode_;
};

GlibcCp949* g_glibc = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // towupper answers for all of Unicode in this locale, as the table's generator used it.
    Require(std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr, "the C.UTF-8 locale is there");
    g_glibc = new GlibcCp949;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Exactly as long as the input, so that a write past the end is caught.
    std::vector<char> once(input.begin(), input.end());
    UpperCaseCp949(once.data(), once.size());
    const std::string_view output(once.data(), once.size());

    std::vector<char> twice = once;
    UpperCaseCp949(twice.data(), twice.size());
    RequireEqual(std::string_view(twice.data(), twice.size()), output,
                 "upper-casing upper-case text changes nothing");

    // Characters as the code page reads them: a lead byte with a trail byte after it is one.
    for (std::size_t i = 0; i < size;) {
        const auto in = static_cast<unsigned char>(input[i]);
        const auto out = static_cast<unsigned char>(output[i]);
        if (IsLeadByte(in) && i + 1 < size &&
            IsTrailByte(static_cast<unsigned char>(input[i + 1]))) {
            Require(IsLeadByte(out) && IsTrailByte(static_cast<unsigned char>(output[i + 1])),
                    "a double-byte character stays one");
            i += 2;
            continue;
        }
        Require(!IsAsciiLower(out), "no ASCII lower case outside a double-byte character");
        Require(out == in || (IsAsciiLower(in) && out == in - 'a' + 'A'),
                "a single byte changes only from a..z to A..Z");
        ++i;
    }

    for (std::size_t at = 0; at < size;) {
        const auto character = g_glibc->First(input.substr(at));
        if (!character) {
            break;
        }
        const std::string_view bytes = input.substr(at, character->length);
        RequireEqual(output.substr(at, character->length), g_glibc->Upper(bytes, character->code),
                     "valid text is upper-cased as glibc does it");
        at += character->length;
    }
    return 0;
}
