// Numbers: rounding, trigonometry, logarithms, bits, random numbers, radixes, colours.
#pragma once

#include "core/cmd_data.h"

namespace qel {

FunctionFn fnTruncate, fnRound, fnCeiling, fnFloor, fnAbs, fnSqrt, fnExp, fnLog, fnSin, fnCos,
    fnTan, fnAtan, fnAsin, fnAcos, fnRadians, fnPi, fnRandom, fnBitOr, fnBitImp, fnBitXor, fnBitEqv,
    fnBitAnd, fnFromHex, fnToHex, fnRgb, fnHls;

}  // namespace qel
