// A small JSON value, reader and writer for the debug adapter's messages.
// Numbers are doubles; objects keep their members sorted by name (the
// protocol never depends on their order). The process plug-ins' reader
// (platform/linux/json_lines.h) is not enough here: the protocol's error
// responses say why a message could not be read, and every answer is
// written as JSON.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qel::dap {

class Value;
using Array = std::vector<Value>;
using Object = std::map<std::string, Value, std::less<>>;

class Value {
  public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : data_(b) {}
    Value(int n) : data_(double(n)) {}
    Value(long long n) : data_(double(n)) {}
    Value(double n) : data_(n) {}
    Value(const char* s) : data_(std::string(s)) {}
    Value(std::string s) : data_(std::move(s)) {}
    Value(Array a) : data_(std::make_shared<Array>(std::move(a))) {}
    Value(Object o) : data_(std::make_shared<Object>(std::move(o))) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(data_); }
    bool isObject() const { return std::holds_alternative<std::shared_ptr<Object>>(data_); }
    bool isArray() const { return std::holds_alternative<std::shared_ptr<Array>>(data_); }

    // The member of an object (a null value when this is no object or the
    // member is missing), and typed reads that fall back to a default.
    const Value& operator[](std::string_view name) const;
    std::string str(std::string_view fallback = {}) const;
    double number(double fallback = 0) const;
    bool boolean(bool fallback = false) const;
    const Array& array() const;
    const Object& object() const;

    std::string dump() const;

  private:
    std::variant<std::monostate, bool, double, std::string, std::shared_ptr<Array>,
                 std::shared_ptr<Object>>
        data_;
};

// Parses one JSON text (nothing but blanks may follow it); nullopt with the
// reason in `error` when it is not one. Nesting deeper than kMaxDepth is
// refused rather than recursed into.
constexpr int kMaxDepth = 200;
std::optional<Value> parse(std::string_view text, std::string& error);

}  // namespace qel::dap
