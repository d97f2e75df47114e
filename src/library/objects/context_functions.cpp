#include "library/objects/context_functions.h"

#include "core/parser.h"
#include "library/objects/objects.h"
#include "text/number.h"
#include "text/text.h"
#include "ui/properties.h"

namespace qel {

namespace {

// Where drawing and new controls go: the container 場所 chose, else the
// current window.
std::shared_ptr<ui::ScriptObject> currentContainer(Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return nullptr;
    ui::ObjectModel& model = objectModel(engine);
    if (auto container = model.CurrentContainer.lock(); container && !container->unloaded)
        return container;
    auto window = model.CurrentWindow.lock();
    return window && !window->unloaded ? window : nullptr;
}

// "<container>の<property>", the way a script would write it.
Text propertyOfContainer(Engine& engine, const ui::ScriptObject& container, TextView property) {
    return objectModel(engine).NameOfObject(container) + u"の" + Text(property);
}

void setContainerProperty(StatementRecord& record, Engine& engine, TextView property) {
    auto container = currentContainer(engine);
    if (!container) return;
    ui::SetProperty(engine, objectModel(engine), propertyOfContainer(engine, *container, property),
                    Args(record).woArg, false);
}

void screenSide(Text& result, Engine& engine, bool width) {
    if (!ui::ObjectModel::available(engine)) return;
    const auto [w, h] = ui::ObjectModel::widgets(engine).screenSize();
    result = number::format(double(width ? w : h));
}

}  // namespace

void fnContainerName(Text& result, Text&, Engine& engine) {
    if (auto container = currentContainer(engine))
        result = objectModel(engine).NameOfObject(*container);
}

void fnContainerPointer(Text& result, Text&, Engine& engine) {
    auto container = currentContainer(engine);
    if (!container) return;
    if (auto value =
            ui::GetProperty(engine, objectModel(engine),
                            propertyOfContainer(engine, *container, u"マウスカーソル"), {}, true))
        result = std::move(*value);
}

void fnScreenWidth(Text& result, Text&, Engine& engine) {
    screenSide(result, engine, true);
}

void fnScreenHeight(Text& result, Text&, Engine& engine) {
    screenSide(result, engine, false);
}

// 貼り付け(): the text on the clipboard (empty without a desktop).
void fnClipboardText(Text& result, Text&, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return;
    if (auto text = ui::ObjectModel::widgets(engine).clipboardText())
        result = text::normaliseLineEnds(*text);
}

// フォント一覧(): the desktop's font families, one a line.
void fnFontFamilies(Text& result, Text&, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return;
    for (const Text& family : ui::ObjectModel::widgets(engine).fontFamilies()) {
        if (!result.empty()) result += u"\r\n";
        result += family;
    }
}

// 背景は、赤: the background of the current container, as its 背景 property.
void setContainerBackground(StatementRecord& record, Engine& engine) {
    setContainerProperty(record, engine, u"背景");
}

// マウスカーソルは、砂時計: the pointer over the current container.
void setContainerPointer(StatementRecord& record, Engine& engine) {
    setContainerProperty(record, engine, u"マウスカーソル");
}

}  // namespace qel
