// The console's menu tree: what a replayed choice may reach, and the
// shortcut texts menus take.
#include <gtest/gtest.h>

#include "platform/headless/virtual_menus.h"
#include "ui/menus.h"

namespace qel {
namespace {

struct Chosen {
    std::vector<std::uint64_t> commands;
    VirtualMenus menus{[this](const WidgetEvent& e) { commands.push_back(e.command); }};
};

// ファイル: 開く(1), sub-menu 最近(2 entries), 終了; window 7.
MenuHandle build(VirtualMenus& m, MenuHandle& recent) {
    MenuHandle file = m.createPopup(7);
    m.appendPopup(7, 0, file, u"ファイル");
    m.appendEntry(7, file, 1, u"開く\tCTRL+O");
    m.appendSeparator(7, file);
    recent = m.createPopup(7);
    m.appendPopup(7, file, recent, u"最近");
    m.appendEntry(7, recent, 3, u"a.txt");
    m.appendEntry(7, file, 4, u"終了");
    return file;
}

TEST(VirtualMenus, ChoicesFollowPathsAndRefuseGreyedOrHiddenBranches) {
    Chosen c;
    MenuHandle recent = 0;
    build(c.menus, recent);
    EXPECT_EQ(c.menus.choose(7, u"ファイルの開く"),
              "");  // the shortcut column is not part of the path
    EXPECT_EQ(c.menus.choose(7, u"ファイルの最近のa.txt"), "");
    EXPECT_NE(c.menus.choose(7, u"ファイルの閉じる"), "");
    EXPECT_NE(c.menus.choose(8, u"ファイルの開く"), "");
    MenuItemState grey;
    grey.text = u"最近";
    grey.enabled = false;
    c.menus.update({7, recent, true}, grey);
    EXPECT_NE(c.menus.choose(7, u"ファイルの最近のa.txt"), "");  // under a greyed sub-menu
    MenuItemState hidden;
    hidden.text = u"終了";
    hidden.visible = false;
    c.menus.update({7, 4, false}, hidden);
    EXPECT_NE(c.menus.choose(7, u"ファイルの終了"), "");
    EXPECT_EQ(c.commands, (std::vector<std::uint64_t>{1, 3}));
    c.menus.removeMenus(7);
    EXPECT_NE(c.menus.choose(7, u"ファイルの開く"), "");
}

TEST(VirtualMenus, AShownPopupTakesTheNextChoiceOnly) {
    Chosen c;
    MenuHandle recent = 0;
    build(c.menus, recent);
    c.menus.showPopup(7, recent, std::nullopt);
    EXPECT_NE(c.menus.choose(7, u"ファイルの開く"), "");  // not in the pop-up, and it closes
    EXPECT_EQ(c.menus.choose(7, u"ファイルの開く"), "");
    c.menus.showPopup(7, recent, std::pair{5, 5});
    EXPECT_EQ(c.menus.choose(7, u"ファイルの最近のa.txt"), "");
    EXPECT_EQ(c.commands, (std::vector<std::uint64_t>{1, 3}));
}

TEST(MenuShortcuts, ModifiersKeysAndTheShiftCharacterRule) {
    auto s = ui::ParseShortcut(u"CTRL+O");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->keyCode, 'O');
    EXPECT_EQ(s->shift, kCtrlKey);
    s = ui::ParseShortcut(u"shift+ctrl+f12");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->keyCode, 123);
    EXPECT_EQ(s->shift, kCtrlKey | kShiftKey);
    s = ui::ParseShortcut(u"ＣＴＲＬ＋←");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->keyCode, 37);
    s = ui::ParseShortcut(u"SHIFT+Delete");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->keyCode, 46);
    s = ui::ParseShortcut(u"CTRL+,");  // the comma key, as key events report it
    ASSERT_TRUE(s);
    EXPECT_EQ(s->keyCode, 188);
    EXPECT_FALSE(ui::ParseShortcut(u"SHIFT+A"));
    EXPECT_FALSE(ui::ParseShortcut(u"SHIFT+5"));
    EXPECT_FALSE(ui::ParseShortcut(u"CTRL+Hyper"));
    EXPECT_FALSE(ui::ParseShortcut(u"CTRL+"));
    EXPECT_FALSE(ui::ParseShortcut(u""));
    EXPECT_FALSE(ui::ParseShortcut(u"CTRL+F13"));
}

}  // namespace
}  // namespace qel
