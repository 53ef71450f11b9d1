#include <array>

#include "resources/menu_template.h"
#include "resources/resource_ids.h"

namespace larkspan::resources {
namespace {

constexpr MenuItemTemplate kSeparator{0, ""};

// Menu 140: the file list's context menu. Every item is always enabled.
constexpr std::array kFileListItems{
    MenuItemTemplate{ids::kCmdOpen, "Open"},
    kSeparator,
    MenuItemTemplate{ids::kCmdCheck, "Check"},
    MenuItemTemplate{ids::kCmdUncheck, "Uncheck"},
    kSeparator,
    MenuItemTemplate{ids::kCmdCheckAll, "Check All"},
    MenuItemTemplate{ids::kCmdUncheckAll, "Uncheck All"},
};

constexpr MenuTemplate kFileListMenu{ids::kFileListMenu, "DIR", kFileListItems};

}  // namespace

const MenuTemplate* FindMenu(int id) {
    if (id == ids::kFileListMenu) return &kFileListMenu;
    return nullptr;
}

}  // namespace larkspan::resources
