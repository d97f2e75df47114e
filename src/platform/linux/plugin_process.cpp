// Process plug-ins: programs speaking the plug-in operations as JSON lines.
#include "platform/linux/plugin_host.h"

namespace qel {

std::shared_ptr<PluginModule> StartProcessPlugin(const std::string& path,
                                                 const ProcessPluginLimits& limits,
                                                 PluginResult& result) {
    (void)limits;
    result = {PluginFault::NotAPlugin, path};
    return nullptr;
}

}  // namespace qel
