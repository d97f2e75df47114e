// Calling exported functions of native libraries: opening a library by the
// name a script gives, finding a function in it, and calling it with
// arguments laid out by the C calling convention of the machine. The library
// layer prepares the argument memory; this port only loads and calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qel {

// One argument or result as the C calling convention passes it.
struct NativeValue {
    enum class Type { Int32, Int64, Double, Float, Pointer, Void };
    Type type = Type::Int64;
    std::int64_t integer = 0;  // Int32, Int64
    double real = 0;           // Double, Float
    void* pointer = nullptr;   // Pointer
};

class NativeLibrary {
  public:
    virtual ~NativeLibrary() = default;
    // The exported function (or data) of that name; null when there is none.
    virtual void* find(const std::string& symbol) = 0;
};

class NativeCallPort {
  public:
    virtual ~NativeCallPort() = default;
    // Opens a library named by a path, a soname ("libm.so.6") or a bare name
    // ("m", tried as "libm.so" and "m.so"); an empty name is the program
    // itself with the libraries it has loaded. Null, with the loader's reason in
    // `why`, when none of them loads. The library stays loaded while the
    // returned handle (or a copy of it) lives.
    virtual std::shared_ptr<NativeLibrary> open(const std::string& name, std::string& why) = 0;
    // Calls `function`; `result.type` says what it returns. False (with the
    // reason) when the call could not be prepared; nothing was called then.
    virtual bool call(void* function, const std::vector<NativeValue>& args, NativeValue& result,
                      std::string& why) = 0;
};

}  // namespace qel
