#include "platform/linux/canberra_sounds.h"

#include <canberra.h>

#include <memory>

#include "platform/linux/shared_library.h"

namespace qel {

namespace {

struct Canberra {
    // Its sound-server drivers start threads of their own.
    SharedLibrary lib{"libcanberra.so.0", true};
    decltype(&ca_context_create) create = nullptr;
    decltype(&ca_context_destroy) destroy = nullptr;
    decltype(&ca_context_play) play = nullptr;
    decltype(&ca_strerror) strerror = nullptr;
    bool ok = lib.get(create, "ca_context_create") && lib.get(destroy, "ca_context_destroy") &&
              lib.get(play, "ca_context_play") && lib.get(strerror, "ca_strerror");
};

class CanberraPlayer {
  public:
    explicit CanberraPlayer(std::ostream& err) : err_(err) {}
    ~CanberraPlayer() {
        if (context_) api_->destroy(context_);
    }
    CanberraPlayer(const CanberraPlayer&) = delete;
    CanberraPlayer& operator=(const CanberraPlayer&) = delete;

    bool play(const std::vector<std::string>& names) {
        if (!ready()) return false;
        int result = CA_ERROR_NOTFOUND;
        for (const std::string& name : names) {
            // The sound keeps playing after the call returns; the context
            // stays open for the run so that it is not cut off.
            result = api_->play(context_, 0, CA_PROP_EVENT_ID, name.c_str(),
                                CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
            if (result == CA_SUCCESS) return true;
            if (result != CA_ERROR_NOTFOUND) break;
        }
        // A name the theme lacks is normal; anything else is said once.
        if (result != CA_ERROR_NOTFOUND) sayOnce(api_->strerror(result));
        return false;
    }

  private:
    bool ready() {
        if (context_) return true;
        if (!api_) api_ = std::make_unique<Canberra>();
        if (!api_->ok) {
            sayOnce("libcanberra.so.0 is not installed (Debian's libcanberra0)");
            return false;
        }
        int result = api_->create(&context_);
        if (result != CA_SUCCESS) {
            context_ = nullptr;
            sayOnce(api_->strerror(result));
            return false;
        }
        return true;
    }

    void sayOnce(const char* why) {
        if (said_) return;
        said_ = true;
        err_ << "qelscript: system sounds cannot be played: " << (why ? why : "unknown error")
             << '\n';
    }

    std::ostream& err_;
    std::unique_ptr<Canberra> api_;
    ca_context* context_ = nullptr;
    bool said_ = false;
};

}  // namespace

ThemeSoundPlayer MakeCanberraSoundPlayer(std::ostream& err) {
    auto player = std::make_shared<CanberraPlayer>(err);
    return [player](const std::vector<std::string>& names) { return player->play(names); };
}

}  // namespace qel
