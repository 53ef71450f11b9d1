// Template 100: the About box.

#include <array>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace larkspan::resources {
namespace {

using enum ControlKind;

constexpr std::array kControls{
    ControlTemplate{ids::kStatic, Icon, "", {11, 9, 20, 20}, kStyleNone},
    ControlTemplate{ids::kOkButton, DefPushButton, "OK", {234, 8, 54, 18}, kTabStop},
    ControlTemplate{ids::kStatic, Static, "Home page: ", {36, 43, 42, 8}, kStyleNone},
    // The link's text is the home page's address, which the box puts in when it opens.
    ControlTemplate{ids::kHomePageLink, Static, "", {79, 43, 123, 8}, kStyleNone},
};

constexpr DialogTemplate kAboutBox{
    ids::kAboutBoxDialog, "About Larkspan", 296, 95, kDlgCaption | kDlgSysMenu, "MS Sans Serif", 8, kControls,
};

}  // namespace

const DialogTemplate& AboutBoxTemplate() {
    return kAboutBox;
}

}  // namespace larkspan::resources
