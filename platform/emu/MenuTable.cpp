#include "platform/emu/MenuTable.h"

#include "platform/emu/Text.h"

#include <charconv>

namespace emu {

HMENU MenuTable::create()
{
    const std::uintptr_t value = m_next++;
    m_menus.emplace(value, std::vector<MenuItem> {});
    return reinterpret_cast<HMENU>(value);
}

bool MenuTable::destroy(HMENU menu)
{
    const auto it = m_menus.find(reinterpret_cast<std::uintptr_t>(menu));
    if (it == m_menus.end())
        return false;
    const std::vector<MenuItem> items = std::move(it->second);
    m_menus.erase(it);
    for (const MenuItem& item : items) {
        if (item.isSubMenu())
            destroy(reinterpret_cast<HMENU>(item.idOrSubMenu));
    }
    return true;
}

std::vector<MenuItem>* MenuTable::items(HMENU menu)
{
    const auto it = m_menus.find(reinterpret_cast<std::uintptr_t>(menu));
    return it == m_menus.end() ? nullptr : &it->second;
}

MenuItem* MenuTable::findItem(HMENU menu, UINT item, bool byPosition)
{
    auto* list = items(menu);
    if (!list)
        return nullptr;
    if (byPosition)
        return item < list->size() ? &(*list)[item] : nullptr;
    for (MenuItem& entry : *list) {
        if (entry.isSubMenu()) {
            if (MenuItem* found = findItem(reinterpret_cast<HMENU>(entry.idOrSubMenu), item, false))
                return found;
        } else if (!entry.isSeparator() && entry.idOrSubMenu == item) {
            return &entry;
        }
    }
    return nullptr;
}

std::string MenuTable::describe(HMENU menu) const
{
    const auto it = m_menus.find(reinterpret_cast<std::uintptr_t>(menu));
    if (it == m_menus.end())
        return {};
    std::string text;
    for (const MenuItem& item : it->second) {
        if (!text.empty())
            text += ' ';
        if (item.isSeparator())
            text += '|';
        else if (item.isSubMenu())
            text += toUtf8(item.text) + " {" + describe(reinterpret_cast<HMENU>(item.idOrSubMenu)) + "}";
        else
            text += std::string((item.flags & MF_CHECKED) ? "[x] " : "[ ] ") + toUtf8(item.text) + "=" + std::to_string(item.idOrSubMenu);
    }
    return text;
}

std::optional<UINT> MenuTable::resolveChoice(HMENU menu, const std::string& choice) const
{
    const auto it = m_menus.find(reinterpret_cast<std::uintptr_t>(menu));
    if (it == m_menus.end())
        return std::nullopt;
    UINT number = 0;
    const auto [end, error] = std::from_chars(choice.data(), choice.data() + choice.size(), number);
    const bool isNumber = error == std::errc() && end == choice.data() + choice.size();
    for (const MenuItem& item : it->second) {
        if (item.isSubMenu()) {
            if (const auto found = resolveChoice(reinterpret_cast<HMENU>(item.idOrSubMenu), choice))
                return found;
        } else if (item.isSelectable()) {
            if (isNumber ? item.idOrSubMenu == number : toUtf8(item.text) == choice)
                return static_cast<UINT>(item.idOrSubMenu);
        }
    }
    return std::nullopt;
}

}
