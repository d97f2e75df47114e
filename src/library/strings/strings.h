// Strings: slicing, searching, converting and joining texts; patterns, formats, encodings.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Text functions and the pattern commands.
FunctionFn fnLeft, fnRight, fnMid, fnDropRight, fnReplace, fnExtract, fnCut, fnOneLine, fnTrim,
    fnTrimLeft, fnTrimRight, fnAsc, fnChr, fnUpper, fnLower, fnWide, fnNarrow, fnHiragana,
    fnKatakana, fnReading, fnRepeat, fnSpaces, fnCount, fnLineCount, fnLength, fnByteLength, fnFind,
    fnFindLast, fnPatternReplace, fnSplit, fnSplitLines, fnJoin, fnDictionary, fnDictionaryKeys,
    fnJudge, fnSimpleEncode, fnBinaryArray;
CommandFn cmdPatternSearch, cmdPatternSubmatch;

// Commands that change a text in its variable.
CommandFn cmdSearch, cmdReplace, cmdErase;

// Formats.
FunctionFn fnFormat, fnPercent, fnCurrency;

// Encodings.
FunctionFn fnConvert, fnEncodeFile, fnRestore, fnUrlEncode, fnOpenEuc, fnOpenJis;
CommandFn cmdRestore;

}  // namespace qel
