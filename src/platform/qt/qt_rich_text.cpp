// Rich text boxes on a QTextEdit. The widget's document is the text and its
// looks (the user edits it directly); the script's view of it is a
// RichTextDocument, converted both ways: character formats to looks,
// block formats to paragraph layouts, Qt's one-character paragraph
// separator to CR LF.
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

#include "platform/qt/qt_rich_guard.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

QTextEdit* richEditOf(Entry& e) {
    return e.kind == int(WidgetKind::RichText) ? qobject_cast<QTextEdit*>(e.widget.data())
                                               : nullptr;
}

CharStyle styleOf(const QTextCharFormat& f) {
    CharStyle s;
    if (f.hasProperty(QTextFormat::FontFamilies)) {
        const QStringList families = f.fontFamilies().toStringList();
        if (!families.isEmpty()) s.font = fromQString(families.front());
    }
    if (f.hasProperty(QTextFormat::FontPointSize)) s.size = f.fontPointSize();
    s.bold = f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() >= QFont::Bold;
    s.italic = f.fontItalic();
    s.underline = f.fontUnderline();
    s.strike = f.fontStrikeOut();
    s.protect = f.boolProperty(kProtectedProperty);
    if (f.hasProperty(QTextFormat::ForegroundBrush)) {
        s.hasColour = true;
        s.colour = f.foreground().color().rgb() & 0xFFFFFF;
    }
    return s;
}

QTextCharFormat formatOf(const CharStyle& s) {
    QTextCharFormat f;
    if (!s.font.empty()) f.setFontFamilies({toQString(s.font)});
    if (s.size > 0) f.setFontPointSize(s.size);
    if (s.bold) f.setFontWeight(QFont::Bold);
    if (s.italic) f.setFontItalic(true);
    if (s.underline) f.setFontUnderline(true);
    if (s.strike) f.setFontStrikeOut(true);
    if (s.protect) f.setProperty(kProtectedProperty, true);
    if (s.hasColour) f.setForeground(QColor(QRgb(0xFF000000u | s.colour)));
    return f;
}

// Qt's left margin is where the lines after the first start; the text indent
// moves the first line from there.
ParaStyle paragraphOf(const QTextBlockFormat& f) {
    ParaStyle p;
    const Qt::Alignment h = f.alignment() & Qt::AlignHorizontal_Mask;
    p.align = h & Qt::AlignRight     ? ParaAlign::Right
              : h & Qt::AlignHCenter ? ParaAlign::Centre
                                     : ParaAlign::Left;
    p.hanging = -f.textIndent();
    p.left = f.leftMargin() - p.hanging;
    p.right = f.rightMargin();
    return p;
}

QTextBlockFormat blockFormatOf(const ParaStyle& p) {
    QTextBlockFormat f;
    f.setAlignment(p.align == ParaAlign::Right    ? Qt::AlignRight
                   : p.align == ParaAlign::Centre ? Qt::AlignHCenter
                                                  : Qt::AlignLeft);
    f.setLeftMargin(p.left + p.hanging);
    f.setTextIndent(-p.hanging);
    f.setRightMargin(p.right);
    return f;
}

RichTextDocument documentOf(const QTextDocument& q) {
    RichTextDocument d;
    std::size_t paragraph = 0;
    for (QTextBlock b = q.begin(); b.isValid(); b = b.next(), ++paragraph) {
        if (paragraph > 0) {
            // The break takes the look of the paragraph's end, as typing there would.
            d.append(kCRLF, styleOf(b.previous().charFormat()));
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.isValid()) d.append(fromQString(f.text()), styleOf(f.charFormat()));
        }
        d.setParagraph(paragraph, paragraphOf(b.blockFormat()));
    }
    return d;
}

void fill(QTextDocument& q, const RichTextDocument& d) {
    QTextCursor c(&q);
    c.beginEditBlock();
    c.select(QTextCursor::Document);
    c.removeSelectedText();
    const auto runs = d.runsByParagraph();
    for (std::size_t p = 0; p < d.paragraphCount(); ++p) {
        if (p > 0) c.insertBlock();
        c.setBlockFormat(blockFormatOf(d.paragraph(p)));
        c.setBlockCharFormat(QTextCharFormat());
        for (const auto& run : runs[p]) {
            c.insertText(toQString(TextView(d.text()).substr(run.start, run.end - run.start)),
                         formatOf(*run.style));
        }
    }
    c.endEditBlock();
}

// Addresses shown as links while 着色 is on; only the view changes, never
// the text's own looks.
class AddressHighlighter : public QSyntaxHighlighter {
  public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

