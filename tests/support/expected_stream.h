// What the machine must receive from one test of a file, worked out independently of the
// engine from the rules the operator relies on: complete lines upper-cased, NULs as
// blanks, CR LF added to an unterminated last line, batches of more than 200 bytes handed
// over, the level stepped per hand-over, and nothing of an unsent batch, nothing after an
// over-long line, nothing after the line that takes the level past 60.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ExpectedStream {
    std::string bytes;
    enum class End { EndOfFile, LevelPassed, LongLine } end;
    int finalLevel;
    // After each hand-over: the bytes handed over so far and the level they brought. A test
    // that ends early has handed over exactly one of these (or nothing, at level 5).
    struct HandOver {
        std::size_t end;
        int level;
    };
    std::vector<HandOver> handOvers;
};

// A test from the window starts at level 5; a fuzz run may start anywhere to reach the
// chunk sizes and the end of the higher levels with a short file.
ExpectedStream ExpectedStreamFor(const std::string& file, int startLevel = 5);
