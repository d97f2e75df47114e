#include "platform/linux/native_library.h"

#include <dlfcn.h>
#include <ffi.h>

namespace qel {

namespace {

class DlLibrary : public NativeLibrary {
  public:
    explicit DlLibrary(void* handle) : handle_(handle) {}
    ~DlLibrary() override { dlclose(handle_); }
    DlLibrary(const DlLibrary&) = delete;
    DlLibrary& operator=(const DlLibrary&) = delete;
    void* find(const std::string& symbol) override {
        if (symbol.empty()) return nullptr;
        dlerror();
        return dlsym(handle_, symbol.c_str());
    }

  private:
    void* handle_;
};

ffi_type* ffiTypeOf(NativeValue::Type type) {
    switch (type) {
        case NativeValue::Type::Int32:
            return &ffi_type_sint32;
        case NativeValue::Type::Int64:
            return &ffi_type_sint64;
        case NativeValue::Type::Double:
            return &ffi_type_double;
        case NativeValue::Type::Float:
            return &ffi_type_float;
        case NativeValue::Type::Pointer:
            return &ffi_type_pointer;
        case NativeValue::Type::Void:
            return &ffi_type_void;
    }
    return &ffi_type_void;
}

// Where libffi reads one argument from: each value keeps its own slot of the
// width its type asks for.
struct ArgumentSlot {
    std::int32_t i32 = 0;
    std::int64_t i64 = 0;
    double d = 0;
    float f = 0;
    void* p = nullptr;
    void* address(NativeValue::Type type) {
        switch (type) {
            case NativeValue::Type::Int32:
                return &i32;
            case NativeValue::Type::Int64:
                return &i64;
            case NativeValue::Type::Double:
                return &d;
            case NativeValue::Type::Float:
                return &f;
            default:
                return &p;
        }
    }
};

}  // namespace

std::vector<std::string> LibraryCandidates(const std::string& name) {
    if (name.find('/') != std::string::npos || name.find(".so") != std::string::npos) return {name};
    return {name, "lib" + name + ".so", name + ".so"};
}

std::shared_ptr<NativeLibrary> DlopenNativeCalls::open(const std::string& name, std::string& why) {
    why.clear();
    if (name.find('\0') != std::string::npos) {
        why = "a library name holding a NUL";
        return nullptr;
    }
    // No name: the program itself and what it has loaded (the C library).
    if (name.empty()) {
        if (void* handle = dlopen(nullptr, RTLD_NOW)) return std::make_shared<DlLibrary>(handle);
        why = "the program's own symbols";
        return nullptr;
    }
    for (const std::string& candidate : LibraryCandidates(name)) {
        // RTLD_LOCAL: one library's symbols never replace another's.
        if (void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
            return std::make_shared<DlLibrary>(handle);
        if (why.empty()) {
            const char* error = dlerror();
            why = error ? error : candidate;
        }
    }
    return nullptr;
}

bool DlopenNativeCalls::call(void* function, const std::vector<NativeValue>& args,
                             NativeValue& result, std::string& why) {
    if (!function) {
        why = "no function";
        return false;
    }
    std::vector<ffi_type*> types;
    std::vector<ArgumentSlot> slots(args.size());
    std::vector<void*> addresses;
    types.reserve(args.size());
    addresses.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const NativeValue& arg = args[i];
        if (arg.type == NativeValue::Type::Void) {
            why = "an argument without a type";
            return false;
        }
        ArgumentSlot& slot = slots[i];
        slot.i32 = std::int32_t(arg.integer);
        slot.i64 = arg.integer;
        slot.d = arg.real;
        slot.f = float(arg.real);
        slot.p = arg.pointer;
        types.push_back(ffiTypeOf(arg.type));
        addresses.push_back(slot.address(arg.type));
    }
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, unsigned(args.size()), ffiTypeOf(result.type),
                     types.data()) != FFI_OK) {
        why = "libffi cannot describe the call";
        return false;
    }
    // libffi widens integer results narrower than a register to ffi_arg.
    union {
        ffi_arg integer;
        std::int64_t i64;
        double d;
        float f;
        void* p;
    } returned{};
    ffi_call(&cif, FFI_FN(function), &returned, addresses.data());
    switch (result.type) {
        case NativeValue::Type::Int32:
            result.integer = std::int32_t(returned.integer);
            break;
        case NativeValue::Type::Int64:
            result.integer = returned.i64;
            break;
        case NativeValue::Type::Double:
            result.real = returned.d;
            break;
        case NativeValue::Type::Float:
            result.real = returned.f;
            break;
        case NativeValue::Type::Pointer:
            result.pointer = returned.p;
            result.integer = std::int64_t(reinterpret_cast<std::intptr_t>(returned.p));
            break;
        case NativeValue::Type::Void:
            break;
    }
    return true;
}

}  // namespace qel
