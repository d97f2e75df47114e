// Shared-library plug-ins and how a plug-in name is found.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/linux/native_library.h"
#include "platform/linux/plugin_host.h"
#include "qelscript/plugin.h"

namespace qel {

namespace {

// The most classes one library may offer: more is a damaged table.
constexpr std::uint32_t kMaxClasses = 4096;

struct TextSink {
    qel_plugin_text c{};
    std::string value;
    TextSink() {
        c.host = this;
        c.set = [](qel_plugin_text* self, const char* utf8, size_t length) {
            auto* sink = static_cast<TextSink*>(self->host);
            sink->value.assign(utf8 ? utf8 : "", utf8 ? length : 0);
        };
    }
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;
    Text text() const { return text::fromUtf8(value); }
};

PluginAnswer answerOf(int status, const TextSink& sink) {
    PluginAnswer answer;
    answer.text = sink.text();
    answer.status = status == QEL_PLUGIN_HANDLED       ? PluginStatus::Handled
                    : status == QEL_PLUGIN_NOT_HANDLED ? PluginStatus::NotHandled
                                                       : PluginStatus::Failed;
    return answer;
}

class LibraryHandle {
  public:
    explicit LibraryHandle(void* handle) : handle_(handle) {}
    ~LibraryHandle() { dlclose(handle_); }
    LibraryHandle(const LibraryHandle&) = delete;
    LibraryHandle& operator=(const LibraryHandle&) = delete;
    void* get() const { return handle_; }

  private:
    void* handle_;
};

class SharedPluginObject : public PluginObject {
  public:
    SharedPluginObject(std::shared_ptr<LibraryHandle> library, const qel_plugin_class& c,
                       void* self)
        : library_(std::move(library)), class_(c), self_(self) {}
    ~SharedPluginObject() override {
        if (class_.destroy) class_.destroy(self_);
    }
    SharedPluginObject(const SharedPluginObject&) = delete;
    SharedPluginObject& operator=(const SharedPluginObject&) = delete;

    PluginAnswer runCmd(TextView verb, TextView argument) override {
        if (!class_.run_cmd) return {};
        TextSink sink;
        int status = class_.run_cmd(self_, text::toUtf8(verb).c_str(),
                                    text::toUtf8(argument).c_str(), &sink.c);
        return answerOf(status, sink);
    }
    PluginAnswer runFunc(TextView name, TextView arguments) override {
        if (!class_.run_func) return {};
        TextSink sink;
        int status = class_.run_func(self_, text::toUtf8(name).c_str(),
                                     text::toUtf8(arguments).c_str(), &sink.c);
        return answerOf(status, sink);
    }
    PluginAnswer getData(TextView name) override {
        if (!class_.get_data) return {};
        TextSink sink;
        return answerOf(class_.get_data(self_, text::toUtf8(name).c_str(), &sink.c), sink);
    }
    PluginAnswer setData(TextView name, TextView value) override {
        if (!class_.set_data) return {};
        TextSink sink;
        int status = class_.set_data(self_, text::toUtf8(name).c_str(), text::toUtf8(value).c_str(),
                                     &sink.c);
        return answerOf(status, sink);
    }
    PluginAnswer makeControl(const char* toolkit, void* parent, int width, int height) override {
        if (!class_.make_control) return {PluginStatus::NotHandled, {}};
        qel_plugin_control_host host{sizeof(qel_plugin_control_host), toolkit, parent, width,
                                     height};
        TextSink sink;
        const int status = class_.make_control(self_, &host, &sink.c);
        return answerOf(status, sink);
    }

  private:
    std::shared_ptr<LibraryHandle> library_;
    const qel_plugin_class& class_;
    void* self_;
};

class SharedPluginModule : public PluginModule {
  public:
    SharedPluginModule(std::shared_ptr<LibraryHandle> library, const qel_plugin_module& module)
        : library_(std::move(library)), module_(module) {
        for (std::uint32_t i = 0; i < module.class_count; ++i) {
            const qel_plugin_class& c = module.classes[i];
            classes_.push_back({text::fromUtf8(c.name ? c.name : ""),
                                text::fromUtf8(c.kind_word ? c.kind_word : "")});
        }
    }
    const std::vector<PluginClassInfo>& classes() const override { return classes_; }
    std::unique_ptr<PluginObject> create(TextView className, PluginResult& result) override {
        for (std::size_t i = 0; i < classes_.size(); ++i) {
            if (!className.empty() && !text::equalsFolded(classes_[i].name, className)) continue;
            const qel_plugin_class& c = module_.classes[i];
            void* self = c.create ? c.create() : nullptr;
            if (!self) {
                result = {PluginFault::Unavailable, "the class made no object"};
                return nullptr;
            }
            return std::make_unique<SharedPluginObject>(library_, c, self);
        }
        result = {PluginFault::Unavailable, "no such class"};
        return nullptr;
    }

