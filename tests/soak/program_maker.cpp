#include "program_maker.h"

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "nc_program.h"

namespace soak {

namespace {

constexpr std::size_t kSmallestProgram = 200'000;
constexpr std::size_t kLongestLine = 250;  // bytes before the line feed, a CR counted

class Reshaper {
  public:
    Reshaper(const ProgramPlan& plan) : plan_(plan), random_(plan.generatorSeed * 7919ULL + 1) {}

    std::string Make() {
        // Room for the CRs an LF-only program loses.
        std::string text =
            GenerateNcProgram(std::max(plan_.minBytes, kSmallestProgram) + kSmallestProgram / 10,
                              plan_.generatorSeed);
        SetLineEnds(text);
        InsertLines(text);
        PutNuls(text);
        if (plan_.lastLineUnterminated) {
            text.pop_back();
            if (text.back() == '\r') {
                text.pop_back();
            }
        }
        return text;
    }

  private:
    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

    void SetLineEnds(std::string& text) const {
        if (plan_.lineEnds == LineEnds::kMixed) {
            return;
        }
        std::string out;
        out.reserve(text.size() + text.size() / 20);
        for (const char c : text) {
            if (c == '\r') {
                continue;  // every CR of the generator's comes before a line feed
            }
            if (c == '\n' && plan_.lineEnds == LineEnds::kCrLf) {
                out += '\r';
            }
            out += c;
        }
        text = std::move(out);
    }

    std::string LineEnd() {
        switch (plan_.lineEnds) {
            case LineEnds::kLf:
                return "\n";
            case LineEnds::kCrLf:
                return "\r\n";
            case LineEnds::kMixed:
                break;
        }
        return Below(2) == 0 ? "\n" : "\r\n";
    }

    // A block with a comment padded so that exactly beforeLf bytes precede the line feed.
    std::string LineOfLength(std::size_t beforeLf) {
        const std::string end = LineEnd();
        static const char kFill[] = "abcdefghijklmnopqrstuvwxyz0123456789 .-";
        std::string line = "n9990 g01 x1.5 y-2.25 (";
        const std::size_t body = beforeLf - (end.size() - 1) - 1;  // the CR, the ")"
        while (line.size() < body) {
            line += kFill[Below(sizeof kFill - 1)];
        }
        return line + ")" + end;
    }

    // Code page 949 pairs: KS X 1001 Hangul, and the extension whose trail bytes take the
    // values of ASCII letters, which no upper case may touch.
    std::string HangulComment() {
        std::string line = "(";
        for (std::size_t n = 1 + Below(40); n > 0; --n) {
            if (Below(2) == 0) {
                line += static_cast<char>(0xB0 + Below(0xC8 - 0xB0 + 1));
                line += static_cast<char>(0xA1 + Below(0xFE - 0xA1 + 1));
            } else {
                line += static_cast<char>(0x81 + Below(0xA0 - 0x81 + 1));
                const std::size_t trail = Below(26 + 26 + 126);
                line += static_cast<char>(trail < 26   ? 'A' + trail
                                          : trail < 52 ? 'a' + (trail - 26)
                                                       : 0x81 + (trail - 52));
            }
        }
        return line + ")" + LineEnd();
    }

    void InsertLines(std::string& text) {
        std::vector<std::size_t> starts;
        for (std::size_t i = 0; i < std::min(text.size(), kReshapedPart); ++i) {
            if (text[i] == '\n') {
                starts.push_back(i + 1);
            }
        }
        std::vector<std::pair<std::size_t, std::string>> inserts;
        for (std::size_t i = 0; i < plan_.fullLines; ++i) {
            inserts.emplace_back(starts[Below(starts.size())],
                                 LineOfLength(kLongestLine - Below(2)));
        }
        for (std::size_t i = 0; i < plan_.hangulComments; ++i) {
            inserts.emplace_back(starts[Below(starts.size())], HangulComment());
        }
        if (plan_.overLongNear) {
            const auto at = std::ranges::lower_bound(starts, *plan_.overLongNear);
            inserts.emplace_back(at == starts.end() ? starts.back() : *at,
                                 LineOfLength(kLongestLine + 1));
        }
        // From the last place to the first, so the places drawn stay where they were.
        std::ranges::stable_sort(inserts, std::ranges::greater{},
                                 &std::pair<std::size_t, std::string>::first);
        for (const auto& [at, line] : inserts) {
            text.insert(at, line);
        }
    }

    void PutNuls(std::string& text) {
        const std::size_t within = std::min(text.size(), kReshapedPart);
        for (std::size_t placed = 0; placed < plan_.nuls;) {
            const std::size_t at = Below(within);
            if (text[at] != '\n' && text[at] != '\0') {
                text[at] = '\0';
                ++placed;
            }
        }
    }

    const ProgramPlan& plan_;
    std::mt19937_64 random_;
};

}  // namespace

std::string MakeProgram(const ProgramPlan& plan) {
    return Reshaper(plan).Make();
}

}  // namespace soak
