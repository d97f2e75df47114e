#include "platform/linux/json_lines.h"

#include <cstdlib>

namespace qel::json {

namespace {

constexpr int kMaxDepth = 32;

class Parser {
  public:
    explicit Parser(const std::string& text) : s_(text) {}

    std::optional<Value> document() {
        Value v;
        if (!value(v, 0)) return std::nullopt;
        blanks();
        if (at_ != s_.size()) return std::nullopt;
        return v;
    }

  private:
    void blanks() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\r' || s_[at_] == '\n'))
            ++at_;
    }
    bool literal(const char* word) {
        std::size_t n = std::char_traits<char>::length(word);
        if (s_.compare(at_, n, word) != 0) return false;
        at_ += n;
        return true;
    }
    bool value(Value& v, int depth) {
        if (depth > kMaxDepth) return false;
        blanks();
        if (at_ >= s_.size()) return false;
        const char c = s_[at_];
        if (c == '{') return object(v, depth);
        if (c == '[') return array(v, depth);
        if (c == '"') {
            v.kind = Value::Kind::String;
            return string(v.string);
        }
        if (literal("null")) return true;
        if (literal("true") || literal("false")) {
            v.kind = Value::Kind::Bool;
            v.boolean = s_[at_ - 1] == 'e' && s_[at_ - 2] == 'u';
            return true;
        }
        return number(v);
    }
    bool number(Value& v) {
        const char* begin = s_.c_str() + at_;
        if (*begin != '-' && (*begin < '0' || *begin > '9')) return false;
        char* end = nullptr;
        v.number = std::strtod(begin, &end);
        if (end == begin) return false;
        v.kind = Value::Kind::Number;
        at_ += std::size_t(end - begin);
        return true;
    }
    static void appendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    bool hex4(unsigned& cp) {
        if (at_ + 4 > s_.size()) return false;
        cp = 0;
        for (int i = 0; i < 4; ++i) {
            char h = s_[at_++];
            cp <<= 4;
            if (h >= '0' && h <= '9')
                cp |= unsigned(h - '0');
            else if (h >= 'a' && h <= 'f')
                cp |= unsigned(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                cp |= unsigned(h - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    bool escape(std::string& out) {
        if (at_ >= s_.size()) return false;
        const char e = s_[at_++];
        switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
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
            case 'u':
                break;
            default:
                return false;
        }
        unsigned cp = 0;
        if (!hex4(cp)) return false;
        if (cp >= 0xD800 && cp < 0xDC00) {
            unsigned low = 0;
            if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        } else if (cp >= 0xDC00 && cp < 0xE000) {
            return false;
        }
        appendUtf8(out, cp);
        return true;
    }
    bool string(std::string& out) {
        ++at_;  // the opening quote
        while (at_ < s_.size()) {
            const char c = s_[at_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
            } else if (!escape(out)) {
                return false;
            }
        }
        return false;
    }
    bool array(Value& v, int depth) {
        v.kind = Value::Kind::Array;
        ++at_;
        blanks();
        if (at_ < s_.size() && s_[at_] == ']') return ++at_, true;
        for (;;) {
            Value item;
            if (!value(item, depth + 1)) return false;
            v.array.push_back(std::move(item));
            blanks();
            if (at_ >= s_.size()) return false;
            if (s_[at_] == ']') return ++at_, true;
            if (s_[at_++] != ',') return false;
        }
    }
    bool object(Value& v, int depth) {
        v.kind = Value::Kind::Object;
        ++at_;
        blanks();
        if (at_ < s_.size() && s_[at_] == '}') return ++at_, true;
        for (;;) {
            blanks();
            std::string key;
            if (at_ >= s_.size() || s_[at_] != '"' || !string(key)) return false;
            blanks();
            if (at_ >= s_.size() || s_[at_++] != ':') return false;
            Value item;
            if (!value(item, depth + 1)) return false;
            v.object[key] = std::move(item);
            blanks();
            if (at_ >= s_.size()) return false;
            if (s_[at_] == '}') return ++at_, true;
            if (s_[at_++] != ',') return false;
        }
    }

    const std::string& s_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<Value> Parse(const std::string& text) {
    return Parser(text).document();
}

std::string Quote(const std::string& text) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

}  // namespace qel::json
