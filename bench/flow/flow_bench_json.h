// Just enough of a JSON reader for the two reports the flow benchmark collects: the
// simulator's and the console runner's.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class JsonValue {
  public:
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

    Kind kind = Kind::kNull;
    bool boolean = false;
    double number = 0;
    std::string text;
    // Array elements, or the values of an object's members in the order of keys.
    std::vector<JsonValue> items;
    std::vector<std::string> keys;

    // A null value when the member is missing, so lookups can be chained.
    const JsonValue& operator[](std::string_view key) const;
    double NumberOr(double fallback) const { return kind == Kind::kNumber ? number : fallback; }
    std::vector<double> Numbers() const;
};

// Nothing when the text is not one well-formed JSON value.
std::optional<JsonValue> ParseJson(std::string_view text);

// Reads and parses a whole file; throws std::runtime_error when it cannot.
JsonValue ReadJsonFile(const std::string& path);
