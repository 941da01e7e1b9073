#include "ini_text.h"

namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// One line of the text as the reader sees it. Offsets count from the start of the text.
struct IniLine {
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    std::string_view section;  // the section the line is in (its own name for a header)
    std::string_view key;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
    std::size_t end = 0;  // just past the line's last byte, its line feed included
    bool endsInNewline = false;
};

// The value of a key line: from the first byte after the '=' and its blanks up to an
// end-of-line comment, trailing blanks left out.
std::pair<std::size_t, std::size_t> ValueSpan(std::string_view line, std::size_t equals) {
    std::size_t comment = line.size();
    for (std::size_t i = equals + 1; i < line.size(); ++i) {
        if ((line[i] == ';' || line[i] == '#') && (line[i - 1] == ' ' || line[i - 1] == '\t')) {
            comment = i;
            break;
        }
    }
    const std::string_view before = line.substr(0, comment);
    const std::size_t begin = before.find_first_not_of(kBlanks, equals + 1);
    if (begin == std::string_view::npos) {
        // No value: a new one goes right after the '='.
        return {equals + 1, equals + 1};
    }
    return {begin, before.find_last_not_of(kBlanks) + 1};
}

template <typename Visit>
void ForEachIniLine(std::string_view text, Visit visit) {
    std::string_view current = "General";
    std::size_t start = 0;
    while (start < text.size()) {
        const auto newline = text.find('\n', start);
        IniLine info;
        info.endsInNewline = newline != std::string_view::npos;
        info.end = info.endsInNewline ? newline + 1 : text.size();
        const std::string_view raw =
            text.substr(start, (info.endsInNewline ? newline : text.size()) - start);
        const std::string_view line = Trim(raw);
        if (!line.empty() && line.front() == '[') {
            const auto close = line.find(']');
            current = close == std::string_view::npos ? std::string_view{}
                                                      : Trim(line.substr(1, close - 1));
            info.kind = IniLine::Kind::Section;
        } else if (!line.empty() && line.front() != ';' && line.front() != '#') {
            const auto equals = raw.find('=');
            if (equals != std::string_view::npos) {
                info.kind = IniLine::Kind::Key;
                info.key = Trim(raw.substr(0, equals));
                const auto [begin, end] = ValueSpan(raw, equals);
                info.valueBegin = start + begin;
                info.valueEnd = start + end;
            }
        }
        info.section = current;
        visit(info);
        start = info.end;
    }
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    std::optional<std::string> found;
    ForEachIniLine(text, [&](const IniLine& line) {
        if (line.kind == IniLine::Kind::Key && EqualsIgnoringAsciiCase(line.section, section) &&
            EqualsIgnoringAsciiCase(line.key, key)) {
            found = std::string(text.substr(line.valueBegin, line.valueEnd - line.valueBegin));
        }
    });
    return found;
}

std::string SetIniValues(std::string_view text, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values) {
    const auto firstEnd = text.find('\n');
    const std::string_view newline =
        firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r' ? "\r\n"
                                                                                         : "\n";
    std::vector<bool> present(values.size(), false);
    struct Replacement {
        std::size_t begin, end;
        std::string_view value;
    };
    std::vector<Replacement> replacements;
    std::optional<std::size_t> insertAt;  // where missing keys go
    bool insertAfterUnendedLine = false;
    ForEachIniLine(text, [&](const IniLine& line) {
        if (!EqualsIgnoringAsciiCase(line.section, section)) {
            return;
        }
        if (line.kind == IniLine::Kind::Section && !insertAt) {
            insertAt = line.end;
            insertAfterUnendedLine = !line.endsInNewline;
        }
        if (line.kind != IniLine::Kind::Key) {
            return;
        }
        insertAt = line.end;
        insertAfterUnendedLine = !line.endsInNewline;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (EqualsIgnoringAsciiCase(line.key, values[i].first)) {
                present[i] = true;
                replacements.push_back({line.valueBegin, line.valueEnd, values[i].second});
            }
        }
    });

    std::string added;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!present[i]) {
            added.append(values[i].first).append("=").append(values[i].second).append(newline);
        }
    }
    if (!added.empty() && !insertAt) {
        // A section of its own: first in the file for General, since keys above every
        // header belong to it; last for any other.
        const std::string header = "[" + std::string(section) + "]" + std::string(newline);
        if (EqualsIgnoringAsciiCase(section, "General")) {
            added = header + added + (text.empty() ? "" : std::string(newline));
            insertAt = 0;
        } else {
            const bool unended = !text.empty() && text.back() != '\n';
            added = (unended ? std::string(newline) : "") +
                    (text.empty() ? "" : std::string(newline)) + header + added;
            insertAt = text.size();
        }
    } else if (!added.empty() && insertAfterUnendedLine) {
        added.insert(0, newline);
    }

    std::string out;
    out.reserve(text.size() + added.size() + 64);
    std::size_t at = 0;
    auto copyUpTo = [&](std::size_t position) {
        out.append(text.substr(at, position - at));
        at = position;
    };
    // Every replaced value lies in a key line of the section and the added keys go after its
    // last one, so they come after the last value, also one that is empty and ends the text.
    for (const Replacement& r : replacements) {
        copyUpTo(r.begin);
        out.append(r.value);
        at = r.end;
    }
    if (!added.empty()) {
        copyUpTo(*insertAt);
        out += added;
    }
    copyUpTo(text.size());
    return out;
}
