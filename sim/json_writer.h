// Just enough JSON for the report: nested objects of whole numbers, decimals, booleans and
// lists of whole numbers. Keys are plain ASCII, so nothing ever needs escaping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cnc_sim {

class JsonWriter {
  public:
    JsonWriter();

    JsonWriter& Number(std::string_view key, std::uint64_t value);
    // Rounded to maxDecimals, without trailing zeros.
    JsonWriter& Decimal(std::string_view key, double value, int maxDecimals);
    JsonWriter& Bool(std::string_view key, bool value);
    JsonWriter& Numbers(std::string_view key, const std::vector<std::uint64_t>& values);
    JsonWriter& BeginObject(std::string_view key);
    JsonWriter& EndObject();

    // The text, with the outermost object closed and a final newline.
    std::string Finish();

  private:
    void Key(std::string_view key);
    void Indent();

    std::string text_;
    // Per open object: whether it has a member yet.
    std::vector<bool> hasMembers_;
};

}  // namespace cnc_sim
