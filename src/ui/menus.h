// Script menus: objects named "メニュー…" put a menu on the current window's
// menu bar, "サブメニュー…" an entry, a separator or a sub-menu below the menu
// opened last. Choosing an entry (or pressing its shortcut) runs the
// procedure named window name + "の" + the entry's path + "をクリック". The
// entries' check marks, state, text and shortcut are properties of the
// special object "メニュー".
#pragma once

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/ports/menus.h"
#include "text/text.h"

namespace qel {
class Engine;
}

namespace qel::ui {

class ObjectModel;
class QelWindow;

// One menu, sub-menu or entry of a window.
struct xxMenuCls {
    std::uint64_t MenuID = 0;  // pop-up handle (menus) or command number (entries)
    bool isPopup = false;
    qel::Text Text;      // as shown, "\t" + shortcut once one is set
    qel::Text TreePath;  // titles and own text joined by "の"
    int ShortCutKeyNo = 0;
    int ShortCutKeyShift = 0;
    qel::Text ShortCutKeyName;
    bool checked = false, enabled = true, visible = true;

    // Runs the entry's procedure for the window (see menus.cpp).
    void CallEvent(Engine& engine, ObjectModel& model, QelWindow& window) const;
};

// A shortcut as written ("CTRL+O", "SHIFT+F5"): key code and shift state.
struct Shortcut {
    int keyCode = 0;
    int shift = 0;
};
// Nothing when the text names no key, or asks for Shift with a character key
// (which would take the character away from typing).
std::optional<Shortcut> ParseShortcut(TextView written);

// The entries of one window, in the order they were made.
struct WindowMenus {
    std::vector<xxMenuCls> MenuInfo;
    std::unordered_map<std::uint64_t, std::size_t> byId;
    xxMenuCls* find(std::uint64_t id);
    xxMenuCls* findPath(TextView path);
};

class MenuModel {
  public:
    // The deepest the open-menu stack goes (the menu on the bar included).
    static constexpr int kStackSize = 51;
    // Entries whose command number reaches this are never dispatched as
    // commands (their shortcuts still work).
    static constexpr std::uint64_t kCommandLimit = 200;

    // ---- building (from CreateObject, on the current window) -----------------------
    void AddMenu(Engine& engine, QelWindow& window, TextView title);
    void AddSubMenuEntry(Engine& engine, QelWindow& window, TextView text);

    // ---- from the widget set -----------------------------------------------------------
    void MenuCommand(Engine& engine, ObjectModel& model, QelWindow& window, std::uint64_t number);
    // True when an entry had the key as its shortcut.
    bool MenuShortcut(Engine& engine, ObjectModel& model, QelWindow& window, int keyCode,
                      int shift);

    // ---- the special object "メニュー" ------------------------------------------------------
    // `path` is what lies between "メニューの" and the property name.
    std::optional<qel::Text> MenuProperty(Engine& engine, QelWindow& window, TextView path,
                                          TextView property, const qel::Text* value);

    // ---- ポップアップメニュー -------------------------------------------------------------------
    // At the point (client pixels) or the mouse; false (reported) when no
    // menu of the window has that title.
    bool Popup(Engine& engine, QelWindow& window, TextView title,
               std::optional<std::pair<int, int>> at);

    // ---- life ------------------------------------------------------------------------------
    WindowMenus* menusOf(const QelWindow& window);
    void forgetWindow(Engine& engine, QelWindow& window);
    void reset(Engine& engine, ObjectModel& model);
    int MenuWindowCount = 0;

  private:
    MenuPort* port(Engine& engine);
    bool beginWindow(Engine& engine, QelWindow& window);
    void push(std::uint64_t handle);
    void show(Engine& engine, QelWindow& window, const xxMenuCls& item);

    std::unordered_map<const QelWindow*, WindowMenus> windows_;
    // The menu being built: open pop-ups (position 0 the menu on the bar)
    // and the titles of the open menu and sub-menus.
    std::vector<std::uint64_t> openMenus_;
    std::vector<qel::Text> paths_;
    const QelWindow* building_ = nullptr;
};

// The model's menus, made on first use.
MenuModel& Menus(ObjectModel& model);

}  // namespace qel::ui
