// A shared library opened by name when first needed, its functions looked up
// one by one. Optional libraries are loaded this way so that runs which do
// not use them neither pay for loading them nor fail without them.
#pragma once

#include <dlfcn.h>

namespace qel {

class SharedLibrary {
  public:
    // `keepLoaded` for libraries that start threads of their own (GLib's,
    // under FluidSynth): unloading one under a running thread crashes.
    explicit SharedLibrary(const char* soname, bool keepLoaded = false)
        : handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL | (keepLoaded ? RTLD_NODELETE : 0))) {}
    ~SharedLibrary() {
        if (handle_) dlclose(handle_);
    }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    template <class F>
    bool get(F& into, const char* name) {
        into = handle_ ? reinterpret_cast<F>(dlsym(handle_, name)) : nullptr;
        return into != nullptr;
    }

  private:
    void* handle_;
};

}  // namespace qel
