// What every control has: place and size, caption, tool tip, colours (the
// palette roles the widget paints with), font, visibility, the mouse pointer,
// the default button, drops. Values Qt has no place for are held.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "platform/qt/qt_menus.h"
#include "platform/qt/qt_painted.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

constexpr double kMaxExtent = 16777215;
constexpr int kMaxWidgetSize = (1 << 24) - 1;

// The palette roles a widget paints its background and its text with.
std::pair<QPalette::ColorRole, QPalette::ColorRole> rolesOf(const Entry& e) {
    switch (e.kind) {
        case int(WidgetKind::TextBox):
        case int(WidgetKind::MultiLineText):
        case int(WidgetKind::WrappingText):
        case int(WidgetKind::RichText):
        case int(WidgetKind::DropDownCombo):
        case int(WidgetKind::ListBox):
        case int(WidgetKind::FolderList):
            return {QPalette::Base, QPalette::Text};
        case int(WidgetKind::Button):
        case int(WidgetKind::PictureButton):
        case int(WidgetKind::DropDownList):
        case int(WidgetKind::DriveList):
            return {QPalette::Button, QPalette::ButtonText};
        default:
            return {QPalette::Window, QPalette::WindowText};
    }
}

double rgbOf(const QColor& c) {
    return double(c.rgb() & 0xFFFFFF);
}

// The table's pointers as Qt's cursor shapes.
Qt::CursorShape cursorOf(int pointer) {
    switch (pointer) {
        case 2:
            return Qt::CrossCursor;
        case 3:
            return Qt::IBeamCursor;
        case 4:
        case 5:
        case 15:
            return Qt::SizeAllCursor;
        case 6:
            return Qt::SizeBDiagCursor;
        case 7:
            return Qt::SizeVerCursor;
        case 8:
            return Qt::SizeFDiagCursor;
        case 9:
            return Qt::SizeHorCursor;
        case 10:
            return Qt::UpArrowCursor;
        case 11:
            return Qt::WaitCursor;
        case 12:
            return Qt::ForbiddenCursor;
        case 13:
            return Qt::BusyCursor;
        case 14:
            return Qt::WhatsThisCursor;
        default:
            return Qt::ArrowCursor;
    }
}

void applyPointer(Entry& e) {
    QWidget* w = e.widget;
    const int pointer = int(e.heldNumber(WidgetValue::Pointer));
    if (pointer == 99) {
        QPixmap picture(toQString(e.heldText(WidgetValue::PointerFile)));
        if (!picture.isNull()) {
            w->setCursor(QCursor(picture));
            return;
        }
    }
    if (pointer == 0) {
        w->unsetCursor();
    } else {
        w->setCursor(cursorOf(pointer));
    }
}

Read readCaption(Entry& e) {
    if (!hasCaption(e.kind)) return answer(std::nullopt);
    if (auto* button = qobject_cast<QAbstractButton*>(e.widget))
        return answer(fromQString(button->text()));
    if (auto* label = qobject_cast<QLabel*>(e.widget)) return answer(fromQString(label->text()));
    if (auto* frame = qobject_cast<QGroupBox*>(e.widget))
        return answer(fromQString(frame->title()));
    return answer(std::nullopt);
}

bool writeCaption(Entry& e, const Text& text) {
    if (!hasCaption(e.kind)) return false;
    const QString s = toQLines(text);
    if (auto* button = qobject_cast<QAbstractButton*>(e.widget)) {
        button->setText(s);
    } else if (auto* label = qobject_cast<QLabel*>(e.widget)) {
        label->setText(s);
    } else if (auto* frame = qobject_cast<QGroupBox*>(e.widget)) {
        frame->setTitle(s);
    }
    if (!e.widget->isWindow()) e.widget->setAccessibleDescription(s);
    return true;
}

Read readFont(const QWidget* w, WidgetValue v) {
    const QFont font = w->font();
    switch (v) {
        case WidgetValue::FontName:
            // A widget given no font of its own answers "", as on the console:
            // the desktop's font is then whatever the user chose.
            if (!(font.resolveMask() & QFont::FamilyResolved) &&
                !(font.resolveMask() & QFont::FamiliesResolved))
                return answer(Text());
            return answer(fromQString(font.families().value(0, font.family())));
        case WidgetValue::FontSize:
            return answer(font.pointSizeF() > 0 ? font.pointSizeF()
                                                : std::round(font.pixelSize() * 72.0 / 96.0));
        case WidgetValue::Bold:
            return answer(font.bold() ? 1.0 : 0.0);
        case WidgetValue::Italic:
            return answer(font.italic() ? 1.0 : 0.0);
        case WidgetValue::Underline:
            return answer(font.underline() ? 1.0 : 0.0);
        case WidgetValue::StrikeOut:
            return answer(font.strikeOut() ? 1.0 : 0.0);
        default:
            return notMine();
    }
}

