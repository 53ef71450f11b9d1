// Template 167: the question about an existing target.

#include <array>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace larkspan::resources {
namespace {

using enum ControlKind;

constexpr std::array kControls{
    ControlTemplate{ids::kWarningIcon, Icon, "", {16, 17, 21, 23}, kStyleNone},
    ControlTemplate{ids::kQuestionText, Static, "", {54, 11, 223, 44}, kWordWrap},
    ControlTemplate{
        ids::kSaveForTaskCheck, AutoCheckBox, "Save this settings for the task", {54, 61, 140, 10}, kTabStop},
    ControlTemplate{ids::kAutoRenameButton, DefPushButton, "Auto Rename", {55, 75, 56, 16}, kTabStop},
    ControlTemplate{ids::kOverwriteButton, PushButton, "Overwrite", {115, 75, 56, 16}, kTabStop},
    ControlTemplate{ids::kCancelButton, PushButton, "Cancel", {175, 75, 56, 16}, kTabStop},
};

constexpr DialogTemplate kExistingFilePrompt{
    ids::kExistingFilePromptDialog, "Larkspan",      285, 96,
    kDlgCaption | kDlgSysMenu,      "MS Sans Serif", 8,   kControls,
};

}  // namespace

const DialogTemplate& ExistingFilePromptTemplate() {
    return kExistingFilePrompt;
}

}  // namespace larkspan::resources
