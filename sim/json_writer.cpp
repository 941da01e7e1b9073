#include "json_writer.h"

#include <charconv>

namespace cnc_sim {

namespace {

std::string DecimalText(double value, int maxDecimals) {
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, maxDecimals);
    std::string text(buffer, ec == std::errc() ? end : buffer);
    if (text.find('.') != text.npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

}  // namespace

JsonWriter::JsonWriter() : text_("{"), hasMembers_{false} {}

JsonWriter& JsonWriter::Number(std::string_view key, std::uint64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Decimal(std::string_view key, double value, int maxDecimals) {
    Key(key);
    text_ += DecimalText(value, maxDecimals);
    return *this;
}

JsonWriter& JsonWriter::Bool(std::string_view key, bool value) {
    Key(key);
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Numbers(std::string_view key, const std::vector<std::uint64_t>& values) {
    Key(key);
    text_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        text_ += (i == 0 ? "" : ", ") + std::to_string(values[i]);
    }
    text_ += ']';
    return *this;
}

JsonWriter& JsonWriter::BeginObject(std::string_view key) {
    Key(key);
    text_ += '{';
    hasMembers_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    const bool hadMembers = hasMembers_.back();
    hasMembers_.pop_back();
    if (hadMembers) {
        Indent();
    }
    text_ += '}';
    return *this;
}

std::string JsonWriter::Finish() {
    while (!hasMembers_.empty()) {
        EndObject();
    }
    return text_ + '\n';
}

void JsonWriter::Key(std::string_view key) {
    if (hasMembers_.back()) {
        text_ += ',';
    }
    hasMembers_.back() = true;
    Indent();
    text_ += '"';
    text_ += key;
    text_ += "\": ";
}

void JsonWriter::Indent() {
    text_ += '\n';
    text_.append(2 * hasMembers_.size(), ' ');
}

}  // namespace cnc_sim
