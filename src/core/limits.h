// The fixed limits that keep a runaway or hostile script from taking the
// process down. Each is far beyond what a sound script reaches, and each ends
// in an error report through the error routine (see README, "Limits").
#pragma once

#include <cstddef>

namespace qel {

// Procedure calls and program texts (日本語処理, 実行, 参照) nested inside
// one another. Fixed, not derived from the stack, so that a runaway recursion
// ends at the same depth whatever the stack limit of the shell; the stack
// check stays behind it as a second guard (error 998 either way).
constexpr int kMaxNestingDepth = 3000;

// Brackets nested inside one expression: （ ( ［, and the texts a call's
// argument holds nested in turn. Analysis and evaluation go one level deeper
// per bracket, so this bounds the stack and the memory an expression takes.
constexpr int kMaxBracketDepth = 2000;

// The longest text a script can build (64 Mi UTF-16 units, 128 MiB): joining
// (＆, embedded ［…］, appending) or a function result that would pass it is
// refused with error 11 before the memory is asked for.
constexpr std::size_t kMaxTextLength = std::size_t(1) << 26;

}  // namespace qel
