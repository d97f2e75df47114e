#include "platform/qt/qt_find.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel {

QtFindDialog::QtFindDialog(QtWidgets& set, QWidget* parent) : QDialog(parent), set_(set) {
    setModal(false);
    auto* fields = new QGridLayout;
    find_ = new QLineEdit(this);
    replace_ = new QLineEdit(this);
    replaceLabel_ = new QLabel(QStringLiteral("置換後の文字列:"), this);
    fields->addWidget(new QLabel(QStringLiteral("検索する文字列:"), this), 0, 0);
    fields->addWidget(find_, 0, 1);
    fields->addWidget(replaceLabel_, 1, 0);
    fields->addWidget(replace_, 1, 1);
    matchCase_ = new QCheckBox(QStringLiteral("大文字と小文字を区別する"), this);
    auto* direction = new QGroupBox(QStringLiteral("検索する方向"), this);
    up_ = new QRadioButton(QStringLiteral("上へ"), direction);
    down_ = new QRadioButton(QStringLiteral("下へ"), direction);
    down_->setChecked(true);
    auto* directions = new QHBoxLayout(direction);
    directions->addWidget(up_);
    directions->addWidget(down_);
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(matchCase_);
    left->addWidget(direction);
    left->addStretch();

    next_ = new QPushButton(QStringLiteral("次を検索"), this);
    replaceOne_ = new QPushButton(QStringLiteral("置換して次に"), this);
    replaceAll_ = new QPushButton(QStringLiteral("すべて置換"), this);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    next_->setDefault(true);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {next_, replaceOne_, replaceAll_, cancel}) buttons->addWidget(b);
    buttons->addStretch();
    auto* all = new QHBoxLayout(this);
    all->addLayout(left, 1);
    all->addLayout(buttons);

    connect(next_, &QPushButton::clicked, this, [this] { ask(kFindNext); });
    connect(replaceOne_, &QPushButton::clicked, this, [this] { ask(kFindReplace); });
    connect(replaceAll_, &QPushButton::clicked, this, [this] { ask(kFindReplaceAll); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Nothing to look for, nothing to press.
    auto enable = [this] {
        const bool any = !find_->text().isEmpty();
        for (QPushButton* b : {next_, replaceOne_, replaceAll_}) b->setEnabled(any);
    };
    connect(find_, &QLineEdit::textChanged, this, enable);
    enable();
}

void QtFindDialog::serve(WidgetId box, bool replace, const QString& offered) {
    box_ = box;
    replaces_ = replace;
    setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
    for (QWidget* w : {static_cast<QWidget*>(replace_), static_cast<QWidget*>(replaceLabel_),
                       static_cast<QWidget*>(replaceOne_), static_cast<QWidget*>(replaceAll_)})
        w->setVisible(replace);
    // Replacing goes down the text only.
    up_->parentWidget()->setVisible(!replace);
    if (replace) down_->setChecked(true);
    if (!offered.isEmpty() && !offered.contains(QLatin1Char('\n'))) find_->setText(offered);
    show();
    raise();
    activateWindow();
    find_->setFocus();
    find_->selectAll();
}

QPushButton* QtFindDialog::button(FindAction action) const {
    switch (action) {
        case kFindNext:
            return next_;
        case kFindReplace:
            return replaceOne_;
        case kFindReplaceAll:
            return replaceAll_;
        default:
            return nullptr;
    }
}

std::string QtFindDialog::use(const WidgetEvent& request) {
    if (!isVisible() || box_ == 0) return "no find dialog is open";
    const auto action = FindAction(request.command);
    if ((action == kFindReplace || action == kFindReplaceAll) && !replaces_)
        return "the find dialog opened by 検索 does not replace";
    if (action == kFindClosed) {
        reject();
        return {};
    }
    find_->setText(toQString(request.findText));
    replace_->setText(toQString(request.replaceText));
    matchCase_->setChecked(request.matchCase);
    (request.searchUp ? up_ : down_)->setChecked(true);
    button(action)->click();
    return {};
}

void QtFindDialog::ask(FindAction action) {
    WidgetEventSink* sink = set_.eventSink();
    if (!sink || !set_.find(box_)) return;
    WidgetEvent event = eventOf(box_, WidgetEventType::FindRequest);
    event.command = std::uint64_t(action);
    event.findText = fromQString(find_->text());
    event.replaceText = fromQString(replace_->text());
    event.matchCase = matchCase_->isChecked();
    event.searchUp = !replaces_ && up_->isChecked();
    sink->widgetEvent(event);
}

void QtFindDialog::done(int result) {
    box_ = 0;
    QDialog::done(result);
}

}  // namespace qel

namespace qel {

bool QtWidgets::showFind(WidgetId box, bool replace, TextView findText) {
    QWidget* widget = widgetOf(box);
    if (!widget) return false;
    QWidget* window = widget->window();
    if (!find_) {
        find_ = new QtFindDialog(*this, window);
    } else if (find_->parentWidget() != window) {
        // One find dialog at a time, kept above the window of the box it serves.
        find_->setParent(window, find_->windowFlags());
    }
    find_->serve(box, replace, toQString(findText));
    return true;
}

std::string QtWidgets::useFind(const WidgetEvent& request) {
    if (!find_) return "no find dialog is open";
    return find_->use(request);
}

QtFindDialog* QtWidgets::findDialog() const {
    return find_.data();
}

}  // namespace qel
