// Stand-ins for the Windows library functions legacy scripts call most: a
// 呼び出せ naming one of them runs our own equivalent here, through the same
// ports the rest of the runtime uses.
#pragma once

#include <cstdint>
#include <vector>

#include "text/text.h"

namespace qel {

class Engine;

using StandInFunction = std::int64_t (*)(Engine& engine, const std::vector<Text>& args);

// Whether `library` names a Windows library ("kernel32", "USER32.DLL", any
// "….dll"): those are never looked for on the disk.
bool IsWindowsLibraryName(TextView library);
// Whether we stand in for functions of that library at all.
bool HasStandIns(TextView library);
// The stand-in for the function, or null.
StandInFunction FindStandIn(TextView library, TextView function);

}  // namespace qel
