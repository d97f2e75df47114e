// Text boxes (one line, several lines, the wrapping twin, the typed part of a
// combo box): the text, the selection, the length limit, password and
// read-only. Scripts count a line break as two units (CR LF) where Qt's
// multi-line editors hold one (LF); positions are translated both ways.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

constexpr std::size_t kMaxLength = QtWidgets::kMaxTextBoxLength;

QLineEdit* lineEditOf(QWidget* w) {
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit;
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->lineEdit();
    return nullptr;
}

// A text box whichever widget carries it, in the script's units.
class TextBox {
  public:
    explicit TextBox(QWidget* w)
        : line_(lineEditOf(w)),
          plain_(qobject_cast<QPlainTextEdit*>(w)),
          rich_(qobject_cast<QTextEdit*>(w)) {}

    bool valid() const { return line_ || plain_ || rich_; }

    Text text() const {
        if (line_) return fromQString(line_->text());
        QString s = plain_ ? plain_->toPlainText() : rich_->toPlainText();
        s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        return fromQString(s);
    }

    void setText(const Text& text) {
        if (line_) {
            line_->setText(toQString(text));
            return;
        }
        const QString lines = toQLines(text);
        plain_ ? plain_->setPlainText(lines) : rich_->setPlainText(lines);
    }

    // The selection as (start, length) in the script's units.
    std::pair<int, int> selection() const {
        if (line_) {
            if (!line_->hasSelectedText()) return {line_->cursorPosition(), 0};
            return {line_->selectionStart(), int(line_->selectedText().size())};
        }
        const QTextCursor cursor = plain_ ? plain_->textCursor() : rich_->textCursor();
        const int start = toScript(cursor.selectionStart());
        return {start, toScript(cursor.selectionEnd()) - start};
    }

    void select(int start, int length) {
        if (line_) {
            length == 0 ? line_->setCursorPosition(start) : line_->setSelection(start, length);
            return;
        }
        QTextCursor cursor = plain_ ? plain_->textCursor() : rich_->textCursor();
        cursor.setPosition(toQt(start));
        cursor.setPosition(toQt(start + length), QTextCursor::KeepAnchor);
        plain_ ? plain_->setTextCursor(cursor) : rich_->setTextCursor(cursor);
    }

  private:
    // A position in Qt's text (LF) to one in the script's (CR LF), and back.
    int toScript(int qtPosition) const {
        const QString s = plain_ ? plain_->toPlainText() : rich_->toPlainText();
        return qtPosition + int(s.left(qtPosition).count(QLatin1Char('\n')));
    }
    int toQt(int scriptPosition) const {
        const Text t = text();
        const int end = std::clamp(scriptPosition, 0, int(t.size()));
        int breaks = 0;
        for (int i = 0; i + 1 < end; ++i) {
            if (t[std::size_t(i)] == u'\r' && t[std::size_t(i) + 1] == u'\n') ++breaks;
        }
        return end - breaks;
    }

    QLineEdit* line_;
    QPlainTextEdit* plain_;
    QTextEdit* rich_;
};

// Keeps what the user can type within the limit without cutting what the
// script already put in (the limit applies to what comes next).
void applyLimit(Entry& e, QLineEdit* line) {
    if (!line) return;
    const int limit = int(e.heldNumber(WidgetValue::MaxLength));
    const int current = int(line->text().size());
    line->setMaxLength(limit > 0 ? std::max(limit, current) : int(kMaxLength));
}

bool setWholeText(Entry& e, TextBox& box, const Text& text) {
    if (text.size() > kMaxLength) return false;
    Text kept = text;
    const double limit = e.heldNumber(WidgetValue::MaxLength);
    if (limit > 0 && kept.size() > std::size_t(limit)) kept.resize(std::size_t(limit));
    e.undoText = box.text();
    e.hasUndo = true;
    QLineEdit* line = lineEditOf(e.widget);
    if (line) line->setMaxLength(int(kMaxLength));
    box.setText(kept);
    applyLimit(e, line);
    box.select(int(kept.size()), 0);
    return true;
}

}  // namespace

