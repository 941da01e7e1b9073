#include "chart_svg.h"

#include <cstdio>

namespace {

std::string Color(ChartColor c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

const char* Anchor(TextAnchor anchor) {
    switch (anchor) {
        case TextAnchor::Middle:
            return "middle";
        case TextAnchor::End:
            return "end";
        case TextAnchor::Start:
            break;
    }
    return "start";
}

}  // namespace

std::string XmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string ChartSvg(const ChartScene& scene) {
    std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(scene.width) + "\" height=\"" +
        Num(scene.height) + "\" viewBox=\"0 0 " + Num(scene.width) + " " + Num(scene.height) +
        "\" font-family=\"'Malgun Gothic','Noto Sans CJK KR','NanumGothic',sans-serif\">\n";
    for (const SceneRect& rect : scene.rects) {
        svg += "<rect" + std::string(rect.band ? " class=\"hold\"" : "") + " x=\"" + Num(rect.x) +
               "\" y=\"" + Num(rect.y) + "\" width=\"" + Num(rect.width) + "\" height=\"" +
               Num(rect.height) + "\" fill=\"" + Color(rect.fill) + "\"";
        if (rect.opacity < 1) {
            svg += " fill-opacity=\"" + Num(rect.opacity) + "\"";
        }
        svg += "/>\n";
    }
    for (const SceneLine& line : scene.lines) {
        svg += "<polyline fill=\"none\" stroke=\"" + Color(line.color) + "\" stroke-width=\"" +
               Num(line.width) + "\"";
        if (line.dashed) {
            svg += " stroke-dasharray=\"5,4\"";
        }
        svg += " points=\"";
        for (std::size_t i = 0; i < line.points.size(); ++i) {
            svg += (i > 0 ? " " : "") + Num(line.points[i].x) + "," + Num(line.points[i].y);
        }
        svg += "\"/>\n";
    }
    for (const SceneText& text : scene.texts) {
        svg += "<text x=\"" + Num(text.x) + "\" y=\"" + Num(text.y) +
               "\" dominant-baseline=\"central\" text-anchor=\"" + Anchor(text.anchor) +
               "\" font-size=\"" + Num(text.size) + "\" fill=\"" + Color(text.color) + "\">" +
               XmlEscaped(text.text) + "</text>\n";
    }
    return svg + "</svg>\n";
}
