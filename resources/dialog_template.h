#pragma once
// Dialogs described as data: a template lists every control with its id, kind, text, rectangle in dialog
// units and style, in tab order. The Qt side builds the widgets from it (resources/dialog_builder.h); this
// header is plain data so that the core can hold templates too.

#include <cstdint>
#include <span>
#include <string_view>

namespace larkspan::resources {

enum class ControlKind {
    Static,    // a left-aligned text label
    GroupBox,  // a frame with a title, drawn behind the controls placed on it
    PushButton,
    DefPushButton,  // the dialog's default button: Enter presses it
    DropDownList,   // a combo box whose text cannot be edited
    TreeView,
    ListView,
    AutoCheckBox,  // a check box that toggles itself when clicked
    ProgressBar,   // range 0 to 100
    RichEdit,      // a multi-line text control: the progress window's log
    Icon,          // a picture the dialog puts in when it opens
    EtchedLine,    // a sunken horizontal line
};

// Control styles; only those the program's templates use.
enum ControlStyle : std::uint32_t {
    kStyleNone = 0,
    kTabStop = 1u << 0,
    kBorder = 1u << 1,
    kTreeHasButtons = 1u << 2,
    kTreeLinesAtRoot = 1u << 3,
    kListReport = 1u << 4,
    kListShowSelAlways = 1u << 5,
    kComboAutoHScroll = 1u << 6,
    kComboVScroll = 1u << 7,
    kHidden = 1u << 8,    // never shown
    kWordWrap = 1u << 9,  // a static text that wraps at its width
    kVScroll = 1u << 10,
    kHScroll = 1u << 11,
};

// Dialog styles.
enum DialogStyle : std::uint32_t {
    kDlgCaption = 1u << 0,
    kDlgSysMenu = 1u << 1,
    kDlgThickFrame = 1u << 2,  // the user can resize it
    kDlgMinimizeBox = 1u << 3,
    kDlgMaximizeBox = 1u << 4,
    kDlgAppWindow = 1u << 5,  // shown in the task bar
};

// A rectangle in dialog units.
struct DialogRect {
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view text;
    DialogRect rect;  // for combo boxes cy is the height of the open list
    std::uint32_t style;
    std::span<const std::string_view> items = {};  // initial combo box items, in order
};

struct DialogTemplate {
    int id;
    std::string_view caption;
    int cx, cy;  // the client area in dialog units
    std::uint32_t style;
    std::string_view fontName;
    int fontPointSize;
    std::span<const ControlTemplate> controls;  // in tab order
};

// A rectangle in pixels.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// One dialog unit is a quarter of the dialog font's average character width across and an eighth of its
// height down. The layout rules of the dialogs are written in pixels of a 96 dpi screen with the 8 pt font,
// where those base units are 6 and 13 pixels; a bigger font (or a denser screen) gives bigger base units,
// measured from the font the dialog uses (resources/dialog_builder.h), and every control grows with it.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;

struct BaseUnits {
    int x = kBaseUnitX, y = kBaseUnitY;
    friend bool operator==(const BaseUnits&, const BaseUnits&) = default;
};

// a * b / c rounded half away from zero, as the dialog manager scales.
constexpr int MulDiv(int a, int b, int c) {
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

constexpr int DialogUnitsToPixelsX(int units, BaseUnits base = {}) {
    return MulDiv(units, base.x, 4);
}
constexpr int DialogUnitsToPixelsY(int units, BaseUnits base = {}) {
    return MulDiv(units, base.y, 8);
}

// Each value is scaled on its own, as the dialog manager places controls.
constexpr PixelRect DialogUnitsToPixels(DialogRect rect, BaseUnits base = {}) {
    return {DialogUnitsToPixelsX(rect.x, base), DialogUnitsToPixelsY(rect.y, base),
            DialogUnitsToPixelsX(rect.cx, base), DialogUnitsToPixelsY(rect.cy, base)};
}

// The template of the given id; nullptr when there is none.
const DialogTemplate* FindDialogTemplate(int id);

// The main window, template 102.
const DialogTemplate& MainWindowTemplate();
// The progress window of a batch run, template 139.
const DialogTemplate& ProgressWindowTemplate();
// The question about an existing target, template 167.
const DialogTemplate& ExistingFilePromptTemplate();
// The About box, template 100.
const DialogTemplate& AboutBoxTemplate();

}  // namespace larkspan::resources
