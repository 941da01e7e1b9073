// Which transfer-unit level each XOFF of the simulator met. The simulator counts bytes per
// XOFF but knows nothing of levels; the tool's event log names the level of every XOFF it
// read above level 10. Levels only rise, so the logged XOFFs are the last ones the tool read.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The level of each "Xoff 수신" entry in the tool's event log, in order.
std::vector<int> LoggedXoffLevels(std::string_view eventLog);
// How many "Xon 수신" entries the event log holds.
std::size_t LoggedXonCount(std::string_view eventLog);

inline constexpr int kUnloggedLevels = 10;  // the group of XOFFs at levels up to 10
inline constexpr int kNotRead = -1;         // XOFFs sent after the tool's last look

struct LevelGroup {
    int level = 0;  // a level above 10, kUnloggedLevels or kNotRead
    std::vector<double> afterXoff;
};

struct LevelSplit {
    std::vector<LevelGroup> groups;  // <=10 first, then rising levels, then the unread
    // False when the log names more XOFFs than the tool read, so no matching is possible.
    bool consistent = true;
};

// perXoff: the simulator's bytes after each XOFF; xoffsRead: how many of them reached the
// tool (its XON count: it leaves no hold without an XON, and ends only between chunks).
LevelSplit SplitByLevel(const std::vector<double>& perXoff, std::size_t xoffsRead,
                        const std::vector<int>& loggedLevels);

// Bytes per chunk at a level: one up to level 10, level - 9 above it.
int ChunkBytes(int level);
