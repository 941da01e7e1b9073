#include "nc_program.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

// Comments as a Korean shop writes them, in code page 949. Two of the syllables (0x8C63,
// 0xC164) have trail bytes with the values of lower-case letters.
const char* const kComments[] = {
    "(\xC8\xB2\xBB\xE8\x20\xB0\xA1\xB0\xF8)",          // 황삭 가공
    "(\xC1\xA4\xBB\xE8\x20\xB0\xA1\xB0\xF8)",          // 정삭 가공
    "(\xB0\xF8\xB1\xB8\x20\xB1\xB3\xC8\xAF)",          // 공구 교환
    "(\xB5\xE5\xB8\xB1\x20\xB0\xA1\xB0\xF8)",          // 드릴 가공
    "(\xBF\xF8\xC1\xA1\x20\xBA\xB9\xB1\xCD)",          // 원점 복귀
    "(\xC1\xD6\xC3\xE0\x20\xC1\xA4\xC1\xF6)",          // 주축 정지
    "(\xC0\xFD\xBB\xE8\xC0\xAF\x20\xC4\xD1\xB1\xE2)",  // 절삭유 켜기
    "(\xC5\xC7\x20\xB0\xA1\xB0\xF8)",                  // 탭 가공
    "(\xB0\xCB\xBB\xE7\xC0\xDA: \x8C\x63\xC1\x64)",    // 검사자: 똠햏
    "(\xB1\xDE\xBC\xD3\x20\xC0\xCC\xBC\xDB)",          // 급속 이송
};
constexpr std::size_t kCommentCount = sizeof kComments / sizeof kComments[0];

class ProgramWriter {
  public:
    explicit ProgramWriter(unsigned seed) : random_(seed) {}

    std::string Take() { return std::move(text_); }
    std::size_t size() const { return text_.size(); }

    // Blocks of lines alternate between LF and CR LF ends, as programs edited on different
    // machines do; some blocks are written in lower case.
    void Block() {
        crlf_ = Pick(2) == 0;
        lower_ = Pick(4) == 0;
        const int kind = Pick(4);
        if (kind == 0) {
            ToolChange();
        } else if (kind == 1) {
            Drilling();
        } else {
            Contour();
        }
    }

    void Header() {
        Line("%");
        Line("O" + std::to_string(1000 + Pick(8000)) + " " +
             "(\xC0\xDB\xBE\xF7\x20\xBD\xC3\xC0\xDB)");  // 작업 시작
        Numbered("G90 G54 G17 G40 G49 G80 " +
                 std::string("(\xC1\xC2\xC7\xA5\xB0\xE8\x20\xBC\xB3\xC1\xA4)"));  // 좌표계 설정
    }

    void Footer() {
        crlf_ = false;
        lower_ = false;
        Numbered("G91 G28 Z0. M05");
        Numbered("M30");
        Line("%");
    }

  private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string Coordinate(char axis, int range) {
        char text[32];
        std::snprintf(
            text, sizeof text, "%c%.3f", axis,
            std::uniform_int_distribution<int>(-range * 1000, range * 1000)(random_) / 1000.0);
        return text;
    }

    void Line(std::string line) {
        if (lower_) {
            // Only the words: a comment's double-byte characters may hold letter-valued bytes.
            const std::size_t words = std::min(line.find('('), line.size());
            for (std::size_t i = 0; i < words; ++i) {
                if (line[i] >= 'A' && line[i] <= 'Z') {
                    line[i] = static_cast<char>(line[i] - 'A' + 'a');
                }
            }
        }
        text_ += line;
        text_ += crlf_ ? "\r\n" : "\n";
    }

    void Numbered(const std::string& words) {
        sequence_ += 10;
        Line("N" + std::to_string(sequence_) + " " + words);
    }

    std::string Comment() { return kComments[static_cast<std::size_t>(Pick(kCommentCount))]; }

    void ToolChange() {
        const int tool = 1 + Pick(24);
        Numbered("M05 M09");
        Numbered("T" + std::to_string(tool) + " M06 " + Comment());
        Numbered("G43 H" + std::to_string(tool) + " Z50. S" + std::to_string(800 + 100 * Pick(30)) +
                 " M03");
        Numbered("M08");
    }

    void Drilling() {
        Numbered("G00 " + Coordinate('X', 200) + " " + Coordinate('Y', 150) + " " + Comment());
        Numbered("G81 G98 " + Coordinate('Z', 30) + " R2. F" + std::to_string(60 + Pick(200)));
        for (int hole = Pick(12); hole >= 0; --hole) {
            Numbered(Coordinate('X', 200) + " " + Coordinate('Y', 150));
        }
        Numbered("G80");
    }

    void Contour() {
        Numbered("G00 " + Coordinate('X', 250) + " " + Coordinate('Y', 180) + " Z5.");
        Numbered("G01 " + Coordinate('Z', 20) + " F" + std::to_string(100 + Pick(400)));
        for (int move = 4 + Pick(30); move > 0; --move) {
            const int kind = Pick(5);
            if (kind == 0) {
                Numbered("G02 " + Coordinate('X', 250) + " " + Coordinate('Y', 180) + " " +
                         Coordinate('R', 60));
            } else if (kind == 1) {
                Numbered("G03 " + Coordinate('X', 250) + " " + Coordinate('Y', 180) + " " +
                         Coordinate('I', 40) + " " + Coordinate('J', 40));
            } else {
                Numbered("G01 " + Coordinate('X', 250) + " " + Coordinate('Y', 180));
            }
        }
        Numbered("G00 Z50. " + Comment());
    }

    std::mt19937 random_;
    std::string text_;
    int sequence_ = 0;
    bool crlf_ = false;
    bool lower_ = false;
};

}  // namespace

std::string GenerateNcProgram(std::size_t minBytes, unsigned seed) {
    ProgramWriter writer(seed);
    writer.Header();
    while (writer.size() < minBytes) {
        writer.Block();
    }
    writer.Footer();
    return writer.Take();
}
