// Strings: slicing, searching, converting and joining texts; patterns, formats, encodings.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Text functions and the pattern commands.
void fnLeft(Text& result, Text& args, Engine& engine);
void fnRight(Text& result, Text& args, Engine& engine);
void fnMid(Text& result, Text& args, Engine& engine);
void fnDropRight(Text& result, Text& args, Engine& engine);
void fnReplace(Text& result, Text& args, Engine& engine);
void fnExtract(Text& result, Text& args, Engine& engine);
void fnCut(Text& result, Text& args, Engine& engine);
void fnOneLine(Text& result, Text& args, Engine& engine);
void fnTrim(Text& result, Text& args, Engine& engine);
void fnTrimLeft(Text& result, Text& args, Engine& engine);
void fnTrimRight(Text& result, Text& args, Engine& engine);
void fnAsc(Text& result, Text& args, Engine& engine);
void fnChr(Text& result, Text& args, Engine& engine);
void fnUpper(Text& result, Text& args, Engine& engine);
void fnLower(Text& result, Text& args, Engine& engine);
void fnWide(Text& result, Text& args, Engine& engine);
void fnNarrow(Text& result, Text& args, Engine& engine);
void fnHiragana(Text& result, Text& args, Engine& engine);
void fnKatakana(Text& result, Text& args, Engine& engine);
void fnReading(Text& result, Text& args, Engine& engine);
void fnRepeat(Text& result, Text& args, Engine& engine);
void fnSpaces(Text& result, Text& args, Engine& engine);
void fnCount(Text& result, Text& args, Engine& engine);
void fnLineCount(Text& result, Text& args, Engine& engine);
void fnLength(Text& result, Text& args, Engine& engine);
void fnByteLength(Text& result, Text& args, Engine& engine);
void fnFind(Text& result, Text& args, Engine& engine);
void fnFindLast(Text& result, Text& args, Engine& engine);
void fnPatternReplace(Text& result, Text& args, Engine& engine);
void fnSplit(Text& result, Text& args, Engine& engine);
void fnSplitLines(Text& result, Text& args, Engine& engine);
void fnJoin(Text& result, Text& args, Engine& engine);
void fnDictionary(Text& result, Text& args, Engine& engine);
void fnDictionaryKeys(Text& result, Text& args, Engine& engine);
void fnJudge(Text& result, Text& args, Engine& engine);
void fnSimpleEncode(Text& result, Text& args, Engine& engine);
void fnBinaryArray(Text& result, Text& args, Engine& engine);
void cmdPatternSearch(StatementRecord& record, Engine& engine);
void cmdPatternSubmatch(StatementRecord& record, Engine& engine);

// Commands that change a text in its variable.
void cmdSearch(StatementRecord& record, Engine& engine);
void cmdReplace(StatementRecord& record, Engine& engine);
void cmdErase(StatementRecord& record, Engine& engine);

// Formats.
void fnFormat(Text& result, Text& args, Engine& engine);
void fnPercent(Text& result, Text& args, Engine& engine);
void fnCurrency(Text& result, Text& args, Engine& engine);

// Encodings.
void fnConvert(Text& result, Text& args, Engine& engine);
void fnEncodeFile(Text& result, Text& args, Engine& engine);
void fnRestore(Text& result, Text& args, Engine& engine);
void fnUrlEncode(Text& result, Text& args, Engine& engine);
void fnOpenEuc(Text& result, Text& args, Engine& engine);
void fnOpenJis(Text& result, Text& args, Engine& engine);
void cmdRestore(StatementRecord& record, Engine& engine);

}  // namespace qel
