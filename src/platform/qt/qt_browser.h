// Browsers on the desktop: a QTextBrowser showing the page the object model
// fetched. It draws HTML's text, tables, lists, pictures from local files and
// simple styles; it runs no scripts and lays nothing out by CSS.
#pragma once

#include <QWidget>

#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

QWidget* makeBrowser(QWidget* parent);
void showBrowser(Entry& e, const RichChange& change);
// A link the user clicks goes to the object model, which goes there.
void connectBrowser(QtWidgets& set, Entry& e);

}  // namespace qel::qtw
