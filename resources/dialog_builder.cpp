#include "resources/dialog_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>

#include "resources/resource_ids.h"

namespace larkspan::resources {
namespace {

constexpr const char* kIdProperty = "larkspanControlId";

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* MakeStandard(const ControlTemplate& control, QWidget* parent) {
    switch (control.kind) {
        case ControlKind::Static: {
            auto* label = new QLabel(Text(control.text), parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::GroupBox:
            return new QGroupBox(Text(control.text), parent);
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
            return new QPushButton(Text(control.text), parent);
        case ControlKind::DropDownList: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(false);
            return combo;
        }
        case ControlKind::TreeView: {
            auto* tree = new QTreeView(parent);
            tree->setHeaderHidden(true);
            return tree;
        }
        case ControlKind::ListView: {
            auto* list = new QTreeWidget(parent);
            list->setRootIsDecorated(false);
            return list;
        }
        case ControlKind::AutoCheckBox:
            return new QCheckBox(Text(control.text), parent);
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(parent);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            return bar;
        }
        case ControlKind::RichEdit: {
            // A log to read and copy from, not to type into.
            auto* edit = new QPlainTextEdit(parent);
            edit->setReadOnly(true);
            edit->setUndoRedoEnabled(false);
            return edit;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::EtchedLine: {
            auto* line = new QFrame(parent);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            return line;
        }
    }
    return new QWidget(parent);
}

// What the style bits mean for the widget that was made, whoever made it.
void ApplyStyle(QWidget& widget, const ControlTemplate& control) {
    if (auto* frame = qobject_cast<QFrame*>(&widget);
        frame && (control.kind == ControlKind::TreeView || control.kind == ControlKind::ListView)) {
        if (!(control.style & kBorder)) frame->setFrameShape(QFrame::NoFrame);
    }
    if (auto* tree = qobject_cast<QTreeView*>(&widget)) {
        if (control.kind == ControlKind::TreeView)
            tree->setRootIsDecorated((control.style & kTreeLinesAtRoot) != 0);
        tree->setItemsExpandable(control.kind == ControlKind::TreeView &&
                                 (control.style & kTreeHasButtons) != 0);
        if (control.kind == ControlKind::ListView) tree->setHeaderHidden(!(control.style & kListReport));
    }
    if (auto* button = qobject_cast<QPushButton*>(&widget)) {
        // Every push button becomes the default while it has the focus, as dialog buttons do.
        button->setAutoDefault(true);
        button->setDefault(control.kind == ControlKind::DefPushButton);
    }
    if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        for (std::string_view item : control.items) combo->addItem(Text(item));
    }
    if (auto* label = qobject_cast<QLabel*>(&widget)) label->setWordWrap((control.style & kWordWrap) != 0);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(&widget)) {
        edit->setLineWrapMode(control.style & kHScroll ? QPlainTextEdit::NoWrap
                                                       : QPlainTextEdit::WidgetWidth);
        edit->setVerticalScrollBarPolicy(control.style & kVScroll ? Qt::ScrollBarAsNeeded
                                                                  : Qt::ScrollBarAlwaysOff);
        if (!(control.style & kBorder)) edit->setFrameShape(QFrame::NoFrame);
    }
    if (control.style & kHidden) widget.setVisible(false);
    if (auto* group = qobject_cast<QGroupBox*>(&widget)) {
        // A group box only frames the controls placed over it: it takes no clicks and lies beneath them.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        group->lower();
    }
    widget.setFocusPolicy(control.style & kTabStop ? Qt::StrongFocus : Qt::NoFocus);
}

QRect Place(const ControlTemplate& control, const QWidget& widget) {
    QRect rect = ToPixels(control.rect);
    // A combo box's template height is that of its open list; the closed box is as high as its font needs.
    if (control.kind == ControlKind::DropDownList) rect.setHeight(widget.sizeHint().height());
    return rect;
}

}  // namespace

QRect ToPixels(DialogRect rect) {
    PixelRect pixels = DialogUnitsToPixels(rect);
    return {pixels.x, pixels.y, pixels.width, pixels.height};
}

void BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate, const ControlFactory& factory) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (dialogTemplate.style & kDlgAppWindow) flags = Qt::Window | Qt::CustomizeWindowHint;
    if (dialogTemplate.style & kDlgCaption) flags |= Qt::WindowTitleHint;
    if (dialogTemplate.style & kDlgSysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (dialogTemplate.style & kDlgMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
    if (dialogTemplate.style & kDlgMaximizeBox) flags |= Qt::WindowMaximizeButtonHint;
    dialog.setWindowFlags(flags);
    dialog.setSizeGripEnabled(false);
    dialog.setWindowTitle(Text(dialogTemplate.caption));

    // The template names a Windows font; its size is kept, the family is the desktop's own.
    QFont font = dialog.font();
    font.setPointSize(dialogTemplate.fontPointSize);
    dialog.setFont(font);

    QSize client(DialogUnitsToPixelsX(dialogTemplate.cx), DialogUnitsToPixelsY(dialogTemplate.cy));
    dialog.resize(client);
    if (!(dialogTemplate.style & kDlgThickFrame)) dialog.setFixedSize(client);

    QWidget* previous = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = factory ? factory(control, &dialog) : nullptr;
        if (!widget) widget = MakeStandard(control, &dialog);
        widget->setProperty(kIdProperty, control.id);
        if (control.id != ids::kStatic) widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        ApplyStyle(*widget, control);
        widget->setGeometry(Place(control, *widget));
        if (control.style & kTabStop) {
            if (previous) QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

int ControlId(const QWidget& control) {
    QVariant id = control.property(kIdProperty);
    return id.isValid() ? id.toInt() : ids::kStatic;
}

QWidget* FindControl(const QWidget& parent, int id) {
    for (QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVariant value = child->property(kIdProperty);
        if (value.isValid() && value.toInt() == id) return child;
    }
    return nullptr;
}

void AppendMenuItems(QMenu& menu, const MenuTemplate& menuTemplate) {
    for (const MenuItemTemplate& item : menuTemplate.items) {
        if (item.command == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(Text(item.text));
        action->setData(item.command);
    }
}

}  // namespace larkspan::resources
