// Protected characters of a rich text box (選択文字ロック): the script may
// change them, the user may not.
#pragma once

#include <QTextEdit>
#include <QTextFormat>

namespace qel::qtw {

// Qt has no protected characters of its own: the mark lives in the character
// format, so that it survives the round trip through the widget.
inline constexpr int kProtectedProperty = QTextFormat::UserProperty + 1;

// Whether the user's edit that replaces [from, to) of `document` (an
// insertion when from == to) would change protected text. An insertion is
// refused only inside a protected run, so text can still be added right
// before or after one.
bool touchesProtected(const QTextDocument& document, int from, int to);

// A QTextEdit that refuses typing, deleting, cutting, pasting and dropping
// that would change protected text.
class GuardedTextEdit : public QTextEdit {
  public:
    using QTextEdit::QTextEdit;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    bool selectionRefused() const;
    // The user's undo and redo, taken back when they would change protected
    // text (the script's own changes are on the same stack).
    void guardedHistory(bool undo);
    // Typed text never takes the mark from the character before it.
    void unmarkTyping();
};

}  // namespace qel::qtw
