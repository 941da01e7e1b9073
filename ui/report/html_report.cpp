#include "html_report.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "chart_scene.h"
#include "chart_svg.h"
#include "result_text.h"
#include "run_chart.h"
#include "run_result.h"
#include "utf8_path.h"

namespace {

// Nothing may be fetched: a report sent to a machine builder opens behind any firewall.
constexpr const char* kHead =
    "<!DOCTYPE html>\n<html lang=\"ko\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
    "style-src 'unsafe-inline'\">\n"
    "<title>Strandex 사전 테스트 결과</title>\n<style>\n"
    "body{font-family:'Malgun Gothic','Noto Sans CJK KR','NanumGothic',sans-serif;"
    "margin:24px;color:#202020;max-width:960px}\n"
    "h1{font-size:20px}h2{font-size:16px;margin-top:24px}\n"
    ".headline{font-size:17px;font-weight:bold;color:#1f4ea8}\n"
    "table{border-collapse:collapse}th,td{border:1px solid #bbb;padding:3px 8px}"
    "td{text-align:right}th{background:#eef}\n"
    "pre{background:#f6f6f6;padding:8px;border:1px solid #ddd}\n"
    "dl{display:grid;grid-template-columns:max-content auto;gap:2px 16px}dd{margin:0}\n"
    "</style>\n</head>\n<body>\n";

std::string Escaped(const std::string& text) {
    return XmlEscaped(text);
}

std::string WithoutCarriageReturns(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != '\r') {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string SettingsText(const PortSettings& s) {
    const char* parity = s.nParity == 0 ? "none" : s.nParity == 1 ? "odd" : "even";
    return "COM" + std::to_string(s.nComID) + ", " + std::to_string(s.nBaudRate) + " baud, " +
           std::to_string(s.nDataBits) + " data bits, " + parity + " parity, " +
           std::to_string(s.nStopBits) + " stop bits, 시작 신호 대기 " +
           (s.bSendSignalWait != 0 ? "예" : "아니오");
}

std::string HtmlReport(const ReportInputs& inputs) {
    const RunResult result = ComputeRunResult(inputs.record);
    const std::vector<std::string> headline = HeadlineLines(result);
    std::string html = kHead;
    html += "<h1>Strandex 사전 테스트 결과</h1>\n";
    html += "<p class=\"headline\">" + Escaped(headline[0]) + "</p>\n";
    for (std::size_t i = 1; i < headline.size(); ++i) {
        html += "<p>" + Escaped(headline[i]) + "</p>\n";
    }

    html += "<h2>전송단위별 결과</h2>\n<table>\n<tr>";
    const TextTable table = LevelTable(result);
    for (const std::string& cell : table.header) {
        html += "<th>" + Escaped(cell) + "</th>";
    }
    html += "</tr>\n";
    for (const auto& row : table.rows) {
        html += "<tr>";
        for (const std::string& cell : row) {
            html += "<td>" + Escaped(cell) + "</td>";
        }
        html += "</tr>\n";
    }
    html += "</table>\n";

    html += "<h2>전송 그래프</h2>\n";
    html += ChartSvg(LayOutChart(BuildRunChart(inputs.record, result), 900, 380, 13));

    html += "<h2>테스트 조건</h2>\n<dl>\n";
    html += "<dt>프로그램</dt><dd>" + Escaped(inputs.programPath) + "</dd>\n";
    html += "<dt>크기</dt><dd>" + std::to_string(inputs.programSize) + " 바이트</dd>\n";
    html += "<dt>포트 설정</dt><dd>" + Escaped(SettingsText(inputs.settings)) + "</dd>\n";
    if (!inputs.startedAt.empty()) {
        html += "<dt>시작</dt><dd>" + Escaped(inputs.startedAt) + "</dd>\n";
    }
    if (!inputs.endedAt.empty()) {
        html += "<dt>끝</dt><dd>" + Escaped(inputs.endedAt) + "</dd>\n";
    }
    html += "</dl>\n";

    html += "<h2>기계 이벤트 기록</h2>\n<pre>" + Escaped(WithoutCarriageReturns(inputs.eventLog)) +
            "</pre>\n";
    html += "</body>\n</html>\n";
    return html;
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream file(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    if (file) {
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
    }
    if (!file) {
        error = std::string(std::strerror(errno));
        return false;
    }
    return true;
}
