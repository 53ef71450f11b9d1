// Template 102: the main window.

#include <array>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace larkspan::resources {
namespace {

using enum ControlKind;

constexpr std::array<std::string_view, 2> kFormatItems{"Word 97-2003(*.DOC)", "Word 2007(*.DOCX)"};
constexpr std::array<std::string_view, 2> kFilterItems{"Word 2007(*.DOCX)", "Word 97-2003(*.DOC)"};

constexpr std::uint32_t kCombo = kTabStop | kComboVScroll;

constexpr std::array kControls{
    ControlTemplate{ids::kFolderTree,
                    TreeView,
                    "",
                    {4, 16, 116, 225},
                    kTabStop | kBorder | kTreeHasButtons | kTreeLinesAtRoot},
    ControlTemplate{ids::kFileList,
                    ListView,
                    "",
                    {123, 16, 376, 225},
                    kTabStop | kBorder | kListReport | kListShowSelAlways},
    ControlTemplate{ids::kFormatCombo, DropDownList, "", {50, 262, 215, 99}, kCombo, kFormatItems},
    ControlTemplate{ids::kFolderCombo, DropDownList, "", {50, 280, 215, 66}, kCombo | kComboAutoHScroll},
    ControlTemplate{ids::kBrowseButton, PushButton, "...", {267, 280, 22, 14}, kTabStop},
    ControlTemplate{ids::kConvertButton, DefPushButton, "&Convert", {345, 259, 68, 34}, kTabStop},
    ControlTemplate{
        ids::kTargetGroup, GroupBox, "Select target file format and folder", {4, 245, 323, 55}, kStyleNone},
    ControlTemplate{ids::kFormatLabel, Static, "Format:", {19, 263, 28, 8}, kStyleNone},
    ControlTemplate{ids::kFolderLabel, Static, "Folder:", {19, 282, 30, 8}, kStyleNone},
    ControlTemplate{ids::kStatic, Static, "Select Directory:", {5, 5, 69, 8}, kStyleNone},
    ControlTemplate{ids::kSelectFilesLabel,
                    Static,
                    "Select Files: (Click checkbox to select source files)",
                    {123, 5, 213, 8},
                    kStyleNone},
    ControlTemplate{ids::kFilterLabel, Static, "Filter:", {374, 6, 29, 8}, kStyleNone},
    ControlTemplate{ids::kFilterCombo, DropDownList, "", {404, 2, 95, 109}, kCombo, kFilterItems},
    ControlTemplate{ids::kOpenFolderButton, PushButton, "Open", {292, 280, 22, 14}, kTabStop},
    ControlTemplate{ids::kOnlineHelpButton, PushButton, "Online &Help", {421, 259, 68, 34}, kTabStop},
};

constexpr DialogTemplate kMainWindow{
    ids::kMainWindowDialog,
    "Larkspan",
    504,
    304,
    kDlgCaption | kDlgSysMenu | kDlgThickFrame | kDlgMinimizeBox | kDlgMaximizeBox | kDlgAppWindow,
    "MS Sans Serif",
    8,
    kControls,
};

}  // namespace

const DialogTemplate& MainWindowTemplate() {
    return kMainWindow;
}

}  // namespace larkspan::resources
