#include "call_log.h"

std::vector<std::string> CallLog::Only(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> picked;
    for (const auto& call : calls_) {
        for (std::string_view prefix : prefixes) {
            if (std::string_view(call).starts_with(prefix)) {
                picked.push_back(call);
                break;
            }
        }
    }
    return picked;
}
