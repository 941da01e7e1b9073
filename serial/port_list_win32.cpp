#include "port_list.h"

// Windows names its own ports: the numbers are all there is to show.
std::vector<std::string> ComPortListTexts(int last) {
    std::vector<std::string> texts;
    for (int number = 1; number <= last; ++number) {
        texts.push_back("Com" + std::to_string(number));
    }
    return texts;
}
