// Binding a function call's argument text to the function's parameters, and
// the argument unpacking that handlers use.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/cmd_data.h"

namespace qel {

class Engine;

// By particle when at least `entry.Flags` particle marks are found, else by
// position. By particle: one entry per particle (empty when absent).
std::vector<Text> BindFunctionArgs(TextView argText, const xxCmdData& entry);

// BindFunctionArgs joined with ",", as a call hands its arguments to the
// handler; worked out once per function and distinct argument text.
const Text& BoundArgumentsOf(Engine& engine, const xxCmdData& entry, TextView argText);

namespace eval {
struct ArgPlan;
}

// What evaluating an argument piece may do, as far as its analysis tells:
// nothing but give a literal; read variables (when its names turn out to be
// variables as it runs); run script code (call a function or a procedure).
enum class PieceReach : std::uint8_t { Unknown, Literal, Reads, Runs };

// The pieces of SplitArgs, trimmed, and how many the text wrote (an empty
// text writes none); worked out once per distinct text.
struct SplitPieces {
    std::vector<Text> pieces;
    std::size_t written = 0;
    // Each piece's analysis, made when the piece is first evaluated, so a
    // function called in a loop does not look its arguments up by their text.
    mutable std::vector<std::shared_ptr<const eval::ArgPlan>> plans;
    // The number a literal piece reads as, once a handler asked for it
    // (a count such as the 5 of 左(文,5) is not read again on every call).
    mutable std::vector<std::optional<double>> literalNumbers;
    // What evaluating each piece may do, worked out for all of them at once
    // when a handler first reads a piece in place; and how many may do more
    // than give a literal.
    mutable std::vector<PieceReach> reach;
    mutable std::size_t notLiteral = 0;
};
std::shared_ptr<const SplitPieces> SplitPiecesOf(Engine& engine, TextView argText);

// Splits a bound argument text at top-level separators ("," else "、" else
// "，"), after dropping one pair of surrounding （）. Returns exactly `count`
// pieces (missing ones empty), evaluated when asked.
std::vector<Text> UnpackArgs(Engine& engine, TextView argText, bool evaluate, std::size_t count);
// The same split, unevaluated, with as many pieces as the text holds.
std::vector<Text> SplitArgs(TextView argText);

// Calls a built-in function or a named constant; false when neither exists.
// `site` as for LibraryPort::callFunction.
bool CallFunction(Engine& engine, const KeyedTable& functions, TextView name, TextView argText,
                  Text& result, std::shared_ptr<const void>* site = nullptr);

}  // namespace qel
