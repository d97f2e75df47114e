#pragma once

#include "text/text.h"

namespace qel::resources {

// The table of error messages by number (generated from the error catalogue).
inline constexpr int kMessageTable = 106;

// The source text of a numbered resource table, lines separated by LF as written in
// the source file; empty for a table this build does not carry. Callers go
// through the cached lookup of the core (which normalises line ends).
TextView resourceTableSource(int number);

}  // namespace qel::resources