Write writeFont(QWidget* w, WidgetValue v, const WidgetData& data) {
    const double* n = std::get_if<double>(&data);
    const Text* t = std::get_if<Text>(&data);
    QFont font = w->font();
    switch (v) {
        case WidgetValue::FontName:
            if (!t) return Write::Refused;
            if (t->empty()) {
                // Back to the font the widget would have without one of its own.
                const QFont inherited =
                    w->parentWidget() ? w->parentWidget()->font() : QApplication::font();
                font.setFamilies(inherited.families());
                font.setFamily(inherited.family());
                font.setResolveMask(font.resolveMask() &
                                    ~(QFont::FamilyResolved | QFont::FamiliesResolved));
            } else {
                font.setFamilies({toQString(*t)});
            }
            break;
        case WidgetValue::FontSize:
            if (!n || *n <= 0 || *n > 1638) return Write::Refused;
            font.setPointSizeF(*n);
            break;
        case WidgetValue::Bold:
            if (!n) return Write::Refused;
            font.setBold(*n != 0);
            break;
        case WidgetValue::Italic:
            if (!n) return Write::Refused;
            font.setItalic(*n != 0);
            break;
        case WidgetValue::Underline:
            if (!n) return Write::Refused;
            font.setUnderline(*n != 0);
            break;
        case WidgetValue::StrikeOut:
            if (!n) return Write::Refused;
            font.setStrikeOut(*n != 0);
            break;
        default:
            return Write::NotMine;
    }
    w->setFont(font);
    return Write::Done;
}

}  // namespace

Read readCommon(QtWidgets& set, Entry& e, WidgetValue v) {
    (void)set;
    QWidget* w = e.widget;
    if (Read font = readFont(w, v); font.handled) return font;
    const auto [back, fore] = rolesOf(e);
    switch (v) {
        case WidgetValue::Left:
            return answer(double(w->x()));
        case WidgetValue::Top:
            return answer(double(w->y() - clientTop(w->parentWidget())));
        case WidgetValue::Width:
        case WidgetValue::ClientWidth:
            return answer(double(w->width()));
        case WidgetValue::Height:
        case WidgetValue::ClientHeight:
            return answer(double(w->height()));
        case WidgetValue::Caption:
            return readCaption(e);
        case WidgetValue::ToolTip:
            return answer(fromQString(w->toolTip()));
        case WidgetValue::BackColour:
            return answer(rgbOf(w->palette().color(back)));
        case WidgetValue::ForeColour:
            return answer(rgbOf(w->palette().color(fore)));
        case WidgetValue::Visible:
            // Its own wish: a control of a hidden window still counts as shown.
            return answer(w->isHidden() ? 0.0 : 1.0);
        case WidgetValue::Enabled:
            return answer(w->isEnabledTo(w->parentWidget()) ? 1.0 : 0.0);
        case WidgetValue::AcceptsDrops:
            return answer(w->acceptDrops() ? 1.0 : 0.0);
        case WidgetValue::Default: {
            auto* button = qobject_cast<QPushButton*>(w);
            if (!button) return notMine();
            return answer(button->isDefault() ? 1.0 : 0.0);
        }
        case WidgetValue::Alignment: {
            auto* label = qobject_cast<QLabel*>(w);
            if (!label) return notMine();
            const Qt::Alignment a = label->alignment();
            return answer(a & Qt::AlignRight ? 1.0 : a & Qt::AlignHCenter ? 2.0 : 0.0);
        }
        case WidgetValue::Transparent: {
            auto* label = qobject_cast<QLabel*>(w);
            if (!label) return notMine();
            return answer(label->autoFillBackground() ? 0.0 : 1.0);
        }
        default:
            return notMine();
    }
}