  protected:
    void highlightBlock(const QString& text) override {
        static const QRegularExpression address(
            QStringLiteral(R"((?:https?|ftp|file|mailto|news):[^\s<>"]+|www\.[^\s<>"]+)"),
            QRegularExpression::CaseInsensitiveOption);
        QTextCharFormat link;
        link.setForeground(QColor(0, 0, 255));
        link.setFontUnderline(true);
        for (auto m = address.globalMatch(text); m.hasNext();) {
            const auto found = m.next();
            setFormat(int(found.capturedStart()), int(found.capturedLength()), link);
        }
    }
};

AddressHighlighter* highlighterOf(QTextEdit& edit) {
    return edit.document()->findChild<AddressHighlighter*>(QString(), Qt::FindDirectChildrenOnly);
}

// Replaces the selection keeping the looks around it: the new text takes
// the look of the first replaced character, as on every host.
bool replaceSelection(Entry& e, QTextEdit& edit, const Text& text) {
    QTextCursor c = edit.textCursor();
    e.undoText = fromQString(edit.toPlainText());
    e.hasUndo = true;
    QTextCharFormat look = c.charFormat();
    if (c.hasSelection()) {
        QTextCursor first(edit.document());
        first.setPosition(c.selectionStart() + 1);
        look = first.charFormat();
    }
    // The script's own change is not the user's: no が変化 for it.
    const QSignalBlocker quiet(&edit);
    c.insertText(toQLines(text), look);
    edit.setTextCursor(c);
    return true;
}

}  // namespace

Read readRichText(Entry& e, WidgetValue v) {
    QTextEdit* edit = richEditOf(e);
    if (!edit) return notMine();
    switch (v) {
        case WidgetValue::HighlightAddresses:
            return answer(highlighterOf(*edit) ? 1.0 : 0.0);
        case WidgetValue::VerticalText:
            return answer(e.heldNumber(v));
        default:
            return notMine();
    }
}

Write writeRichText(Entry& e, WidgetValue v, const WidgetData& data) {
    QTextEdit* edit = richEditOf(e);
    if (!edit) return Write::NotMine;
    const double* n = std::get_if<double>(&data);
    const Text* t = std::get_if<Text>(&data);
    switch (v) {
        case WidgetValue::SelectedText:
            if (!t || edit->toPlainText().size() + qsizetype(t->size()) >
                          qsizetype(QtWidgets::kMaxTextBoxLength))
                return Write::Refused;
            return done(replaceSelection(e, *edit, *t));
        case WidgetValue::HighlightAddresses: {
            if (!n) return Write::Refused;
            AddressHighlighter* h = highlighterOf(*edit);
            if (*n != 0 && !h) new AddressHighlighter(edit->document());  // owned by the document
            if (*n == 0 && h) delete h;
            return Write::Done;
        }
        case WidgetValue::VerticalText:
            if (!n) return Write::Refused;
            // Qt lays text out left to right only; the wish is kept for the script.
            e.held[v] = *n != 0 ? 1.0 : 0.0;
            return Write::Done;
        default:
            return Write::NotMine;
    }
}

QWidget* makeRichTextEdit(QWidget* parent) {
    auto* edit = new GuardedTextEdit(parent);
    edit->setAcceptRichText(true);  // pasted text keeps its looks
    edit->setLineWrapMode(QTextEdit::WidgetWidth);
    return edit;
}

void fillRichDocument(QTextDocument& document, const RichTextDocument& content) {
    fill(document, content);
}

}  // namespace qel::qtw

namespace qel {

std::optional<RichTextDocument> QtWidgets::richText(WidgetId widget) const {
    const qtw::Entry* e = find(widget);
    if (!e || e->kind != int(WidgetKind::RichText)) return std::nullopt;
    auto* edit = qobject_cast<QTextEdit*>(e->widget.data());
    if (!edit) return std::nullopt;
    return qtw::documentOf(*edit->document());
}

bool QtWidgets::setRichText(WidgetId widget, const RichTextDocument& document) {
    qtw::Entry* e = find(widget);
    if (!e || e->kind != int(WidgetKind::RichText) || document.size() > kMaxTextBoxLength)
        return false;
    auto* edit = qobject_cast<QTextEdit*>(e->widget.data());
    if (!edit) return false;
    // The selection stays where it was (Qt positions), inside the new text.
    const QTextCursor before = edit->textCursor();
    const int anchor = before.anchor(), position = before.position();
    const QSignalBlocker quiet(edit);  // the script's change, not the user's
    qtw::fill(*edit->document(), document);
    QTextCursor after(edit->document());
    const int end = int(edit->document()->characterCount()) - 1;
    after.setPosition(std::clamp(anchor, 0, end));
    after.setPosition(std::clamp(position, 0, end), QTextCursor::KeepAnchor);
    edit->setTextCursor(after);
    return true;
}

}  // namespace qel
