// Scroll bars (limits, value, steps), check boxes and options, timers.
#include <QCheckBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

int toInt(double d) {
    return int(std::clamp(std::round(d), -2147483648.0, 2147483647.0));
}

}  // namespace

void makeTimer(Entry& e) {
    e.timer = std::make_unique<QTimer>();
    // Timers made by the script start off; the object model turns them on.
    e.timer->setTimerType(Qt::PreciseTimer);
}

bool timerRunning(const Entry& e) {
    return e.timer && e.timer->isActive();
}

Read readRange(Entry& e, WidgetValue v) {
    if (e.timer) {
        if (v == WidgetValue::Interval) return answer(double(e.timer->interval()));
        if (v == WidgetValue::Enabled) return answer(e.heldNumber(WidgetValue::Enabled));
        return notMine();
    }
    if (auto* bar = qobject_cast<QScrollBar*>(e.widget)) {
        switch (v) {
            case WidgetValue::Minimum:
                return answer(double(bar->minimum()));
            case WidgetValue::Maximum:
                return answer(double(bar->maximum()));
            case WidgetValue::Value:
                return answer(double(bar->value()));
            case WidgetValue::SmallChange:
                return answer(double(bar->singleStep()));
            case WidgetValue::LargeChange:
                return answer(double(bar->pageStep()));
            default:
                return notMine();
        }
    }
    if (v != WidgetValue::Checked) return notMine();
    if (auto* check = qobject_cast<QCheckBox*>(e.widget)) {
        switch (check->checkState()) {
            case Qt::Checked:
                return answer(1.0);
            case Qt::PartiallyChecked:
                return answer(2.0);
            default:
                return answer(0.0);
        }
    }
    if (auto* option = qobject_cast<QRadioButton*>(e.widget))
        return answer(option->isChecked() ? 1.0 : 0.0);
    return notMine();
}

Write writeRange(QtWidgets& set, Entry& e, WidgetValue v, const WidgetData& data) {
    (void)set;
    const double* n = std::get_if<double>(&data);
    if (e.timer) {
        if (v == WidgetValue::Interval) {
            if (!n || *n < 0) return Write::Refused;
            e.timer->setInterval(toInt(*n));
        } else if (v == WidgetValue::Enabled) {
            if (!n) return Write::Refused;
            e.held[v] = *n != 0 ? 1.0 : 0.0;
        } else {
            return Write::NotMine;
        }
        // A timer ticks while it is on and has an interval.
        const bool run = e.heldNumber(WidgetValue::Enabled) != 0 && e.timer->interval() > 0;
        if (run && !e.timer->isActive()) e.timer->start();
        if (!run) e.timer->stop();
        return Write::Done;
    }
    if (auto* bar = qobject_cast<QScrollBar*>(e.widget)) {
        if (!n) {
            return v == WidgetValue::Minimum || v == WidgetValue::Maximum ||
                           v == WidgetValue::Value || v == WidgetValue::SmallChange ||
                           v == WidgetValue::LargeChange
                       ? Write::Refused
                       : Write::NotMine;
        }
        const int number = toInt(*n);
        // Qt's scroll bars move the other limit and keep the value inside
        // the range by themselves.
        switch (v) {
            case WidgetValue::Minimum:
                bar->setMinimum(number);
                return Write::Done;
            case WidgetValue::Maximum:
                bar->setMaximum(number);
                return Write::Done;
            case WidgetValue::Value:
                bar->setValue(number);
                return Write::Done;
            case WidgetValue::SmallChange:
                if (number < 1) return Write::Refused;
                bar->setSingleStep(number);
                return Write::Done;
            case WidgetValue::LargeChange:
                if (number < 1) return Write::Refused;
                bar->setPageStep(number);
                return Write::Done;
            default:
                return Write::NotMine;
        }
    }
    if (v != WidgetValue::Checked) return Write::NotMine;
    if (!n) return Write::Refused;
    if (auto* check = qobject_cast<QCheckBox*>(e.widget)) {
        const int state = toInt(*n);
        if (state < 0 || state > 2) return Write::Refused;
        if (state == 2) check->setTristate(true);
        check->setCheckState(state == 2   ? Qt::PartiallyChecked
                             : state == 1 ? Qt::Checked
                                          : Qt::Unchecked);
        return Write::Done;
    }
    if (auto* option = qobject_cast<QRadioButton*>(e.widget)) {
        if (*n != 0) {
            option->setChecked(true);  // Qt unchecks the container's other options
        } else {
            // An exclusive option refuses to be unchecked by itself.
            option->setAutoExclusive(false);
            option->setChecked(false);
            option->setAutoExclusive(true);
        }
        return Write::Done;
    }
    return Write::NotMine;
}

}  // namespace qel::qtw
