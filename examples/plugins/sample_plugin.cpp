// A sample plug-in built against include/qelscript/plugin.h. It offers two
// classes:
//   Counter (not a control): verbs 足す, 引く, 戻す; property 値 (read and
//     write) and 回数 (read only); function 倍(n).
//   Lamp (a control, kind word ランプ): property 点灯 (0 or 1) and 色; verb
//     切り替え. Given a Qt parent it shows its state in a label filling the
//     picture that hosts it; on a host without widgets it keeps only its
//     state.
// Build without Qt:
//   c++ -shared -fPIC -I include -o libqelsample.so sample_plugin.cpp
// and with the label (against the same Qt 6 the runtime uses):
//   c++ -shared -fPIC -DQEL_SAMPLE_WITH_QT -I include $(pkg-config --cflags Qt6Widgets)
//       -o libqelsample.so sample_plugin.cpp $(pkg-config --libs Qt6Widgets)
// (one line).
#include <qelscript/plugin.h>

#include <cstdlib>
#include <cstring>
#include <string>

#ifdef QEL_SAMPLE_WITH_QT
#include <QEvent>
#include <QLabel>
#include <QPointer>
#endif

namespace {

void answer(qel_plugin_text* out, const std::string& text) {
    if (out) out->set(out, text.data(), text.size());
}

bool is(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

std::string number(long long n) {
    return std::to_string(n);
}

// ---- Counter --------------------------------------------------------------------------------

struct Counter {
    long long value = 0;
    long long changes = 0;
};

void* counterCreate() {
    return new Counter;
}

void counterDestroy(void* self) {
    delete static_cast<Counter*>(self);
}

int counterCommand(void* self, const char* verb, const char* argument, qel_plugin_text* out) {
    auto* c = static_cast<Counter*>(self);
    long long n = *argument ? std::atoll(argument) : 1;
    if (is(verb, "足す")) {
        c->value += n;
    } else if (is(verb, "引く")) {
        c->value -= n;
    } else if (is(verb, "戻す")) {
        c->value = 0;
    } else {
        return QEL_PLUGIN_NOT_HANDLED;
    }
    ++c->changes;
    answer(out, number(c->value));
    return QEL_PLUGIN_HANDLED;
}

int counterFunction(void* self, const char* name, const char* arguments, qel_plugin_text* out) {
    auto* c = static_cast<Counter*>(self);
    if (is(name, "倍")) {
        answer(out, number(c->value * std::atoll(arguments)));
        return QEL_PLUGIN_HANDLED;
    }
    if (is(name, "割る")) {
        long long by = std::atoll(arguments);
        if (by == 0) {
            answer(out, "0で割ることはできません。");
            return QEL_PLUGIN_FAILED;
        }
        answer(out, number(c->value / by));
        return QEL_PLUGIN_HANDLED;
    }
    return QEL_PLUGIN_NOT_HANDLED;
}

int counterGet(void* self, const char* name, qel_plugin_text* out) {
    auto* c = static_cast<Counter*>(self);
    if (is(name, "値")) {
        answer(out, number(c->value));
    } else if (is(name, "回数")) {
        answer(out, number(c->changes));
    } else {
        return QEL_PLUGIN_NOT_HANDLED;
    }
    return QEL_PLUGIN_HANDLED;
}

int counterSet(void* self, const char* name, const char* value, qel_plugin_text* why) {
    auto* c = static_cast<Counter*>(self);
    if (is(name, "回数")) {
        answer(why, "回数は読み取り専用です。");
        return QEL_PLUGIN_FAILED;
    }
    if (!is(name, "値")) return QEL_PLUGIN_NOT_HANDLED;
    c->value = std::atoll(value);
    ++c->changes;
    return QEL_PLUGIN_HANDLED;
}

// ---- Lamp -----------------------------------------------------------------------------------

#ifdef QEL_SAMPLE_WITH_QT
// Keeps a label over the whole of its parent as the script resizes it.
class FillParent : public QObject {
  public:
    explicit FillParent(QLabel* label) : QObject(label), label_(label) {
        label->parentWidget()->installEventFilter(this);
        fit();
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_->parentWidget() && event->type() == QEvent::Resize) fit();
        return false;
    }

  private:
    void fit() { label_->setGeometry(label_->parentWidget()->rect()); }
    QLabel* label_;
};
#endif

struct Lamp {
    bool on = false;
    std::string colour = "赤";
    std::string toolkit;
#ifdef QEL_SAMPLE_WITH_QT
    // Owned by the hosting picture, which may go first (its window closed).
    QPointer<QLabel> label;
#endif
};

// Every change of state shows at once. The script's thread is the thread
// that owns the widgets on the Qt host, so the label is set directly.
void show(Lamp& lamp) {
#ifdef QEL_SAMPLE_WITH_QT
    const std::string text = lamp.colour + (lamp.on ? "・点灯" : "・消灯");
    if (lamp.label) lamp.label->setText(QString::fromStdString(text));
#else
    (void)lamp;
#endif
}

void* lampCreate() {
    return new Lamp;
}

// The label belongs to the hosting picture: it is left for the host to remove.
void lampDestroy(void* self) {
    delete static_cast<Lamp*>(self);
}

int lampCommand(void* self, const char* verb, const char*, qel_plugin_text* out) {
    auto* lamp = static_cast<Lamp*>(self);
    if (!is(verb, "切り替え")) return QEL_PLUGIN_NOT_HANDLED;
    lamp->on = !lamp->on;
    show(*lamp);
    answer(out, lamp->on ? "1" : "0");
    return QEL_PLUGIN_HANDLED;
}

int lampGet(void* self, const char* name, qel_plugin_text* out) {
    auto* lamp = static_cast<Lamp*>(self);
    if (is(name, "点灯")) {
        answer(out, lamp->on ? "1" : "0");
    } else if (is(name, "色")) {
        answer(out, lamp->colour);
    } else if (is(name, "ツールキット")) {
        answer(out, lamp->toolkit);
    } else {
        return QEL_PLUGIN_NOT_HANDLED;
    }
    return QEL_PLUGIN_HANDLED;
}

int lampSet(void* self, const char* name, const char* value, qel_plugin_text*) {
    auto* lamp = static_cast<Lamp*>(self);
    if (is(name, "点灯")) {
        lamp->on = std::atoll(value) != 0;
    } else if (is(name, "色")) {
        lamp->colour = value;
    } else {
        return QEL_PLUGIN_NOT_HANDLED;
    }
    show(*lamp);
    return QEL_PLUGIN_HANDLED;
}

int lampMakeControl(void* self, const qel_plugin_control_host* host, qel_plugin_text* why) {
    auto* lamp = static_cast<Lamp*>(self);
    lamp->toolkit = host->toolkit ? host->toolkit : "";
    if (lamp->toolkit != "qt") return QEL_PLUGIN_HANDLED;  // state only
#ifdef QEL_SAMPLE_WITH_QT
    auto* parent = static_cast<QWidget*>(host->parent);
    if (!parent) {
        answer(why, "ランプを置くウィジェットがありません。");
        return QEL_PLUGIN_FAILED;
    }
    lamp->label = new QLabel(parent);
    lamp->label->setObjectName(QStringLiteral("qelsample-lamp"));
    lamp->label->setAlignment(Qt::AlignCenter);
    new FillParent(lamp->label);
    show(*lamp);
    lamp->label->show();
#else
    (void)why;
#endif
    return QEL_PLUGIN_HANDLED;
}

const qel_plugin_class kClasses[] = {
    {"Counter", nullptr, counterCreate, counterDestroy, counterCommand, counterFunction, counterGet,
     counterSet, nullptr},
    {"Lamp", "ランプ", lampCreate, lampDestroy, lampCommand, nullptr, lampGet, lampSet,
     lampMakeControl},
};

const qel_plugin_module kModule = {QEL_PLUGIN_ABI_VERSION, 2, kClasses};

}  // namespace

extern "C" const qel_plugin_module* qel_plugin_entry(uint32_t host_abi_version) {
    return host_abi_version >= 1 ? &kModule : nullptr;
}
