#include "cp949_upper.h"

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

std::string Hex(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X ", static_cast<unsigned char>(c));
        text += byte;
    }
    return text;
}

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

struct UpperCase {
    const char* name;
    std::string text;
    std::string expected;

    friend void PrintTo(const UpperCase& c, std::ostream* os) { *os << c.name; }
};

const std::vector<UpperCase> kCases = {
    {"NcBlock", "g01 x10. y-2.5 f300;", "G01 X10. Y-2.5 F300;"},
    {"Empty", "", ""},
    // (가공 시작) m30
    {"HangulComment", "(\xB0\xA1\xB0\xF8 \xBD\xC3\xC0\xDB) m30",
     "(\xB0\xA1\xB0\xF8 \xBD\xC3\xC0\xDB) M30"},
    // 갵 걕 죂: their trail bytes are 'a', 'z' and 'a'.
    {"TrailBytesWithLetterValues",
     "\x81\x61\x81\x7A\xA1\x61"
     "a",
     "\x81\x61\x81\x7A\xA1\x61"
     "A"},
    // Pairs glibc maps to no character still travel as pairs.
    {"UnmappedPairs",
     "\xC6\x7A\xFE\x61"
     "a",
     "\xC6\x7A\xFE\x61"
     "A"},
    {"FullWidthLatin", "\xA3\xE1\xA3\xFA", "\xA3\xC1\xA3\xDA"},                   // ａｚ
    {"Greek", "\xA5\xE1\xA5\xF8", "\xA5\xC1\xA5\xD8"},                            // αω
    {"Cyrillic", "\xAC\xD1\xAC\xF1\xAC\xD7", "\xAC\xA1\xAC\xC1\xAC\xA7"},         // аяё
    {"SmallRomanNumerals", "\xA5\xA1\xA5\xAA", "\xA5\xB0\xA5\xB9"},               // ⅰⅹ
    {"Row9LatinToRow8", "\xA9\xA1\xA9\xA9\xA9\xAF", "\xA8\xA1\xA8\xA9\xA8\xAF"},  // æłŋ
    // ı đ ⓐ ⒜ ß ĸ ŉ: no capital, or none among the double-byte characters.
    {"CapitalOutsideTheCodePage", "\xA9\xA5\xA9\xA2\xA8\xCD\xA9\xCD\xA9\xAC\xA9\xA7\xA9\xB0",
     "\xA9\xA5\xA9\xA2\xA8\xCD\xA9\xCD\xA9\xAC\xA9\xA7\xA9\xB0"},
    {"LeadByteAtTheEnd", "x\xB0", "X\xB0"},
    {"LeadByteBeforeNonTrailBytes", "\xB0 a\xA3{x", "\xB0 A\xA3{X"},
    {"AlreadyUpperCase", "G01 X10. (\xB0\xA1) \xA3\xC1\xA5\xC1\xAC\xC1\xA5\xB0\xA8\xA1",
     "G01 X10. (\xB0\xA1) \xA3\xC1\xA5\xC1\xAC\xC1\xA5\xB0\xA8\xA1"},
};

class Cp949UpperTest : public testing::TestWithParam<UpperCase> {};

TEST_P(Cp949UpperTest, UpperCasesInPlace) {
    std::string text = GetParam().text;
    UpperCaseCp949(text);
    EXPECT_EQ(Hex(text), Hex(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Texts, Cp949UpperTest, testing::ValuesIn(kCases));

TEST(Cp949UpperTextTest, LeavesTheByteAfterTheLengthAlone) {
    // Read past the end, 0xA3 0xE1 would be ａ and become Ａ.
    char text[] = {'x', '\xA3', '\xE1'};
    UpperCaseCp949(text, 2);
    EXPECT_EQ(Hex(std::string(text, 3)), Hex("X\xA3\xE1"));
}

TEST(Cp949UpperTextTest, ConvertingAgainChangesNothing) {
    std::string mixed;
    for (const UpperCase& c : kCases) {
        mixed += c.text;
    }
    UpperCaseCp949(mixed);
    const std::string once = mixed;
    UpperCaseCp949(mixed);
    EXPECT_EQ(Hex(mixed), Hex(once));
}

}  // namespace
