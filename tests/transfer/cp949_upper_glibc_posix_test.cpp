// The upper-case table checked against glibc's CP949 converter and towupper.
#include "cp949_upper.h"
#include "hex_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cwctype>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

// glibc's own answer, from its CP949 converter and towupper, so the table is checked against
// an independent source rather than against itself.
class GlibcCp949 {
  public:
    GlibcCp949()
        : decode_(iconv_open("UCS-4LE", "CP949")), encode_(iconv_open("CP949", "UCS-4LE")) {
        if (const char* current = std::setlocale(LC_CTYPE, nullptr)) {
            savedLocale_ = current;
        }
        localeSet_ = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    }

    ~GlibcCp949() {
        std::setlocale(LC_CTYPE, savedLocale_.c_str());
        for (const iconv_t cd : {decode_, encode_}) {
            if (cd != kNoConverter) {
                iconv_close(cd);
            }
        }
    }

    GlibcCp949(const GlibcCp949&) = delete;
    GlibcCp949& operator=(const GlibcCp949&) = delete;

    bool ConvertersOpen() const { return decode_ != kNoConverter && encode_ != kNoConverter; }
    bool LocaleSet() const { return localeSet_; }

    // One character's bytes upper-cased, where the capital takes as many bytes as the
    // character; anything else (no character, no capital, a capital of another width or
    // outside the code page) comes back as it went in.
    std::string Upper(const std::string& character) {
        const std::optional<std::string> ucs4 = Convert(decode_, character);
        if (!ucs4 || ucs4->size() != 4) {
            return character;
        }
        std::uint32_t code = 0;
        for (int i = 3; i >= 0; --i) {
            code = code << 8 | static_cast<unsigned char>((*ucs4)[i]);
        }
        const auto upper =
            static_cast<std::uint32_t>(std::towupper(static_cast<std::wint_t>(code)));
        if (upper == code) {
            return character;
        }
        std::string upperUcs4;
        for (int i = 0; i < 4; ++i) {
            upperUcs4 += static_cast<char>(upper >> (8 * i) & 0xFF);
        }
        const std::optional<std::string> encoded = Convert(encode_, upperUcs4);
        return encoded && encoded->size() == character.size() ? *encoded : character;
    }

  private:
    static inline const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

    static std::optional<std::string> Convert(iconv_t cd, std::string input) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char output[16];
        char* in = input.data();
        char* out = output;
        std::size_t inLeft = input.size();
        std::size_t outLeft = sizeof output;
        if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return std::nullopt;
        }
        return std::string(output, out);
    }

    iconv_t decode_;
    iconv_t encode_;
    std::string savedLocale_ = "C";
    bool localeSet_ = false;
};

bool IsTrailByte(int b) {
    return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
}

TEST(Cp949UpperAgainstGlibcTest, EverySingleByteAndEveryLeadByteWithEveryFollowingByte) {
    GlibcCp949 glibc;
    ASSERT_TRUE(glibc.ConvertersOpen()) << "glibc's CP949 iconv converter is missing";
    ASSERT_TRUE(glibc.LocaleSet()) << "the C.UTF-8 locale is missing";

    std::vector<std::string> mismatches;
    const auto check = [&](const std::string& input, const std::string& expected) {
        std::string once = input;
        UpperCaseCp949(once);
        std::string twice = once;
        UpperCaseCp949(twice);
        if (once != expected || twice != once) {
            mismatches.push_back(Hex(input) + "-> " + Hex(once) + "then " + Hex(twice) +
                                 "glibc says " + Hex(expected));
        }
    };

    for (int b = 0x00; b <= 0xFF; ++b) {
        const std::string single(1, static_cast<char>(b));
        check(single, glibc.Upper(single));
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int next = 0x00; next <= 0xFF; ++next) {
            const std::string leadByte(1, static_cast<char>(lead));
            const std::string nextByte(1, static_cast<char>(next));
            // The 'a' after shows the walk goes on from the right byte.
            if (IsTrailByte(next)) {
                check(leadByte + nextByte + "a", glibc.Upper(leadByte + nextByte) + "A");
            } else {
                check(leadByte + nextByte + "a",
                      glibc.Upper(leadByte) + glibc.Upper(nextByte) + "A");
            }
        }
    }

    std::string first;
    for (std::size_t i = 0; i < mismatches.size() && i < 20; ++i) {
        first += "\n  " + mismatches[i];
    }
    EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " inputs differ, first:" << first;
}

}  // namespace
