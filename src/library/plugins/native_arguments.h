// How the arguments of 呼び出せ become the memory a native function sees, and
// how what the function left there goes back into the script's variables.
//
// Layout choices (documented for users in docs/plugins.md):
// - no marker: a number is passed as a 64-bit integer, any other value as a
//   pointer to its NUL-terminated UTF-8 text;
// - "*": the variable's number in a 32-bit integer passed by reference;
// - "@": a structure: the dictionary's entries in order, each "type" or
//   "type:value", laid out with natural C alignment;
// - "#": a byte list ("1,2,3") copied into a block of that many bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ports/native_calls.h"
#include "text/text.h"

namespace qel {

class Engine;

// The type words of structures and declarations.
enum class NativeType { Int16, Int32, UInt32, Int64, Double, Float, Text, Void };
std::optional<NativeType> NativeTypeOf(TextView word);
NativeValue::Type PassedAs(NativeType type);

// A declaration written with 利用: "name", or a C-like prototype
// "double pow(double, double)" giving the result and parameter types.
struct NativePrototype {
    std::string name;
    NativeType result = NativeType::Int64;
    bool typed = false;  // parameters declared
    std::vector<NativeType> parameters;
};
// Nothing when the text is not a prototype (an unknown type word, unbalanced
// brackets); `why` says what is wrong.
std::optional<NativePrototype> ParsePrototype(TextView text, Text& why);

// One field of an "@" structure.
struct StructField {
    Text name;
    Text typeWord;
    NativeType type = NativeType::Int32;
    std::size_t offset = 0;
    Text value;
};
struct StructLayout {
    std::vector<StructField> fields;
    std::size_t size = 0;
};
// Lays out the structure a dictionary describes; nothing (with the reason)
// when an entry has no known type word.
std::optional<StructLayout> LayoutStructure(TextView dictionary, Text& why);

// Memory for one call: every block stays where it is until the call is over.
class PreparedCall {
  public:
    std::vector<NativeValue> values;

    // Prepares the arguments written in `written` (the 呼び出せ text before
    // を). False, with the error already reported, when an argument is not a
    // variable or cannot be laid out; nothing may be called then.
    bool prepare(Engine& engine, TextView written, const NativePrototype& prototype);
    // Writes what the function left in "*", "@" and "#" arguments back into
    // their variables.
    void writeBack(Engine& engine) const;

  private:
    enum class Kind { Reference, Structure, Bytes };
    struct WriteBack {
        Kind kind;
        Text variable;
        std::size_t block;
        StructLayout layout;  // structures
        std::size_t bytes = 0;
    };
    void* newBlock(std::size_t bytes);
    void* keepText(TextView value);
    bool prepareOne(Engine& engine, TextView piece, std::optional<NativeType> declared);

    std::vector<std::unique_ptr<std::uint64_t[]>> blocks_;
    std::vector<WriteBack> writeBacks_;
};

// The argument pieces of a 呼び出せ text: cut at "," (and "、", "，")
// outside brackets, trimmed; an empty text has none.
std::vector<Text> SplitNativeArguments(TextView written);

// A quoted literal 「…」 or "…", without its quotes; nothing otherwise.
std::optional<Text> QuotedLiteral(TextView piece);

// The NUL-terminated text at `address`, read up to a sane limit.
Text TextAt(const void* address);

}  // namespace qel
