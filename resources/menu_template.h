#pragma once
// Menus as data, like the dialog templates: the Qt side builds a QMenu from them.

#include <span>
#include <string_view>

namespace larkspan::resources {

struct MenuItemTemplate {
    int command;  // 0 for a separator
    std::string_view text;
};

struct MenuTemplate {
    int id;
    std::string_view popupText;  // the title of the menu's one popup
    std::span<const MenuItemTemplate> items;
};

// The menu of the given id; nullptr when there is none.
const MenuTemplate* FindMenu(int id);

}  // namespace larkspan::resources