Write writeCommon(QtWidgets& set, Entry& e, WidgetValue v, const WidgetData& data) {
    QWidget* w = e.widget;
    if (Write font = writeFont(w, v, data); font != Write::NotMine) return font;
    const double* n = std::get_if<double>(&data);
    const Text* t = std::get_if<Text>(&data);
    if (t) {
        switch (v) {
            case WidgetValue::Caption:
                return done(writeCaption(e, *t));
            case WidgetValue::ToolTip:
                w->setToolTip(toQString(*t));
                return Write::Done;
            case WidgetValue::PointerFile:
                e.held[v] = *t;
                applyPointer(e);
                return Write::Done;
            case WidgetValue::PictureFile:
                e.held[v] = *t;
                if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                    const QPixmap picture(toQString(*t));
                    button->setIcon(picture.isNull() ? QIcon() : QIcon(picture));
                    if (!picture.isNull()) button->setIconSize(picture.size());
                }
                return Write::Done;
            case WidgetValue::IconFile:
                e.held[v] = *t;
                return Write::Done;
            default:
                // No other value of any widget is a text.
                return Write::Refused;
        }
    }
    const double number = *n;
    const auto [back, fore] = rolesOf(e);
    switch (v) {
        case WidgetValue::Left:
        case WidgetValue::Top: {
            const int place = int(std::clamp(std::round(number), -kMaxExtent, kMaxExtent));
            v == WidgetValue::Left ? w->move(place, w->y())
                                   : w->move(w->x(), place + clientTop(w->parentWidget()));
            return Write::Done;
        }
        case WidgetValue::Width:
        case WidgetValue::Height:
        case WidgetValue::ClientWidth:
        case WidgetValue::ClientHeight: {
            const int size = int(std::clamp(std::round(number), 0.0, double(kMaxWidgetSize)));
            // Controls take any size the script gives, whatever Qt's own
            // minimum for the kind.
            w->setMinimumSize(0, 0);
            const bool wide = v == WidgetValue::Width || v == WidgetValue::ClientWidth;
            wide ? w->resize(size, w->height()) : w->resize(w->width(), size);
            return Write::Done;
        }
        case WidgetValue::BackColour:
        case WidgetValue::ForeColour: {
            QPalette palette = w->palette();
            const QColor colour = QColor::fromRgb(QRgb(
                std::uint32_t(int(std::clamp(std::round(number), -2147483648.0, 2147483647.0))) &
                0xFFFFFF));
            const QPalette::ColorRole role = v == WidgetValue::BackColour ? back : fore;
            palette.setColor(QPalette::All, role, colour);
            if (role == QPalette::Text)
                palette.setColor(QPalette::All, QPalette::WindowText, colour);
            w->setPalette(palette);
            return Write::Done;
        }
        case WidgetValue::Visible:
            w->setVisible(number != 0);
            return Write::Done;
        case WidgetValue::Enabled:
            w->setEnabled(number != 0);
            return Write::Done;
        case WidgetValue::AcceptsDrops:
            w->setAcceptDrops(number != 0);
            return Write::Done;
        case WidgetValue::Default: {
            auto* button = qobject_cast<QPushButton*>(w);
            if (!button) break;
            if (number != 0) {
                // One default button per window.
                for (WidgetId sibling : set.siblingsOf(e)) {
                    auto* other = qobject_cast<QPushButton*>(set.widgetOf(sibling));
                    if (other && other != button) other->setDefault(false);
                }
            }
            button->setDefault(number != 0);
            return Write::Done;
        }
        case WidgetValue::Alignment: {
            auto* label = qobject_cast<QLabel*>(w);
            if (!label) break;
            const int a = int(std::round(number));
            label->setAlignment(Qt::AlignTop | (a == 1   ? Qt::AlignRight
                                                : a == 2 ? Qt::AlignHCenter
                                                         : Qt::AlignLeft));
            e.held[v] = double(a);
            return Write::Done;
        }
        case WidgetValue::Transparent: {
            auto* label = qobject_cast<QLabel*>(w);
            if (!label) break;
            label->setAutoFillBackground(number == 0);
            return Write::Done;
        }
        case WidgetValue::Pointer:
            e.held[v] = std::round(number);
            applyPointer(e);
            return Write::Done;
        case WidgetValue::TabStop: {
            e.held[v] = number != 0 ? 1.0 : 0.0;
            Qt::FocusPolicy policy = w->focusPolicy();
            if (number == 0) {
                policy = Qt::FocusPolicy(policy & ~Qt::TabFocus);
            } else if (policy != Qt::NoFocus) {
                policy = Qt::FocusPolicy(policy | Qt::TabFocus);
            }
            w->setFocusPolicy(policy);
            return Write::Done;
        }
        default:
            break;
    }
    // Held as given: the switches as 0 or 1, the colours as RGB, other
    // numbers whole.
    switch (v) {
        case WidgetValue::MaskColour:
        case WidgetValue::FillColour:
        case WidgetValue::BorderColour:
            e.held[v] = double(
                std::uint32_t(int(std::clamp(std::round(number), -2147483648.0, 2147483647.0))) &
                0xFFFFFF);
            return Write::Done;
        case WidgetValue::Cancel:
        case WidgetValue::Transparent:
        case WidgetValue::AutoSize:
        case WidgetValue::WordWrap:
        case WidgetValue::UseMask:
        case WidgetValue::Stretch:
        case WidgetValue::ReadOnly:
        case WidgetValue::Default:
        case WidgetValue::StayOnTop:
        case WidgetValue::Movable:
        case WidgetValue::ShowInTaskbar:
        case WidgetValue::MinimiseBox:
        case WidgetValue::MaximiseBox:
        case WidgetValue::SystemMenu:
        case WidgetValue::PaintLock:
        case WidgetValue::Persistent:
            e.held[v] = number != 0 ? 1.0 : 0.0;
            return Write::Done;
        case WidgetValue::Interval:
        case WidgetValue::ListIndex:
        case WidgetValue::Sorted:
        case WidgetValue::MultiSelect:
        case WidgetValue::Checked:
        case WidgetValue::Minimum:
        case WidgetValue::Maximum:
        case WidgetValue::Value:
        case WidgetValue::SmallChange:
        case WidgetValue::LargeChange:
        case WidgetValue::SelStart:
        case WidgetValue::SelLength:
        case WidgetValue::MaxLength:
        case WidgetValue::WindowState:
        case WidgetValue::Style:
            // Values of other kinds of widget.
            return Write::Refused;
        case WidgetValue::Opacity:
            e.held[v] = std::clamp(std::round(number), 0.0, 255.0);
            return Write::Done;
        default:
            e.held[v] = std::round(number);
            return Write::Done;
    }
}

}  // namespace qel::qtw
