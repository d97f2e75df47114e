// The properties of tab strips, tool bars and status bars (their tabs,
// buttons and panels by number: 2番目の名前), and of sliders and progress
// bars (a value inside a range).
#include <algorithm>
#include <cmath>

#include "ui/rich_support.h"

namespace qel::ui {

namespace {

std::optional<int> idIn(std::span<const PropertyName> names, TextView name) {
    Text key = nameKey(name);
    for (const PropertyName& row : names) {
        if (nameKey(row.name) == key) return row.id;
    }
    return std::nullopt;
}

enum Id {
    Count,
    All,
    Select,
    SelectText,
    Placement,
    Look,
    ClientTop,
    ClientLeft,
    ClientHeight,
    ClientWidth,
    Separators,
    TextAlign,
    Border,
    Wrap,
    MaskColour,
};
// clang-format off
constexpr PropertyName kTabNames[] = {
    {u"選択", Select}, {u"番号", Select}, {u"選択内容", SelectText}, {u"個数", Count},
    {u"配置", Placement}, {u"見た目", Look}, {u"スタイル", Look}, {u"中の縦", ClientTop},
    {u"中の横", ClientLeft}, {u"中の高さ", ClientHeight}, {u"中の幅", ClientWidth},
    {u"区切り線", Separators}, {u"一覧", All},
};
constexpr PropertyName kToolNames[] = {
    {u"個数", Count}, {u"場所", Placement}, {u"配置", Placement}, {u"見た目", Look},
    {u"スタイル", Look}, {u"文字配置", TextAlign}, {u"境界線", Border}, {u"折り返し", Wrap},
    {u"一覧", All}, {u"透明色", MaskColour},
};
constexpr PropertyName kStatusNames[] = {{u"個数", Count}, {u"一覧", All}};

enum SubId { SText, STip, SSelect, SCheck, SStyle, SNumber, SDescription, SPicture, SInfo,
             SEnabled, SVisible, SKind, SWidth, SMinWidth, SBevel, SAutoSize, SAlign };
constexpr PropertyName kTabItemNames[] = {
    {u"名前", SText}, {u"内容", SText}, {u"ヒント", STip}, {u"選択", SSelect},
    {u"番号", SNumber}, {u"情報", SInfo},
};
constexpr PropertyName kButtonNames[] = {
    {u"名前", SText}, {u"内容", SText}, {u"ヒント", STip}, {u"チェック", SCheck},
    {u"スタイル", SStyle}, {u"見た目", SStyle}, {u"番号", SNumber}, {u"説明", SDescription},
    {u"絵", SPicture}, {u"情報", SInfo}, {u"有効", SEnabled}, {u"表示", SVisible},
};
constexpr PropertyName kPanelNames[] = {
    {u"内容", SText}, {u"種類", SKind}, {u"幅", SWidth}, {u"最小幅", SMinWidth},
    {u"立体表示", SBevel}, {u"自動調整", SAutoSize}, {u"場所", SAlign}, {u"ヒント", STip},
    {u"番号", SNumber},
};
constexpr TextView kPanelKinds[] = {u"文字", u"大文字ロック", u"テンキーロック", u"インサートキー",
                                    u"時間", u"日付", u"カナロック"};
// clang-format on

constexpr double kTabHeight = 24;

int selectedTab(const RichContent& rc) {
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        if (rc.items[i].selected) return int(i);
    }
    return -1;
}

void selectTab(PropertyContext& c, int index) {
    RichContent& rc = content(c);
    for (std::size_t i = 0; i < rc.items.size(); ++i) rc.items[i].selected = int(i) == index;
    notify(c, RichChange::Current);
}

void subItem(PropertyContext& c, int index, int id) {
    RichContent& rc = content(c);
    RichItem& it = rc.items[std::size_t(index)];
    RichChange changed{RichChange::ItemChanged, index, 1};
    const bool panel = c.object.kind->id == KindId::StatusBar;
    switch (SubId(id)) {
        case SText:
            if (panel && c.getting()) return readOnly(c, panelText(it, c.engine));
            return textField(c, it.text, changed);
        case STip:
            return textField(c, it.tip, changed);
        case SSelect:
            if (c.getting()) return flagField(c, it.selected, changed);
            if (c.request.number != 0) return selectTab(c, index);
            it.selected = false;
            return notify(c, RichChange::Current);
        case SCheck:
            return flagField(c, it.checked, changed);
        case SStyle:
            return intWordField(
                c, it.style,
                {u"標準", u"チェック", u"グループ", u"区切り", u"場所", u"ドロップダウン"},
                changed);
        case SNumber:
            return readOnly(c, itemNumber(index));
        case SDescription:
            return textField(c, it.description, changed);
        case SPicture:
            return imageField(c, rc.smallImages, it.picture, it.smallImage, changed);
        case SInfo:
            return textField(c, it.info, changed);
        case SEnabled:
            return flagField(c, it.enabled, changed);
        case SVisible:
            return flagField(c, it.visible, changed);
        case SKind: {
            if (c.getting()) return readOnly(c, Text(kPanelKinds[std::clamp(it.style, 0, 6)]));
            auto n = wordNumber(c, {kPanelKinds[0], kPanelKinds[1], kPanelKinds[2], kPanelKinds[3],
                                    kPanelKinds[4], kPanelKinds[5], kPanelKinds[6]});
            if (n) it.style = *n, notify(c, RichChange::ItemChanged, index);
            return;
        }
        case SWidth:
            return numberField(c, it.width, changed);
        case SMinWidth:
            return numberField(c, it.minWidth, changed);
        case SBevel:
            return intWordField(c, it.bevel, {u"なし", u"くぼみ", u"浮き出し"}, changed);
        case SAutoSize:
            return intWordField(c, it.autoSize, {u"標準", u"均等", u"自動"}, changed);
        case SAlign:
            return intWordField(c, it.alignment, {u"左側", u"中央", u"右側"}, changed);
    }
}

void clientArea(PropertyContext& c, int id) {
    // The area under the tabs where a script places the controls of a page.
    const double left = widgetNumber(c, WidgetValue::Left), top = widgetNumber(c, WidgetValue::Top);
    const double width = widgetNumber(c, WidgetValue::Width),
                 height = widgetNumber(c, WidgetValue::Height);
    const double scale = unitScale(c, c.object);
    double v = 0;
    switch (id) {
        case ClientTop:
            v = top + kTabHeight;
            break;
        case ClientLeft:
            v = left + 2;
            break;
        case ClientHeight:
            v = std::max(0.0, height - kTabHeight - 2);
            break;
        default:
            v = std::max(0.0, width - 4);
            break;
    }
    readOnly(c, number::format(std::round(v / scale)));
}

void apply(PropertyContext& c, int id) {
    RichContent& rc = content(c);
    const bool tabs = c.object.kind->id == KindId::TabStrip;
    switch (Id(id)) {
        case Count:
            return readOnly(c, number::format(double(rc.items.size())));
        case All: {
            if (!c.getting()) return c.result.notWritable = true, void();
            std::vector<Text> texts;
            for (const RichItem& it : rc.items)
                texts.push_back(c.object.kind->id == KindId::StatusBar ? panelText(it, c.engine)
                                                                       : it.text);
            c.result.value = text::join(texts, u",");
            return;
        }
        case Select:
            if (c.getting()) return readOnly(c, number::format(double(selectedTab(rc) + 1)));
            if (c.request.number < 1 || c.request.number > double(rc.items.size()) ||
                c.request.number != std::floor(c.request.number))
                return c.engine.Report(ErrorId::NoSuchItem, c.request.text), void();
            return selectTab(c, int(c.request.number) - 1);
        case SelectText: {
            int at = selectedTab(rc);
            if (c.getting()) return readOnly(c, at < 0 ? Text() : rc.items[std::size_t(at)].text);
            for (std::size_t i = 0; i < rc.items.size(); ++i) {
                if (rc.items[i].text == c.request.text) return selectTab(c, int(i));
            }
            return c.engine.Report(ErrorId::NoSuchItem, c.request.text), void();
        }
        case Placement:
            if (tabs)
                return settingWord(c, RichSetting::Placement, {u"上側", u"下側", u"左側", u"右側"});
            return settingWord(c, RichSetting::Placement,
                               {u"なし", u"上側", u"下側", u"左側", u"右側"});
        case Look:
            if (tabs) return settingWord(c, RichSetting::Look, {u"標準", u"ボタン", u"フラット"});
            return settingWord(c, RichSetting::Look, {u"ボタン", u"フラット"});
        case ClientTop:
        case ClientLeft:
        case ClientHeight:
        case ClientWidth:
            return clientArea(c, id);
        case Separators:
            return settingSwitch(c, RichSetting::Separators);
        case TextAlign:
            return settingWord(c, RichSetting::TextAlign, {u"下側", u"右側"});
        case Border:
            return settingSwitch(c, RichSetting::GridLines);
        case Wrap:
            return settingSwitch(c, RichSetting::Wrap);
        case MaskColour:
            return maskColourValue(c, false);
    }
}

// ---- sliders and progress bars ------------------------------------------------------

enum RangeId {
    RValue,
    RLarge,
    RSmall,
    RMax,
    RMin,
    ROrient,
    RTickFreq,
    RTickStyle,
    RTickCount,
    RTextPos,
    RSelRange,
    RSelStart,
    RSelLength,
    RLook
};
// clang-format off
constexpr PropertyName kSliderNames[] = {
    {u"数字", RValue}, {u"最大幅", RLarge}, {u"最小幅", RSmall}, {u"最大値", RMax},
    {u"最高値", RMax}, {u"最小値", RMin}, {u"最低値", RMin}, {u"方向", ROrient},
    {u"目盛間隔", RTickFreq}, {u"目盛位置", RTickStyle}, {u"目盛数", RTickCount},
    {u"文字位置", RTextPos}, {u"範囲選択", RSelRange}, {u"選択スタート", RSelStart},
    {u"選択長さ", RSelLength},
};
constexpr PropertyName kProgressNames[] = {
    {u"最大値", RMax}, {u"最高値", RMax}, {u"最小値", RMin}, {u"最低値", RMin},
    {u"数字", RValue}, {u"方向", ROrient}, {u"見た目", RLook}, {u"スタイル", RLook},
};
// clang-format on

// A value the range refuses is an error, not silently moved into the range:
// a script that sets 数字 past 最大値 has a fault worth seeing.
void rangeNumber(PropertyContext& c, RichSetting s) {
    RichContent& rc = content(c);
    if (c.getting()) return settingNumber(c, s);
    const double v = c.request.number;
    const double lo = rc.setting(RichSetting::Minimum), hi = rc.setting(RichSetting::Maximum);
    const bool slider = c.object.kind->id == KindId::Slider;
    bool ok = std::isfinite(v);
    if (s == RichSetting::Value) ok = ok && v >= lo && v <= hi;
    if (s == RichSetting::Minimum || s == RichSetting::Maximum) {
        ok = ok && (s == RichSetting::Minimum ? v <= hi || slider : v >= lo || slider);
        if (!slider && s == RichSetting::Minimum) ok = ok && v < hi;
        if (!slider && s == RichSetting::Maximum) ok = ok && v > lo;
    }
    if (s == RichSetting::SmallChange || s == RichSetting::LargeChange ||
        s == RichSetting::TickFrequency || s == RichSetting::SelLength ||
        s == RichSetting::SelStart)
        ok = ok && v >= 0;
    if (!ok) return reportBadValue(c);
    rc.settings[s] = slider || s == RichSetting::Value ? std::round(v) : v;
    // Moving a limit past the value takes the value with it.
    if (s == RichSetting::Minimum || s == RichSetting::Maximum) {
        double& value = rc.settings[RichSetting::Value];
        if (slider && rc.setting(RichSetting::Minimum) > rc.setting(RichSetting::Maximum))
            rc.settings[s == RichSetting::Minimum ? RichSetting::Maximum : RichSetting::Minimum] =
                v;
        value =
            std::clamp(value, rc.setting(RichSetting::Minimum), rc.setting(RichSetting::Maximum));
    }
    notify(c, RichChange::Settings);
}

void applyRange(PropertyContext& c, int id) {
    RichContent& rc = content(c);
    switch (RangeId(id)) {
        case RValue:
            return rangeNumber(c, RichSetting::Value);
        case RLarge:
            return rangeNumber(c, RichSetting::LargeChange);
        case RSmall:
            return rangeNumber(c, RichSetting::SmallChange);
        case RMax:
            return rangeNumber(c, RichSetting::Maximum);
        case RMin:
            return rangeNumber(c, RichSetting::Minimum);
        case ROrient:
            return settingWord(c, RichSetting::Orientation, {u"水平", u"垂直"});
        case RTickFreq:
            return rangeNumber(c, RichSetting::TickFrequency);
        case RTickStyle:
            return settingWord(c, RichSetting::TickStyle, {u"下", u"上", u"両側", u"なし"});
        case RTickCount: {
            double freq = rc.setting(RichSetting::TickFrequency);
            double span = rc.setting(RichSetting::Maximum) - rc.setting(RichSetting::Minimum);
            return readOnly(c, number::format(freq > 0 ? std::floor(span / freq) + 1 : 2));
        }
        case RTextPos:
            return settingWord(c, RichSetting::TextAlign, {u"上", u"下"});
        case RSelRange:
            return settingSwitch(c, RichSetting::SelectRange);
        case RSelStart:
            return rangeNumber(c, RichSetting::SelStart);
        case RSelLength:
            return rangeNumber(c, RichSetting::SelLength);
        case RLook:
            return settingWord(c, RichSetting::Look, {u"枠", u"棒"});
    }
}

}  // namespace

