// Pictures, images, shapes, lines and the turtle icon: values of the widgets
// painted by us.
#include <cmath>

#include "platform/qt/qt_painted.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

double rgbOf(QRgb colour) {
    return double(colour & 0xFFFFFF);
}

QRgb colourOf(double n) {
    return 0xFF000000u |
           (std::uint32_t(int(std::clamp(std::round(n), -2147483648.0, 2147483647.0))) & 0xFFFFFFu);
}

}  // namespace

Read readPainted(Entry& e, WidgetValue v) {
    auto* painted = dynamic_cast<PaintedWidget*>(e.widget.data());
    if (!painted) return notMine();
    const Look& look = painted->look();
    switch (v) {
        case WidgetValue::Shape:
            return answer(double(look.shape));
        case WidgetValue::LineWidth:
            return answer(double(look.lineWidth));
        case WidgetValue::LineStyle:
            return answer(double(look.lineStyle));
        case WidgetValue::BorderColour:
            return answer(rgbOf(look.borderColour));
        case WidgetValue::FillColour:
            return answer(rgbOf(look.fillColour));
        case WidgetValue::FillStyle:
            return answer(double(look.fillStyle));
        case WidgetValue::DrawMode:
            return answer(double(look.drawMode));
        case WidgetValue::DrawStyle:
            return answer(double(look.drawStyle));
        case WidgetValue::Border:
            return answer(look.border ? 1.0 : 0.0);
        case WidgetValue::Stretch:
            return answer(look.stretch ? 1.0 : 0.0);
        case WidgetValue::AutoSize:
            return answer(look.autoSize ? 1.0 : 0.0);
        case WidgetValue::Persistent:
            return answer(look.persistent ? 1.0 : 0.0);
        default:
            return notMine();
    }
}

Write writePainted(Entry& e, WidgetValue v, const WidgetData& data) {
    auto* painted = dynamic_cast<PaintedWidget*>(e.widget.data());
    if (!painted) return Write::NotMine;
    Look& look = painted->look();
    if (const Text* t = std::get_if<Text>(&data)) {
        if (v != WidgetValue::PictureFile) return Write::NotMine;
        // A picture that cannot be read leaves the box as it was; the name
        // is kept, as the script gave it.
        e.held[v] = *t;
        painted->loadPicture(toQString(*t));
        return Write::Done;
    }
    const double n = std::get<double>(data);
    const int whole = int(std::clamp(std::round(n), -2147483648.0, 2147483647.0));
    if (painted->role() == PaintedWidget::Role::Image &&
        (v == WidgetValue::MaskColour || v == WidgetValue::UseMask)) {
        // An image shows its 透明色 see-through; the value itself is held
        // with the other controls' colours.
        if (v == WidgetValue::MaskColour)
            look.maskColour = colourOf(n);
        else
            look.useMask = n != 0;
        painted->update();
        return Write::NotMine;
    }
    switch (v) {
        case WidgetValue::Shape:
            look.shape = whole;
            break;
        case WidgetValue::LineWidth:
            look.lineWidth = whole;
            break;
        case WidgetValue::LineStyle:
            look.lineStyle = whole;
            break;
        case WidgetValue::BorderColour:
            look.borderColour = colourOf(n);
            break;
        case WidgetValue::FillColour:
            look.fillColour = colourOf(n);
            break;
        case WidgetValue::FillStyle:
            look.fillStyle = whole;
            break;
        case WidgetValue::DrawMode:
            look.drawMode = whole;
            break;
        case WidgetValue::DrawStyle:
            look.drawStyle = whole;
            break;
        case WidgetValue::Border:
            look.border = whole != 0;
            break;
        case WidgetValue::Stretch:
            look.stretch = n != 0;
            break;
        case WidgetValue::AutoSize:
            look.autoSize = n != 0;
            break;
        case WidgetValue::Persistent:
            look.persistent = n != 0;
            break;
        default:
            return Write::NotMine;
    }
    painted->update();
    return Write::Done;
}

}  // namespace qel::qtw