  private:
    std::shared_ptr<LibraryHandle> library_;
    const qel_plugin_module& module_;
    std::vector<PluginClassInfo> classes_;
};

bool isFile(const std::string& path, bool& executable) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    executable = access(path.c_str(), X_OK) == 0;
    return true;
}

// The folders of QELSCRIPT_PLUGIN_PATH (separated by ":") come first for a
// name without a folder.
std::vector<std::string> pluginCandidates(const std::string& name) {
    std::vector<std::string> names = LibraryCandidates(name);
    if (name.find('/') != std::string::npos) return names;
    std::vector<std::string> out;
    if (const char* path = std::getenv("QELSCRIPT_PLUGIN_PATH")) {
        std::string folders = path;
        std::size_t start = 0;
        while (start <= folders.size()) {
            std::size_t colon = folders.find(':', start);
            std::string folder = folders.substr(start, colon - start);
            if (!folder.empty()) {
                for (const auto& n : names) out.push_back(folder + "/" + n);
            }
            if (colon == std::string::npos) break;
            start = colon + 1;
        }
    }
    out.insert(out.end(), names.begin(), names.end());
    return out;
}

}  // namespace

ProcessPluginLimits processPluginLimitsFromEnvironment() {
    ProcessPluginLimits limits;
    if (const char* ms = std::getenv("QELSCRIPT_PLUGIN_TIMEOUT")) {
        char* end = nullptr;
        long value = std::strtol(ms, &end, 10);
        if (end != ms && value > 0 && value <= 3600000) limits.startMs = limits.callMs = int(value);
    }
    return limits;
}

std::shared_ptr<PluginModule> LinuxPluginHost::loadLibrary(const std::string& name,
                                                           PluginResult& result) {
    for (const std::string& candidate : pluginCandidates(name)) {
        bool executable = false;
        const bool file = candidate.find('/') != std::string::npos && isFile(candidate, executable);
        // Plug-in libraries stay mapped until the process ends. A control's
        // widgets outlive its object (the toolkit deletes them with their
        // window), and a library linked with a toolkit or starting threads
        // leaves exit-time handlers and thread data pointing into its code;
        // unmapping it earlier turns any of these into a crash at exit.
        void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!handle) {
            if (file && executable) return StartProcessPlugin(candidate, limits_, result);
            if (file) {
                const char* error = dlerror();
                result = {PluginFault::NotAPlugin, error ? error : candidate};
                return nullptr;
            }
            continue;
        }
        auto library = std::make_shared<LibraryHandle>(handle);
        auto entry = reinterpret_cast<qel_plugin_entry_fn>(dlsym(handle, QEL_PLUGIN_ENTRY));
        const qel_plugin_module* module = entry ? entry(QEL_PLUGIN_ABI_VERSION) : nullptr;
        if (!module || module->abi_version != QEL_PLUGIN_ABI_VERSION ||
            module->class_count > kMaxClasses || (module->class_count && !module->classes)) {
            result = {PluginFault::NotAPlugin, "no plug-in interface of version 1"};
            return nullptr;
        }
        return std::make_shared<SharedPluginModule>(std::move(library), *module);
    }
    result = {PluginFault::NotFound, name};
    return nullptr;
}

std::shared_ptr<PluginModule> LinuxPluginHost::load(const std::string& name, PluginResult& result) {
    result = {};
    if (name.empty() || name.find('\0') != std::string::npos) {
        result = {PluginFault::NotFound, name};
        return nullptr;
    }
    if (auto kept = loaded_.find(name); kept != loaded_.end()) {
        if (auto module = kept->second.lock(); module && module->usable()) return module;
    }
    auto module = loadLibrary(name, result);
    if (module) loaded_[name] = module;
    return module;
}

void LinuxPluginHost::release() {
    for (auto it = loaded_.begin(); it != loaded_.end();)
        it = it->second.expired() ? loaded_.erase(it) : std::next(it);
}

}  // namespace qel