int panelKind(TextView text) {
    for (int i = 1; i < 7; ++i) {
        if (nameKey(text) == nameKey(kPanelKinds[i])) return i;
    }
    return 0;
}

Text panelText(const RichItem& panel, Engine& engine) {
    (void)engine;
    // The automatic panels show the state the platform reports; the words
    // they show are those of the usual keyboards.
    switch (panel.style) {
        case 1:
            return u"CAPS";
        case 2:
            return u"NUM";
        case 3:
            return u"INS";
        case 6:
            return u"KANA";
        default:
            return panel.text;
    }
}

bool barProperty(PropertyContext& c) {
    const KindId kind = c.object.kind->id;
    std::span<const PropertyName> own =
        kind == KindId::TabStrip  ? std::span<const PropertyName>(kTabNames)
        : kind == KindId::ToolBar ? std::span<const PropertyName>(kToolNames)
                                  : std::span<const PropertyName>(kStatusNames);
    if (auto id = idIn(own, c.request.name)) {
        apply(c, *id);
        return true;
    }
    auto chain = splitChain(c.request.name);
    if (!chain || !chain->collection.empty()) return false;
    std::span<const PropertyName> sub =
        kind == KindId::TabStrip  ? std::span<const PropertyName>(kTabItemNames)
        : kind == KindId::ToolBar ? std::span<const PropertyName>(kButtonNames)
                                  : std::span<const PropertyName>(kPanelNames);
    auto id = idIn(sub, chain->property);
    if (!id) return false;
    RichContent& rc = content(c);
    if (auto index = findItem(c.engine, rc, rc.items, chain->item, false)) subItem(c, *index, *id);
    return true;
}

bool rangeProperty(PropertyContext& c) {
    std::span<const PropertyName> names = c.object.kind->id == KindId::Slider
                                              ? std::span<const PropertyName>(kSliderNames)
                                              : std::span<const PropertyName>(kProgressNames);
    auto id = idIn(names, c.request.name);
    if (!id) return false;
    applyRange(c, *id);
    return true;
}

}  // namespace qel::ui
