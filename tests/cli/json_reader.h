#pragma once
// A strict reader of the JSON faxrcp-cli writes: objects, arrays, strings
// (\u00NN read back as the byte NN) and integers. Anything else fails.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonNode {
    char kind = 0;    // 'o' object, 'a' array, 's' string, 'n' number
    std::string text; // a string's bytes, a number's digits
    std::vector<std::pair<std::string, JsonNode>> members;
    std::vector<JsonNode> items;
};

class JsonReader {
  public:
    // True when text is one JSON value and blanks, nothing else.
    static bool Read(std::string_view text, JsonNode& node) {
        JsonReader r(text);
        return r.value(node) && r.skip() == text.size();
    }

  private:
    explicit JsonReader(std::string_view s) : s_(s) {}

    size_t skip() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n')) {
            ++i_;
        }
        return i_;
    }
    bool eat(char c) {
        if (skip() < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool string(std::string& out) {
        if (!eat('"')) {
            return false;
        }
        while (i_ < s_.size() && s_[i_] != '"') {
            const auto c = static_cast<unsigned char>(s_[i_++]);
            if (c < 0x20 || c >= 0x7F) {
                return false; // the writer escapes these
            }
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (i_ >= s_.size()) {
                return false;
            }
            const char e = s_[i_++];
            if (e == '"' || e == '\\') {
                out += e;
            } else if (e == 'u' && i_ + 4 <= s_.size() && s_.substr(i_, 2) == "00") {
                out += static_cast<char>(std::stoi(std::string(s_.substr(i_ + 2, 2)), nullptr, 16));
                i_ += 4;
            } else {
                return false;
            }
        }
        return eat('"');
    }
    bool value(JsonNode& node) {
        skip();
        if (i_ >= s_.size()) {
            return false;
        }
        const char c = s_[i_];
        if (c == '"') {
            node.kind = 's';
            return string(node.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            node.kind = 'n';
            do {
                node.text += s_[i_++];
            } while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9');
            return true;
        }
        const bool object = c == '{';
        if (!object && c != '[') {
            return false;
        }
        node.kind = object ? 'o' : 'a';
        ++i_;
        if (eat(object ? '}' : ']')) {
            return true;
        }
        do {
            JsonNode item;
            std::string name;
            if ((object && (!string(name) || !eat(':'))) || !value(item)) {
                return false;
            }
            if (object) {
                node.members.emplace_back(std::move(name), std::move(item));
            } else {
                node.items.push_back(std::move(item));
            }
        } while (eat(','));
        return eat(object ? '}' : ']');
    }

    std::string_view s_;
    size_t i_ = 0;
};
