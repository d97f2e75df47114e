// The little JSON that process plug-ins speak: one object per line, with
// texts, numbers, booleans, null and arrays of objects. Enough to read any
// well-formed line; anything else is refused, never guessed at.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel::json {

struct Value {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<Value> array;
    std::map<std::string, Value> object;

    const Value* member(const std::string& name) const {
        auto it = object.find(name);
        return kind == Kind::Object && it != object.end() ? &it->second : nullptr;
    }
    // The member's text, or "" when it is missing or not a text.
    std::string text(const std::string& name) const {
        const Value* v = member(name);
        return v && v->kind == Kind::String ? v->string : std::string();
    }
};

// Nothing when the text is not one complete JSON value (or nests deeper
// than a plug-in ever needs).
std::optional<Value> Parse(const std::string& text);

// A JSON string literal for the UTF-8 text, quotes included.
std::string Quote(const std::string& text);

}  // namespace qel::json
