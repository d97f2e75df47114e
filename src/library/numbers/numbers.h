// Numbers: rounding, trigonometry, logarithms, bits, random numbers, radixes, colours.
#pragma once

#include "core/cmd_data.h"

namespace qel {

void fnTruncate(Text& result, Text& args, Engine& engine);
void fnRound(Text& result, Text& args, Engine& engine);
void fnCeiling(Text& result, Text& args, Engine& engine);
void fnFloor(Text& result, Text& args, Engine& engine);
void fnAbs(Text& result, Text& args, Engine& engine);
void fnSqrt(Text& result, Text& args, Engine& engine);
void fnExp(Text& result, Text& args, Engine& engine);
void fnLog(Text& result, Text& args, Engine& engine);
void fnSin(Text& result, Text& args, Engine& engine);
void fnCos(Text& result, Text& args, Engine& engine);
void fnTan(Text& result, Text& args, Engine& engine);
void fnAtan(Text& result, Text& args, Engine& engine);
void fnAsin(Text& result, Text& args, Engine& engine);
void fnAcos(Text& result, Text& args, Engine& engine);
void fnRadians(Text& result, Text& args, Engine& engine);
void fnPi(Text& result, Text& args, Engine& engine);
void fnRandom(Text& result, Text& args, Engine& engine);
void fnBitOr(Text& result, Text& args, Engine& engine);
void fnBitImp(Text& result, Text& args, Engine& engine);
void fnBitXor(Text& result, Text& args, Engine& engine);
void fnBitEqv(Text& result, Text& args, Engine& engine);
void fnBitAnd(Text& result, Text& args, Engine& engine);
void fnFromHex(Text& result, Text& args, Engine& engine);
void fnToHex(Text& result, Text& args, Engine& engine);
void fnRgb(Text& result, Text& args, Engine& engine);
void fnHls(Text& result, Text& args, Engine& engine);

}  // namespace qel
