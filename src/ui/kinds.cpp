#include "ui/kinds.h"

namespace qel::ui {

namespace {

using enum KindId;
constexpr bool kArray = false;
constexpr bool kDynamic = true;

// clang-format off
constexpr KindRow kKinds[] = {
    {Button,        u"ボタン",           u"Command1", u"", kArray, false, WidgetKind::Button},
    {TextBox,       u"テキスト",         u"Text1",    u"", kArray, false, WidgetKind::TextBox},
    {MultiLineText, u"文章テキスト",     u"Text2",    u"", kArray, false, WidgetKind::MultiLineText},
    {Picture,       u"ピクチャー",       u"Picture1", u"", kArray, true,  WidgetKind::Picture},
    {Image,         u"イメージ",         u"Image1",   u"", kArray, false, WidgetKind::Image},
    {Label,         u"ラベル",           u"Label1",   u"", kArray, false, WidgetKind::Label},
    {DropDownList,  u"選択リスト",       u"Combo1",   u"", kArray, false, WidgetKind::DropDownList},
    {DropDownCombo, u"入力選択リスト",   u"Combo2",   u"", kArray, false, WidgetKind::DropDownCombo},
    {VScrollBar,    u"縦スクロールバー", u"VScroll1", u"", kArray, false, WidgetKind::VScrollBar},
    {HScrollBar,    u"横スクロールバー", u"HScroll1", u"", kArray, false, WidgetKind::HScrollBar},
    {Check,         u"チェック",         u"Check1",   u"", kArray, true,  WidgetKind::CheckBox},
    {Option,        u"オプション",       u"Option1",  u"", kArray, true,  WidgetKind::OptionButton},
    {ListView,      u"リストビュー",     u"MSComctlLib.ListViewCtrl", u"ExLV", kDynamic, false, WidgetKind::ListView},
    {ListBox,       u"リスト",           u"List1",    u"", kArray, false, WidgetKind::ListBox},
    {Frame,         u"フレーム",         u"Frame1",   u"", kArray, false, WidgetKind::Frame},
    {Shape,         u"形",               u"Shape1",   u"", kArray, false, WidgetKind::Shape},
    {Line,          u"ライン",           u"Line1",    u"", kArray, false, WidgetKind::Line},
    {FolderList,    u"フォルダリスト",   u"Dir1",     u"", kArray, false, WidgetKind::FolderList},
    {DriveList,     u"ドライブリスト",   u"Drive1",   u"", kArray, false, WidgetKind::DriveList},
    {ToolBar,       u"ツールバー",       u"MSComctlLib.Toolbar", u"ExTB", kDynamic, false, WidgetKind::ToolBar},
    {ProgressBar,   u"プログレスバー",   u"MSComctlLib.ProgCtrl", u"ExPB", kDynamic, false, WidgetKind::ProgressBar},
    {TreeView,      u"ツリービュー",     u"MSComctlLib.TreeCtrl", u"ExTV", kDynamic, false, WidgetKind::TreeView},
    {StatusBar,     u"ステータスバー",   u"MSComctlLib.SBarCtrl", u"ExSB", kDynamic, false, WidgetKind::StatusBar},
    {TabStrip,      u"タブ",             u"MSComctlLib.TabStrip", u"ExTS", kDynamic, false, WidgetKind::TabStrip},
    {Slider,        u"スライダ",         u"MSComctlLib.Slider", u"ExSD", kDynamic, false, WidgetKind::Slider},
    {RichText,      u"拡張テキスト",     u"Qelscript.xExText", u"ExTx", kDynamic, false, WidgetKind::RichText},
    {Browser,       u"ブラウザ",         u"Shell.Explorer.2", u"Web", kDynamic, false, WidgetKind::Browser},
    {Grid,          u"表",               u"MSFlexGridLib.MSFlexGrid", u"Grid", kDynamic, false, WidgetKind::Grid},
    {Turtle,        u"カメ",             u"MainIcon", u"", kArray, false, WidgetKind::TurtleIcon},
    {Timer,         u"タイマー",         u"Timer1",   u"", kArray, false, WidgetKind::Timer},
};

constexpr WindowKindRow kWindowKinds[] = {
    {u"ウィンドウ",           WindowStyle::Normal},
    {u"固定ウィンドウ",       WindowStyle::Fixed},
    {u"ツールウィンドウ",     WindowStyle::Tool},
    {u"フルスクリーン",       WindowStyle::FullScreen},
    {u"縁無しウィンドウ",     WindowStyle::Borderless},
    {u"固定ツールウィンドウ", WindowStyle::FixedTool},
};
// clang-format on

}  // namespace

std::span<const KindRow> controlKinds() {
    return kKinds;
}

const KindRow& kindRow(KindId id) {
    return kKinds[int(id) - 1];
}

// Every property access looks its object up by this key: the narrow form is
// folded in place rather than copied a second time.
Text nameKey(TextView name) {
    Text key = text::toHalfWidth(name);
    for (char16_t& c : key) c = text::foldAscii(c);
    return key;
}

std::optional<std::size_t> matchPrefix(TextView text, TextView prefix) {
    // Kind words are full-width; a name may be written in either width, so
    // the comparison is on the narrow forms, one character at a time.
    std::size_t used = 0;
    for (char16_t want : prefix) {
        if (used >= text.size()) return std::nullopt;
        Text narrowWant = text::toHalfWidth(TextView(&want, 1));
        std::size_t take = 1;
        Text narrowHave = text::toHalfWidth(text.substr(used, 1));
        // A half-width kana with its voiced mark is one full-width character.
        if (used + 1 < text.size() && (text[used + 1] == u'ﾞ' || text[used + 1] == u'ﾟ')) {
            take = 2;
            narrowHave = Text(text.substr(used, 2));
        }
        if (text::foldKey(narrowHave) != text::foldKey(narrowWant)) return std::nullopt;
        used += take;
    }
    return used;
}

const KindRow* kindOfName(TextView name) {
    for (const KindRow& row : kKinds) {
        if (matchPrefix(name, row.word)) return &row;
    }
    return nullptr;
}

TextView nameWordOf(const KindRow& kind) {
    return kind.id == KindId::Shape ? TextView(u"シェイプ") : kind.word;
}

std::span<const WindowKindRow> windowKinds() {
    return kWindowKinds;
}

const WindowKindRow* windowKindOfName(TextView name) {
    // The longest word that begins the name wins, so ツールウィンドウ is not
    // mistaken for a name beginning with ウィンドウ (none is a prefix of another,
    // but the rule keeps that true when kinds are added).
    const WindowKindRow* found = nullptr;
    for (const WindowKindRow& row : kWindowKinds) {
        if (matchPrefix(name, row.word) && (!found || row.word.size() > found->word.size()))
            found = &row;
    }
    return found;
}

}  // namespace qel::ui
