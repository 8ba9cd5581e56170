// Pop-up menus: their items, checks and sub-menus, and how the transcript shows them.
#pragma once

#include "platform/api/WinUser.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace emu {

struct MenuItem {
    UINT flags;
    UINT_PTR idOrSubMenu;
    std::u16string text;

    bool isSeparator() const { return (flags & MF_SEPARATOR) != 0; }
    bool isSubMenu() const { return (flags & MF_POPUP) != 0; }
    bool isSelectable() const { return !isSeparator() && !isSubMenu() && !(flags & (MF_GRAYED | MF_DISABLED)); }
};

class MenuTable {
public:
    HMENU create();
    bool destroy(HMENU);
    std::vector<MenuItem>* items(HMENU);
    // The item `item` names, by command or by position; searched through sub-menus by command.
    MenuItem* findItem(HMENU, UINT item, bool byPosition);

    // "[ ] Open=1 | [x] Silent=2 More {[ ] A=3}"
    std::string describe(HMENU) const;
    // The command a driver's choice names: a number, or the text of a selectable item. Nullopt when
    // the choice names no selectable item of the menu.
    std::optional<UINT> resolveChoice(HMENU, const std::string& choice) const;

private:
    std::map<std::uintptr_t, std::vector<MenuItem>> m_menus;
    std::uintptr_t m_next { 0x3000000 };
};

}
