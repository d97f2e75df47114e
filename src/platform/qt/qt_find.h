// The modeless find (and find-and-replace) dialog on Qt. It only asks: each
// button reports a FindRequest event of its text box, and the object model
// searches and replaces, as on every widget set.
#pragma once

#include <QDialog>
#include <QPointer>

#include <string>

#include "platform/ports/widget_events.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qel {

class QtWidgets;

class QtFindDialog : public QDialog {
  public:
    QtFindDialog(QtWidgets& set, QWidget* parent);

    // Serves `box` now, replacing or only finding.
    void serve(WidgetId box, bool replace, const QString& offered);
    WidgetId box() const { return box_; }
    bool replaces() const { return replaces_; }
    // Fills the fields as the request says and presses its button.
    std::string use(const WidgetEvent& request);

    QLineEdit* findEdit() const { return find_; }
    QLineEdit* replaceEdit() const { return replace_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    QRadioButton* upButton() const { return up_; }
    QPushButton* button(FindAction action) const;

  protected:
    void done(int result) override;

  private:
    void ask(FindAction action);

    QtWidgets& set_;
    WidgetId box_ = 0;
    bool replaces_ = false;
    QLineEdit* find_ = nullptr;
    QLineEdit* replace_ = nullptr;
    QLabel* replaceLabel_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QRadioButton* up_ = nullptr;
    QRadioButton* down_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* replaceOne_ = nullptr;
    QPushButton* replaceAll_ = nullptr;
};

}  // namespace qel
