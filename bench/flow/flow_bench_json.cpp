#include "flow_bench_json.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document() {
        JsonValue value;
        if (!Value(value, 0)) {
            return std::nullopt;
        }
        SkipSpace();
        if (at_ != text_.size()) {
            return std::nullopt;
        }
        return value;
    }

  private:
    // Far deeper than any report nests; only guards the stack against a broken file.
    static constexpr int kMaxDepth = 64;

    void SkipSpace() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0) {
            ++at_;
        }
    }

    bool Take(char c) {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool Word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    bool Value(JsonValue& out, int depth) {
        if (depth > kMaxDepth) {
            return false;
        }
        SkipSpace();
        if (at_ >= text_.size()) {
            return false;
        }
        switch (text_[at_]) {
            case '{':
                return Object(out, depth);
            case '[':
                return Array(out, depth);
            case '"':
                out.kind = JsonValue::Kind::kString;
                return String(out.text);
            case 't':
                out.kind = JsonValue::Kind::kBool;
                out.boolean = true;
                return Word("true");
            case 'f':
                out.kind = JsonValue::Kind::kBool;
                return Word("false");
            case 'n':
                return Word("null");
            default:
                return Number(out);
        }
    }

    bool Object(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::kObject;
        ++at_;
        if (Take('}')) {
            return true;
        }
        do {
            SkipSpace();
            std::string key;
            if (at_ >= text_.size() || text_[at_] != '"' || !String(key) || !Take(':')) {
                return false;
            }
            JsonValue member;
            if (!Value(member, depth + 1)) {
                return false;
            }
            out.keys.push_back(std::move(key));
            out.items.push_back(std::move(member));
        } while (Take(','));
        return Take('}');
    }

    bool Array(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::kArray;
        ++at_;
        if (Take(']')) {
            return true;
        }
        do {
            JsonValue item;
            if (!Value(item, depth + 1)) {
                return false;
            }
            out.items.push_back(std::move(item));
        } while (Take(','));
        return Take(']');
    }

    bool Number(JsonValue& out) {
        const std::size_t start = at_;
        while (at_ < text_.size() &&
               std::string_view("+-.0123456789eE").find(text_[at_]) != std::string_view::npos) {
            ++at_;
        }
        if (at_ == start) {
            return false;
        }
        const std::string digits(text_.substr(start, at_ - start));
        char* end = nullptr;
        out.kind = JsonValue::Kind::kNumber;
        out.number = std::strtod(digits.c_str(), &end);
        return end == digits.c_str() + digits.size();
    }

    bool Hex4(std::uint32_t& code) {
        if (at_ + 4 > text_.size()) {
            return false;
        }
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0 ? c - '0'
                              : c >= 'a' && c <= 'f'                           ? c - 'a' + 10
                              : c >= 'A' && c <= 'F'                           ? c - 'A' + 10
                                                                               : -1;
            if (digit < 0) {
                return false;
            }
            code = code * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    }

    static void AppendUtf8(std::string& out, std::uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool Escape(std::string& out) {
        if (at_ >= text_.size()) {
            return false;
        }
        const char c = text_[at_++];
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out += c;
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u': {
                std::uint32_t code = 0;
                if (!Hex4(code)) {
                    return false;
                }
                std::uint32_t low = 0;
                if (code >= 0xD800 && code < 0xDC00 && Word("\\u") && Hex4(low) && low >= 0xDC00 &&
                    low < 0xE000) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, code);
                return true;
            }
            default:
                return false;
        }
    }

    bool String(std::string& out) {
        ++at_;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out += c;
            } else if (!Escape(out)) {
                return false;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](std::string_view key) const {
    static const JsonValue kMissing;
    for (std::size_t i = 0; i < keys.size() && i < items.size(); ++i) {
        if (keys[i] == key) {
            return items[i];
        }
    }
    return kMissing;
}

std::vector<double> JsonValue::Numbers() const {
    std::vector<double> numbers;
    for (const JsonValue& item : items) {
        if (item.kind == Kind::kNumber) {
            numbers.push_back(item.number);
        }
    }
    return numbers;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
    return Parser(text).Document();
}

JsonValue ReadJsonFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto value = ParseJson(text.str());
    if (!value) {
        throw std::runtime_error("not a JSON document: " + path);
    }
    return *value;
}
