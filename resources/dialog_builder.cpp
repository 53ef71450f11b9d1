#include "resources/dialog_builder.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetricsF>
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
constexpr const char* kBaseUnitsProperty = "larkspanBaseUnits";

// The templates' font size, and the screen density their pixel rules were written for.
constexpr qreal kTemplatePointSize = 8.0;
constexpr qreal kTemplateDpi = 96.0;

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

QRect Place(const ControlTemplate& control, const QWidget& widget, const QWidget& dialog) {
    QRect rect = ToPixels(dialog, control.rect);
    // A combo box's template height is that of its open list; the closed box is as high as its font needs.
    if (control.kind == ControlKind::DropDownList) rect.setHeight(widget.sizeHint().height());
    // The base units are whole pixels, the text's width is not: a one-line label whose text comes out a
    // little wider than its box at some font sizes takes the room it needs rather than cutting the text.
    if (control.kind == ControlKind::Static && !(control.style & kWordWrap) && !control.text.empty())
        rect.setWidth(std::max(rect.width(), widget.sizeHint().width()));
    return rect;
}

}  // namespace

QFont DialogFont() {
    QFont font = QApplication::font();
    // A font given in pixels has no point size (-1); it is taken as it is.
    if (font.pointSizeF() > 0 && font.pointSizeF() < kTemplatePointSize)
        font.setPointSizeF(kTemplatePointSize);
    return font;
}

BaseUnits MeasureBaseUnits(const QFont& font) {
    // The dialog manager's measure: the average advance of the 52 letters, and the font's height.
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetricsF metrics(font);
    // The same family at the size the 8 pt font has on a 96 dpi screen; the metrics carry the screen's dpi.
    QFont reference = font;
    reference.setPointSizeF(kTemplatePointSize * kTemplateDpi / metrics.fontDpi());
    const QFontMetricsF referenceMetrics(reference);
    const qreal width = metrics.horizontalAdvance(letters);
    const qreal referenceWidth = referenceMetrics.horizontalAdvance(letters);
    const qreal height = metrics.height();
    const qreal referenceHeight = referenceMetrics.height();
    if (width <= 0 || referenceWidth <= 0 || height <= 0 || referenceHeight <= 0) return {};
    // Never below the template's own units: a font smaller than 8 pt at 96 dpi keeps today's layout.
    return {std::max(kBaseUnitX, qRound(kBaseUnitX * width / referenceWidth)),
            std::max(kBaseUnitY, qRound(kBaseUnitY * height / referenceHeight))};
}

BaseUnits DialogBaseUnits(const QWidget& dialog) {
    const QVariant value = dialog.property(kBaseUnitsProperty);
    if (!value.isValid()) return {};
    const QPoint units = value.toPoint();
    return {units.x(), units.y()};
}

QRect ToPixels(const QWidget& dialog, DialogRect rect) {
    PixelRect pixels = DialogUnitsToPixels(rect, DialogBaseUnits(dialog));
    return {pixels.x, pixels.y, pixels.width, pixels.height};
}

int ScaleX(const QWidget& dialog, int pixels) {
    return MulDiv(pixels, DialogBaseUnits(dialog).x, kBaseUnitX);
}

int ScaleY(const QWidget& dialog, int pixels) {
    return MulDiv(pixels, DialogBaseUnits(dialog).y, kBaseUnitY);
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

    // The template names a Windows font and 8 pt; the desktop's family and size take their place, and the
    // layout's units follow the font, so the controls grow with it.
    const QFont font = DialogFont();
    dialog.setFont(font);
    const BaseUnits base = MeasureBaseUnits(font);
    dialog.setProperty(kBaseUnitsProperty, QPoint(base.x, base.y));

    QSize client(DialogUnitsToPixelsX(dialogTemplate.cx, base),
                 DialogUnitsToPixelsY(dialogTemplate.cy, base));
    dialog.resize(client);
    if (!(dialogTemplate.style & kDlgThickFrame)) dialog.setFixedSize(client);

    QWidget* previous = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = factory ? factory(control, &dialog) : nullptr;
        if (!widget) widget = MakeStandard(control, &dialog);
        widget->setProperty(kIdProperty, control.id);
        if (control.id != ids::kStatic) widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        ApplyStyle(*widget, control);
        widget->setGeometry(Place(control, *widget, dialog));
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
