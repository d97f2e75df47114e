// What the commands that change a text in its variable share (検索, 置き換え,
// 消せ here; 並び替え and 挿入 with the tables): the text they work on, the
// "X の place" form, and the places 3文字目, 2行目 and 4番目.
#pragma once

#include <optional>
#include <vector>

#include "core/cmd_data.h"

namespace qel {

// What a text command works on: a variable (written back) or a value.
struct TextSubject {
    Text target;  // a variable or element reference; empty when a value
    Text value;
};

// The subject as written: a variable (or element) when one of that name
// exists, its value in any case.
TextSubject readTextSubject(Engine& engine, TextView written);

// Writes the changed text back into the subject's variable (if any) and
// makes it the answer.
void finishTextCommand(Engine& engine, const TextSubject& subject, const Text& value);

// Splits "X の rest" at the first "の" outside brackets (not at the start).
bool splitAtNo(TextView t, Text& before, Text& after);

// A place inside a text: "3文字目", "2行目" or "4番目".
struct TextPlace {
    enum Kind { Character, Line, Cell } kind;
    int64_t index;
};

// `reported` tells a bad number (already reported) from no place at all.
std::optional<TextPlace> readTextPlace(Engine& engine, TextView t, bool& reported);

// The lines of a text at CR LF.
std::vector<Text> textLines(TextView t);

}  // namespace qel
