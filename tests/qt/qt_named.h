// The Qt tests find a script's widgets as the script named them: the desktop
// module gives each widget its registered name as its accessible name.
#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>

namespace qel {

template <class W = QWidget>
W* named(const QString& name) {
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->accessibleName() == name) return qobject_cast<W*>(widget);
    }
    return nullptr;
}

}  // namespace qel
