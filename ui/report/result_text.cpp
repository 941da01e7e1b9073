#include "result_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "transfer_state.h"

namespace {

std::string Number(std::int64_t value) {
    return std::to_string(value);
}

std::string Rate(double bytesPerSecond) {
    return std::to_string(static_cast<std::int64_t>(std::llround(bytesPerSecond)));
}

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

bool LooksNumeric(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789.,-%") == std::string::npos;
}

}  // namespace

std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t c = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            length = 4;
            c = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = 3;
            c = lead & 0x0Fu;
        } else if (lead >= 0xC0) {
            length = 2;
            c = lead & 0x1Fu;
        }
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        }
        width += IsWide(c) ? 2 : 1;
        i += length;
    }
    return width;
}

std::string SecondsText(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ms) / 1000.0);
    return text;
}

std::string EndReasonText(std::int32_t endReason) {
    switch (static_cast<TransferEnd>(endReason)) {
        case TransferEnd::EndOfFile:
            return "파일 끝까지 전송";
        case TransferEnd::LevelPassed:
            return "전송단위 60 넘김";
        case TransferEnd::Stopped:
            return "중단됨";
        case TransferEnd::LongLine:
            return "DATA 블록의 문자수 초과";
        case TransferEnd::PortNotOpened:
            return "포트를 열 수 없음";
        case TransferEnd::FileNotOpened:
            return "파일을 끝까지 읽을 수 없음";
        case TransferEnd::PortLost:
            return "포트 연결 끊김";
        case TransferEnd::None:
            break;
    }
    return "진행 중";
}

std::vector<std::string> HeadlineLines(const RunResult& result) {
    std::vector<std::string> lines;
    if (result.firstXoffLevel) {
        lines.push_back("전송단위 " + Number(*result.firstXoffLevel) +
                        "부터 기계가 XOFF로 전송을 멈춥니다");
    } else {
        lines.push_back("XOFF 없음: 전송단위 " + Number(result.highestLevel) +
                        "까지 기계가 한 번도 멈추지 않았습니다");
    }
    char share[32];
    std::snprintf(share, sizeof share, "%.1f%%", result.heldShare * 100.0);
    lines.push_back("멈춤 " + SecondsText(result.heldMs) + "초 / 전체 " +
                    SecondsText(result.durationMs) + "초 (" + share + "), XOFF " +
                    Number(result.xoffCount) + "회, 보낸 바이트 " + Number(result.writtenBytes));
    lines.push_back("종료: " +
                    (result.ended ? EndReasonText(result.endReason) : std::string("진행 중")));
    return lines;
}

TextTable LevelTable(const RunResult& result) {
    TextTable table;
    table.header = {"전송단위", "바이트",   "시간(초)",     "바이트/초",
                    "XOFF",     "멈춤(초)", "최장 멈춤(초)"};
    for (const LevelResult& level : result.levels) {
        table.rows.push_back({Number(level.level), Number(level.bytes),
                              SecondsText(level.DurationMs()), Rate(level.bytesPerSecond),
                              Number(level.xoffCount), SecondsText(level.heldMs),
                              SecondsText(level.longestHoldMs)});
    }
    return table;
}

std::string FormatTextTable(const TextTable& table) {
    std::vector<std::size_t> widths(table.header.size(), 0);
    auto widen = [&](const std::vector<std::string>& row) {
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) {
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
        }
    };
    widen(table.header);
    for (const auto& row : table.rows) {
        widen(row);
    }
    auto line = [&](const std::vector<std::string>& row, bool header) {
        std::string out;
        for (std::size_t i = 0; i < widths.size(); ++i) {
            const std::string cell = i < row.size() ? row[i] : std::string();
            const std::string pad(widths[i] - DisplayWidth(cell), ' ');
            if (i > 0) {
                out += "  ";
            }
            // Headers line up with their numbers: right where the column holds numbers.
            const bool right = header ? true : LooksNumeric(cell);
            out += right ? pad + cell : cell + pad;
        }
        while (!out.empty() && out.back() == ' ') {
            out.pop_back();
        }
        return out + "\n";
    };
    std::string text = line(table.header, true);
    std::size_t total = 0;
    for (const std::size_t w : widths) {
        total += w;
    }
    text += std::string(total + 2 * (widths.empty() ? 0 : widths.size() - 1), '-') + "\n";
    for (const auto& row : table.rows) {
        text += line(row, false);
    }
    return text;
}
