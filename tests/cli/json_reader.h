#pragma once
// A strict reader of the JSON faxrcp-cli writes: objects, arrays, strings
// (\u00NN read back as the byte NN) and integers; anything else fails.
#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonNode {
    char kind = 0;    // 'o' object, 'a' array, 's' string, 'n' number
    std::string text; // a string's bytes, a number's digits
    std::vector<std::pair<std::string, JsonNode>> members; // objects; arrays leave names empty
};

class JsonReader {
  public:
    // True when text is one JSON value with blanks around it.
    static bool Read(std::string_view text, JsonNode& node) {
        JsonReader r{text};
        return r.value(node) && r.at() == text.size();
    }

  private:
    explicit JsonReader(std::string_view s) : s_(s) {}
    size_t at() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n')) {
            ++i_;
        }
        return i_;
    }
    bool eat(char c) { return at() < s_.size() && s_[i_] == c && ++i_; }
    bool string(std::string& out) {
        if (!eat('"')) {
            return false;
        }
        for (; i_ < s_.size() && s_[i_] != '"'; ++i_) {
            const auto c = static_cast<unsigned char>(s_[i_]);
            if (c < 0x20 || c >= 0x7F) {
                return false; // the writer escapes these
            }
            if (c == '\\' && s_.substr(i_ + 1, 3) == "u00" && i_ + 6 <= s_.size()) {
                out += static_cast<char>(std::stoi(std::string(s_.substr(i_ + 4, 2)), nullptr, 16));
                i_ += 5;
            } else if (c == '\\' && i_ + 1 < s_.size() &&
                       (s_[i_ + 1] == '"' || s_[i_ + 1] == '\\')) {
                out += s_[++i_];
            } else if (c == '\\') {
                return false;
            } else {
                out += static_cast<char>(c);
            }
        }
        return eat('"');
    }
    bool value(JsonNode& node) {
        if (at() >= s_.size()) {
            return false;
        }
        if (s_[i_] == '"') {
            node.kind = 's';
            return string(node.text);
        }
        for (node.kind = 'n'; i_ < s_.size() && (std::isdigit(s_[i_]) || s_[i_] == '-'); ++i_) {
            node.text += s_[i_];
        }
        if (!node.text.empty()) {
            return true;
        }
        const bool object = eat('{');
        if (!object && !eat('[')) {
            return false;
        }
        node.kind = object ? 'o' : 'a';
        const char close = object ? '}' : ']';
        if (eat(close)) {
            return true;
        }
        do {
            std::pair<std::string, JsonNode> member;
            if ((object && (!string(member.first) || !eat(':'))) || !value(member.second)) {
                return false;
            }
            node.members.push_back(std::move(member));
        } while (eat(','));
        return eat(close);
    }

    std::string_view s_;
    size_t i_ = 0;
};
