// Template 139: the progress window of a batch run.

#include <array>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace larkspan::resources {
namespace {

using enum ControlKind;

constexpr std::array kControls{
    ControlTemplate{ids::kStopButton, PushButton, "Stop", {267, 15, 56, 14}, kTabStop},
    ControlTemplate{ids::kDetailButton, PushButton, "Detail >>", {267, 32, 56, 14}, kTabStop},
    ControlTemplate{
        ids::kStatusLine, Static, "Converting File(s). Please wait", {52, 13, 210, 11}, kStyleNone},
    ControlTemplate{ids::kStatic, Icon, "", {14, 12, 20, 20}, kStyleNone},
    ControlTemplate{ids::kProgressBar, ProgressBar, "", {9, 45, 250, 12}, kBorder},
    ControlTemplate{ids::kAutoCloseCheck, AutoCheckBox, "Close after completed.", {9, 61, 104, 10}, kTabStop},
    ControlTemplate{ids::kStatic, EtchedLine, "", {8, 76, 315, 1}, kStyleNone},
    ControlTemplate{ids::kStatic, GroupBox, "Detail", {8, 81, 315, 140}, kStyleNone},
    ControlTemplate{
        ids::kLogControl, RichEdit, "", {14, 92, 303, 123}, kTabStop | kBorder | kVScroll | kHScroll},
    // Two controls that are never shown and do nothing.
    ControlTemplate{ids::kViewResultButton, PushButton, "View Result", {267, 49, 56, 14}, kHidden},
    ControlTemplate{ids::kHiddenMark, Static, "", {9, 33, 8, 8}, kHidden},
};

constexpr DialogTemplate kProgressWindow{
    ids::kProgressWindowDialog, "Larkspan",      332, 228,
    kDlgCaption | kDlgSysMenu,  "MS Sans Serif", 8,   kControls,
};

}  // namespace

const DialogTemplate& ProgressWindowTemplate() {
    return kProgressWindow;
}

}  // namespace larkspan::resources
