// A control plug-in whose control can never be made, for the tests of what
// the host does then: the object and the picture it would have lived in are
// taken away again, and the script hears why.
#include <qelscript/plugin.h>

#include <cstring>

namespace {

struct Broken {};

void* brokenCreate() {
    return new Broken;
}

void brokenDestroy(void* self) {
    delete static_cast<Broken*>(self);
}

int brokenGet(void*, const char* name, qel_plugin_text* value) {
    if (std::strcmp(name, "状態") != 0) return QEL_PLUGIN_NOT_HANDLED;
    value->set(value, "生きている", std::strlen("生きている"));
    return QEL_PLUGIN_HANDLED;
}

int brokenMakeControl(void*, const qel_plugin_control_host*, qel_plugin_text* why) {
    static const char kWhy[] = "部品の準備に失敗しました。";
    why->set(why, kWhy, sizeof kWhy - 1);
    return QEL_PLUGIN_FAILED;
}

const qel_plugin_class kClasses[] = {
    {"Broken", "故障品", brokenCreate, brokenDestroy, nullptr, nullptr, brokenGet, nullptr,
     brokenMakeControl},
};

const qel_plugin_module kModule = {QEL_PLUGIN_ABI_VERSION, 1, kClasses};

}  // namespace

extern "C" const qel_plugin_module* qel_plugin_entry(uint32_t) {
    return &kModule;
}
