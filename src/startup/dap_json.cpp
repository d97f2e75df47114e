#include "startup/dap_json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qel::dap {

namespace {

const Value& nullValue() {
    static const Value none;
    return none;
}

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

void dumpString(std::string& out, const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
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
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += char(c);
                }
        }
    }
    out += '"';
}

class Reader {
  public:
    Reader(std::string_view text, std::string& error) : text_(text), error_(error) {}

    std::optional<Value> document() {
        auto value = parseValue(0);
        if (!value) return std::nullopt;
        skipBlanks();
        if (pos_ != text_.size()) return fail("unexpected text after the value");
        return value;
    }

  private:
    std::nullopt_t fail(const char* why) {
        if (error_.empty()) error_ = std::string(why) + " at offset " + std::to_string(pos_);
        return std::nullopt;
    }
    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }
    bool take(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    std::optional<Value> parseValue(int depth) {
        if (depth > kMaxDepth) return fail("nested too deeply");
        skipBlanks();
        if (pos_ >= text_.size()) return fail("unexpected end");
        char c = text_[pos_];
        if (c == '{') return parseObject(depth);
        if (c == '[') return parseArray(depth);
        if (c == '"') {
            auto s = parseString();
            if (!s) return std::nullopt;
            return Value(std::move(*s));
        }
        if (take("true")) return Value(true);
        if (take("false")) return Value(false);
        if (take("null")) return Value();
        return parseNumber();
    }

    std::optional<Value> parseNumber() {
        std::size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        while (pos_ < text_.size() &&
               std::string_view("0123456789.eE+-").find(text_[pos_]) != std::string_view::npos)
            ++pos_;
        std::string digits(text_.substr(start, pos_ - start));
        if (digits.empty() || digits == "-") return fail("not a value");
        char* end = nullptr;
        double n = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size() || !std::isfinite(n)) return fail("bad number");
        return Value(n);
    }

    std::optional<unsigned> hex4() {
        if (pos_ + 4 > text_.size()) return std::nullopt;
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            char h = text_[pos_++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= unsigned(h - '0');
            else if (h >= 'a' && h <= 'f')
                code |= unsigned(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                code |= unsigned(h - 'A' + 10);
            else
                return std::nullopt;
        }
        return code;
    }

    std::optional<std::string> parseString() {
        ++pos_;  // the opening quote
        std::string out;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return fail("control character in a text");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) break;
            char e = text_[pos_++];
            switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    auto code = hex4();
                    if (!code) return fail("bad \\u escape");
                    // A surrogate pair is one character; a lone half becomes U+FFFD.
                    if (*code >= 0xD800 && *code < 0xDC00 && take("\\u")) {
                        auto low = hex4();
                        if (!low) return fail("bad \\u escape");
                        if (*low >= 0xDC00 && *low < 0xE000) {
                            appendUtf8(out, 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00));
                            break;
                        }
                        appendUtf8(out, 0xFFFD);
                        code = low;
                    }
                    appendUtf8(out, *code >= 0xD800 && *code < 0xE000 ? 0xFFFD : *code);
                    break;
                }
                default:
                    return fail("bad escape in a text");
            }
        }
        return fail("unterminated text");
    }

    std::optional<Value> parseArray(int depth) {
        ++pos_;
        Array items;
        skipBlanks();
        if (take("]")) return Value(std::move(items));
        while (true) {
            auto item = parseValue(depth + 1);
            if (!item) return std::nullopt;
            items.push_back(std::move(*item));
            skipBlanks();
            if (take("]")) return Value(std::move(items));
            if (!take(",")) return fail("expected , or ]");
        }
    }

    std::optional<Value> parseObject(int depth) {
        ++pos_;
        Object members;
        skipBlanks();
        if (take("}")) return Value(std::move(members));
        while (true) {
            skipBlanks();
            if (pos_ >= text_.size() || text_[pos_] != '"') return fail("expected a member name");
            auto name = parseString();
            if (!name) return std::nullopt;
            skipBlanks();
            if (!take(":")) return fail("expected :");
            auto value = parseValue(depth + 1);
            if (!value) return std::nullopt;
            members[std::move(*name)] = std::move(*value);
            skipBlanks();
            if (take("}")) return Value(std::move(members));
            if (!take(",")) return fail("expected , or }");
        }
    }

    std::string_view text_;
    std::string& error_;
    std::size_t pos_ = 0;
};

}  // namespace

const Value& Value::operator[](std::string_view name) const {
    if (!isObject()) return nullValue();
    const Object& members = object();
    auto it = members.find(name);
    return it == members.end() ? nullValue() : it->second;
}

std::string Value::str(std::string_view fallback) const {
    if (const auto* s = std::get_if<std::string>(&data_)) return *s;
    return std::string(fallback);
}

double Value::number(double fallback) const {
    if (const auto* n = std::get_if<double>(&data_)) return *n;
    return fallback;
}

bool Value::boolean(bool fallback) const {
    if (const auto* b = std::get_if<bool>(&data_)) return *b;
    return fallback;
}

const Array& Value::array() const {
    static const Array none;
    if (const auto* a = std::get_if<std::shared_ptr<Array>>(&data_)) return **a;
    return none;
}

const Object& Value::object() const {
    static const Object none;
    if (const auto* o = std::get_if<std::shared_ptr<Object>>(&data_)) return **o;
    return none;
}

std::string Value::dump() const {
    std::string out;
    if (isNull()) {
        out = "null";
    } else if (const auto* b = std::get_if<bool>(&data_)) {
        out = *b ? "true" : "false";
    } else if (const auto* n = std::get_if<double>(&data_)) {
        char digits[32];
        if (std::nearbyint(*n) == *n && std::fabs(*n) < 1e15) {
            std::snprintf(digits, sizeof digits, "%.0f", *n);
        } else {
            std::snprintf(digits, sizeof digits, "%.17g", *n);
        }
        out = digits;
    } else if (const auto* s = std::get_if<std::string>(&data_)) {
        dumpString(out, *s);
    } else if (isArray()) {
        out = "[";
        bool first = true;
        for (const Value& item : array()) {
            if (!first) out += ',';
            first = false;
            out += item.dump();
        }
        out += ']';
    } else {
        out = "{";
        bool first = true;
        for (const auto& [name, value] : object()) {
            if (!first) out += ',';
            first = false;
            dumpString(out, name);
            out += ':';
            out += value.dump();
        }
        out += '}';
    }
    return out;
}

std::optional<Value> parse(std::string_view text, std::string& error) {
    error.clear();
    return Reader(text, error).document();
}

}  // namespace qel::dap