Read readText(Entry& e, WidgetValue v) {
    if (v == WidgetValue::WordWrap) {
        if (auto* rich = qobject_cast<QTextEdit*>(e.widget))
            return answer(rich->lineWrapMode() != QTextEdit::NoWrap ? 1.0 : 0.0);
        if (auto* label = qobject_cast<QLabel*>(e.widget))
            return answer(label->wordWrap() ? 1.0 : 0.0);
        return notMine();
    }
    if (!isTextBox(e.kind)) return notMine();
    TextBox box(e.widget);
    if (!box.valid()) return notMine();
    switch (v) {
        case WidgetValue::Text:
            return answer(box.text());
        case WidgetValue::SelStart:
            return answer(double(box.selection().first));
        case WidgetValue::SelLength:
            return answer(double(box.selection().second));
        case WidgetValue::SelectedText: {
            auto [start, length] = box.selection();
            return answer(
                Text(TextView(box.text()).substr(std::size_t(start), std::size_t(length))));
        }
        case WidgetValue::MaxLength:
            return answer(e.heldNumber(WidgetValue::MaxLength));
        case WidgetValue::ReadOnly: {
            if (auto* line = lineEditOf(e.widget)) return answer(line->isReadOnly() ? 1.0 : 0.0);
            if (auto* plain = qobject_cast<QPlainTextEdit*>(e.widget))
                return answer(plain->isReadOnly() ? 1.0 : 0.0);
            auto* rich = qobject_cast<QTextEdit*>(e.widget);
            return answer(rich && rich->isReadOnly() ? 1.0 : 0.0);
        }
        default:
            return notMine();
    }
}

Write writeText(Entry& e, WidgetValue v, const WidgetData& data) {
    const double* n = std::get_if<double>(&data);
    const Text* t = std::get_if<Text>(&data);
    if (v == WidgetValue::WordWrap && n) {
        if (auto* rich = qobject_cast<QTextEdit*>(e.widget)) {
            rich->setLineWrapMode(*n != 0 ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
            return Write::Done;
        }
        if (auto* label = qobject_cast<QLabel*>(e.widget)) {
            label->setWordWrap(*n != 0);
            return Write::Done;
        }
        return Write::NotMine;
    }
    if (v == WidgetValue::PasswordChar && t) {
        e.held[v] = *t;
        if (QLineEdit* line = lineEditOf(e.widget))
            line->setEchoMode(t->empty() ? QLineEdit::Normal : QLineEdit::Password);
        return Write::Done;
    }
    if (!isTextBox(e.kind)) return Write::NotMine;
    TextBox box(e.widget);
    if (!box.valid()) return Write::NotMine;
    switch (v) {
        case WidgetValue::Text:
            if (!t) return Write::Refused;
            return done(setWholeText(e, box, *t));
        case WidgetValue::SelectedText: {
            if (!t) return Write::Refused;
            const Text current = box.text();
            auto [start, length] = box.selection();
            const Text replaced = current.substr(0, std::size_t(start)) + *t +
                                  current.substr(std::size_t(start + length));
            if (replaced.size() > kMaxLength) return Write::Refused;
            e.undoText = current;
            e.hasUndo = true;
            QLineEdit* line = lineEditOf(e.widget);
            if (line) line->setMaxLength(int(kMaxLength));
            box.setText(replaced);
            applyLimit(e, line);
            box.select(start + int(t->size()), 0);
            return Write::Done;
        }
        case WidgetValue::SelStart:
        case WidgetValue::SelLength: {
            if (!n) return Write::Refused;
            const int length = int(box.text().size());
            auto [start, selected] = box.selection();
            const double wanted = std::round(*n);
            if (v == WidgetValue::SelStart) {
                start = int(std::clamp(wanted, 0.0, double(length)));
                selected = 0;
            } else {
                selected = int(std::clamp(wanted, 0.0, double(length - start)));
            }
            box.select(start, selected);
            return Write::Done;
        }
        case WidgetValue::MaxLength:
            if (!n || *n < 0) return Write::Refused;
            e.held[v] = std::round(*n);
            applyLimit(e, lineEditOf(e.widget));
            return Write::Done;
        case WidgetValue::ReadOnly: {
            if (!n) return Write::Refused;
            const bool on = *n != 0;
            if (auto* line = lineEditOf(e.widget)) line->setReadOnly(on);
            if (auto* plain = qobject_cast<QPlainTextEdit*>(e.widget)) plain->setReadOnly(on);
            if (auto* rich = qobject_cast<QTextEdit*>(e.widget)) rich->setReadOnly(on);
            return Write::Done;
        }
        default:
            return Write::NotMine;
    }
}

}  // namespace qel::qtw
