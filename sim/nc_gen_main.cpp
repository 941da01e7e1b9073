// nc-gen: writes a realistic NC program for trying the tool without a real part program.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "nc_program.h"

namespace {

const char* const kUsage =
    "usage: nc-gen [--size BYTES] [--seed N] OUTPUT\n"
    "Writes an NC program of at least BYTES bytes (default 250000) to OUTPUT.\n";

bool ParseNumber(const char* text, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return *text != '\0' && *end == '\0' && *text != '-';
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long size = 250000;
    unsigned long seed = 1;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--size" || arg == "--seed") && i + 1 < argc) {
            if (!ParseNumber(argv[++i], arg == "--size" ? size : seed)) {
                std::fprintf(stderr, "nc-gen: %s takes a number\n%s", arg.c_str(), kUsage);
                return 2;
            }
        } else if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg.starts_with("-") || !output.empty()) {
            std::fprintf(stderr, "nc-gen: unexpected %s\n%s", arg.c_str(), kUsage);
            return 2;
        } else {
            output = arg;
        }
    }
    if (output.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string program = GenerateNcProgram(size, static_cast<unsigned>(seed));
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(program.data(), static_cast<std::streamsize>(program.size()));
    if (!out) {
        std::fprintf(stderr, "nc-gen: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
