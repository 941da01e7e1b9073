// A target's own input length limit, in force unless the command line gives one: libFuzzer
// reads its flags after LLVMFuzzerInitialize, which may add to them.
#pragma once

#include <cstring>
#include <string>
#include <vector>

inline void UseDefaultMaxLen(int* argc, char*** argv, int maxLen) {
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp((*argv)[i], "-max_len=", 9) == 0) {
            return;
        }
    }
    static std::string flag;
    static std::vector<char*> args;
    flag = "-max_len=" + std::to_string(maxLen);
    args.assign(*argv, *argv + *argc);
    // Flags go before the corpus folders, which libFuzzer takes as they come.
    args.insert(args.begin() + 1, flag.data());
    args.push_back(nullptr);
    *argv = args.data();
    *argc += 1;
}
