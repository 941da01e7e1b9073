#include "flow_bench_levels.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string>

namespace {

constexpr std::string_view kLevelPrefix = "전송단위 ";
constexpr std::string_view kXoffEntry = "Xoff 수신";
constexpr std::string_view kXonEntry = "Xon 수신";

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

}  // namespace

std::vector<int> LoggedXoffLevels(std::string_view eventLog) {
    std::vector<int> levels;
    int level = 0;
    for (const std::string_view line : Lines(eventLog)) {
        if (line.starts_with(kLevelPrefix)) {
            const std::string_view digits = line.substr(kLevelPrefix.size());
            std::from_chars(digits.data(), digits.data() + digits.size(), level);
        } else if (line.find(kXoffEntry) != std::string_view::npos) {
            levels.push_back(level);
        }
    }
    return levels;
}

std::size_t LoggedXonCount(std::string_view eventLog) {
    std::size_t count = 0;
    for (const std::string_view line : Lines(eventLog)) {
        count += line.find(kXonEntry) != std::string_view::npos ? 1 : 0;
    }
    return count;
}

LevelSplit SplitByLevel(const std::vector<double>& perXoff, std::size_t xoffsRead,
                        const std::vector<int>& loggedLevels) {
    LevelSplit split;
    const std::size_t read = std::min(xoffsRead, perXoff.size());
    split.consistent = loggedLevels.size() <= read;
    const std::size_t logged = std::min(loggedLevels.size(), read);
    const std::size_t firstLogged = read - logged;

    std::map<int, std::vector<double>> byLevel;
    for (std::size_t i = 0; i < perXoff.size(); ++i) {
        const int level = i < firstLogged ? kUnloggedLevels
                          : i < read
                              ? loggedLevels[loggedLevels.size() - logged + (i - firstLogged)]
                              : kNotRead;
        byLevel[level].push_back(perXoff[i]);
    }
    const auto take = [&](int level) {
        if (const auto found = byLevel.find(level); found != byLevel.end()) {
            split.groups.push_back({level, std::move(found->second)});
            byLevel.erase(found);
        }
    };
    take(kUnloggedLevels);
    const auto unread = byLevel.extract(kNotRead);
    for (auto& [level, values] : byLevel) {
        split.groups.push_back({level, std::move(values)});
    }
    if (!unread.empty()) {
        split.groups.push_back({kNotRead, std::move(unread.mapped())});
    }
    return split;
}

int ChunkBytes(int level) {
    return level <= 10 ? 1 : level - 9;
}
