// Plug-ins on Linux: shared libraries with the C interface of
// include/qelscript/plugin.h, and programs speaking it as JSON lines.
#pragma once

#include <map>

#include "platform/ports/plugins.h"

namespace qel {

struct ProcessPluginLimits {
    int startMs = 5000;  // the first answer (the list of classes)
    int callMs = 5000;   // every later answer
};
// QELSCRIPT_PLUGIN_TIMEOUT (milliseconds) replaces both, when set.
ProcessPluginLimits processPluginLimitsFromEnvironment();

class LinuxPluginHost : public PluginPort {
  public:
    explicit LinuxPluginHost(ProcessPluginLimits limits = {}) : limits_(limits) {}
    std::shared_ptr<PluginModule> load(const std::string& name, PluginResult& result) override;
    void release() override;

  private:
    std::shared_ptr<PluginModule> loadLibrary(const std::string& name, PluginResult& result);
    ProcessPluginLimits limits_;
    std::map<std::string, std::weak_ptr<PluginModule>> loaded_;
};

// Starts a program as a process plug-in (plugin_process.cpp).
std::shared_ptr<PluginModule> StartProcessPlugin(const std::string& path,
                                                 const ProcessPluginLimits& limits,
                                                 PluginResult& result);

}  // namespace qel
