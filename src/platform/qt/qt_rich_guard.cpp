// The guard over protected characters. Every way the user changes the text
// is checked before the widget acts: the keys that type or delete, the input
// method's committed text, pasting, dropping and the context menu.
#include "platform/qt/qt_rich_guard.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace qel::qtw {

namespace {

// The mark of the character at `position`; nothing for a paragraph break,
// which has no format of its own.
std::optional<bool> markAt(const QTextDocument& document, int position) {
    const QTextBlock block = document.findBlock(position);
    if (!block.isValid()) return false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (position >= f.position() && position < f.position() + f.length())
            return f.charFormat().boolProperty(kProtectedProperty);
    }
    return std::nullopt;
}

// A paragraph break counts as protected when the text on both its sides is.
bool protectedAt(const QTextDocument& document, int position) {
    if (auto mark = markAt(document, position)) return *mark;
    return position > 0 && markAt(document, position - 1).value_or(false) &&
           markAt(document, position + 1).value_or(false);
}

bool anyProtected(const QTextDocument& document) {
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().boolProperty(kProtectedProperty)) return true;
        }
    }
    return false;
}

// The range a key would delete when nothing is selected; nothing for keys
// that do not delete.
std::optional<std::pair<int, int>> deletedByKey(const QTextCursor& cursor, QKeyEvent* event) {
    QTextCursor c = cursor;
    if (event->matches(QKeySequence::DeleteStartOfWord)) {
        c.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor);
    } else if (event->matches(QKeySequence::DeleteEndOfWord)) {
        c.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    } else if (event->matches(QKeySequence::DeleteEndOfLine)) {
        c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    } else if (event->key() == Qt::Key_Backspace) {
        c.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
    } else if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Delete) {
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    } else {
        return std::nullopt;
    }
    return std::pair{c.selectionStart(), c.selectionEnd()};
}

// The protected text and where it stands, to tell whether an undo touched it.
std::vector<std::pair<int, QString>> protectedRuns(const QTextDocument& document) {
    std::vector<std::pair<int, QString>> runs;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().boolProperty(kProtectedProperty))
                runs.emplace_back(f.position(), f.text());
        }
    }
    return runs;
}

bool typesText(QKeyEvent* event) {
    const QString t = event->text();
    if (t.isEmpty()) return false;
    // Ctrl and Meta with a letter are commands, whatever text a platform gives them.
    const Qt::KeyboardModifiers m = event->modifiers();
    if ((m & Qt::ControlModifier && !(m & Qt::AltModifier)) || m & Qt::MetaModifier) return false;
    return t.at(0).isPrint() || t.at(0) == u'\r' || t.at(0) == u'\n' || t.at(0) == u'\t';
}

}  // namespace

bool touchesProtected(const QTextDocument& document, int from, int to) {
    if (from == to) {
        return from > 0 && protectedAt(document, from - 1) && protectedAt(document, from);
    }
    for (int p = from; p < to; ++p) {
        if (protectedAt(document, p)) return true;
    }
    return false;
}

bool GuardedTextEdit::selectionRefused() const {
    const QTextCursor c = textCursor();
    return touchesProtected(*document(), c.selectionStart(), c.selectionEnd());
}

void GuardedTextEdit::unmarkTyping() {
    QTextCharFormat f = currentCharFormat();
    if (!f.boolProperty(kProtectedProperty)) return;
    f.clearProperty(kProtectedProperty);
    setCurrentCharFormat(f);
}

void GuardedTextEdit::guardedHistory(bool undo) {
    const auto before = protectedRuns(*document());
    undo ? QTextEdit::undo() : QTextEdit::redo();
    if (protectedRuns(*document()) != before) undo ? QTextEdit::redo() : QTextEdit::undo();
}

void GuardedTextEdit::keyPressEvent(QKeyEvent* event) {
    // Most boxes hold no protected text: nothing to look at then.
    if (!isReadOnly() && anyProtected(*document())) {
        if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
            guardedHistory(event->matches(QKeySequence::Undo));
            event->accept();
            return;
        }
        const QTextCursor c = textCursor();
        bool refused = false;
        if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Paste)) {
            refused = selectionRefused();
        } else if (c.hasSelection() && (typesText(event) || deletedByKey(c, event))) {
            refused = selectionRefused();
        } else if (auto range = deletedByKey(c, event)) {
            refused = touchesProtected(*document(), range->first, range->second);
        } else if (typesText(event)) {
            refused = selectionRefused();
            if (!refused) unmarkTyping();
        }
        if (refused) {
            event->accept();  // the protected text stays as it is
            return;
        }
    }
    QTextEdit::keyPressEvent(event);
}

void GuardedTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() || !event->preeditString().isEmpty()) {
        if (selectionRefused()) {
            event->accept();
            return;
        }
        unmarkTyping();
    }
    QTextEdit::inputMethodEvent(event);
}

void GuardedTextEdit::insertFromMimeData(const QMimeData* source) {
    if (selectionRefused()) return;
    unmarkTyping();
    QTextEdit::insertFromMimeData(source);
}

void GuardedTextEdit::dropEvent(QDropEvent* event) {
    const int at = cursorForPosition(event->position().toPoint()).position();
    // Text moved from this box leaves its old place too.
    const bool moved = event->source() == this && event->dropAction() == Qt::MoveAction;
    if (touchesProtected(*document(), at, at) || (moved && selectionRefused())) {
        event->ignore();
        return;
    }
    QTextEdit::dropEvent(event);
}

void GuardedTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    if (!menu) return;
    const bool refused = selectionRefused();
    const bool guarded = anyProtected(*document());
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (refused && (name == u"edit-cut" || name == u"edit-delete" || name == u"edit-paste"))
            action->setEnabled(false);
        // The menu's undo and redo act directly: none while text is protected.
        if (guarded && (name == u"edit-undo" || name == u"edit-redo")) action->setEnabled(false);
    }
    menu->exec(event->globalPos());
}

}  // namespace qel::qtw
