#pragma once

#include <string>
#include <string_view>
#include <vector>

// One ordered record of what the engine asked of the fakes (device, platform, file), so a
// test can check the order across all of them.
class CallLog {
  public:
    void Add(std::string call) { calls_.push_back(std::move(call)); }
    const std::vector<std::string>& All() const { return calls_; }
    // The calls whose text starts with one of the prefixes, in order.
    std::vector<std::string> Only(std::initializer_list<std::string_view> prefixes) const;
    void Clear() { calls_.clear(); }

  private:
    std::vector<std::string> calls_;
};
