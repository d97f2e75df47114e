// Native calls through dlopen and libffi.
#pragma once

#include "platform/ports/native_calls.h"

namespace qel {

class DlopenNativeCalls : public NativeCallPort {
  public:
    std::shared_ptr<NativeLibrary> open(const std::string& name, std::string& why) override;
    bool call(void* function, const std::vector<NativeValue>& args, NativeValue& result,
              std::string& why) override;
};

// The file names tried for a library name, in order: a name with a "/" is a
// path and tried alone; a name holding ".so" is a soname and tried alone;
// any other name is tried as itself, then "lib" + name + ".so", then
// name + ".so".
std::vector<std::string> LibraryCandidates(const std::string& name);

}  // namespace qel
