// Names the object model has no word for, passed on to the widget: the Qt
// properties of the widget (QObject's property system), found by their name
// without regard to case. Only properties whose values a script can write
// as text are reached: switches, whole and fractional numbers, texts and
// enumerations (by number or by the enumeration's own key).
#include <QMetaProperty>
#include <QWidget>

#include <cmath>
#include <limits>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"
#include "text/number.h"

namespace qel {

namespace {

bool passable(const QMetaProperty& p) {
    if (p.isEnumType()) return true;
    switch (p.metaType().id()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::QString:
            return true;
        default:
            return false;
    }
}

std::optional<QMetaProperty> propertyOf(const QWidget* w, const std::string& name) {
    if (!w || name.empty()) return std::nullopt;
    const QMetaObject* meta = w->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        QMetaProperty p = meta->property(i);
        if (qstricmp(p.name(), name.c_str()) == 0 && passable(p)) return p;
    }
    return std::nullopt;
}

// The value for a member of number type, if the text is a number it can hold.
std::optional<QVariant> numberFor(const QMetaProperty& p, TextView value) {
    auto n = number::parse(text::toHalfWidth(value));
    if (!n || !std::isfinite(*n)) return std::nullopt;
    switch (p.metaType().id()) {
        case QMetaType::Bool:
            return QVariant(*n != 0);
        case QMetaType::Int:
            if (*n < std::numeric_limits<int>::min() || *n > std::numeric_limits<int>::max())
                return std::nullopt;
            return QVariant(int(std::round(*n)));
        case QMetaType::UInt:
            if (*n < 0 || *n > std::numeric_limits<unsigned>::max()) return std::nullopt;
            return QVariant(unsigned(std::round(*n)));
        case QMetaType::Float:
            return QVariant(float(*n));
        default:
            return QVariant(*n);
    }
}

}  // namespace

bool QtWidgets::hasMember(WidgetId id, const std::string& name) const {
    return propertyOf(widgetOf(id), name).has_value();
}

std::optional<WidgetData> QtWidgets::member(WidgetId id, const std::string& name) const {
    QWidget* w = widgetOf(id);
    auto p = propertyOf(w, name);
    if (!p || !p->isReadable()) return std::nullopt;
    const QVariant v = p->read(w);
    if (p->isEnumType()) return double(v.toInt());
    switch (p->metaType().id()) {
        case QMetaType::Bool:
            return v.toBool() ? 1.0 : 0.0;
        case QMetaType::QString:
            return fromQString(v.toString());
        default:
            return v.toDouble();
    }
}

bool QtWidgets::setMember(WidgetId id, const std::string& name, TextView value) {
    QWidget* w = widgetOf(id);
    auto p = propertyOf(w, name);
    if (!p || !p->isWritable()) return false;
    QVariant v;
    if (p->isEnumType()) {
        bool known = false;
        const QMetaEnum e = p->enumerator();
        const QByteArray key = toQString(text::toHalfWidth(value)).toUtf8();
        int n = e.isFlag() ? e.keysToValue(key.constData(), &known)
                           : e.keyToValue(key.constData(), &known);
        if (!known) {
            auto number = number::parse(text::toHalfWidth(value));
            if (!number || *number != std::floor(*number)) return false;
            n = int(*number);
            // Only values the enumeration names (or, for flags, combines).
            if (e.isFlag() ? e.valueToKeys(n).isEmpty() && n != 0 : !e.valueToKey(n)) return false;
        }
        v = QVariant(n);
    } else if (p->metaType().id() == QMetaType::QString) {
        v = QVariant(toQString(value));
    } else if (auto number = numberFor(*p, value)) {
        v = *number;
    } else {
        return false;
    }
    return p->write(w, v);
}

}  // namespace qel
