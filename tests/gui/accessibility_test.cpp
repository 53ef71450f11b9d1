// What a screen reader finds in each window, through Qt's accessibility interfaces over the real widgets on
// the offscreen platform: every interactive control has a name, and a combo box has its label.

#include <algorithm>
#include <memory>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QtTest>

#include "batch/existing_file_prompt.h"
#include "batch/progress_window.h"
#include "mainwindow/about_box.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "mainwindow/shell_tree_control.h"
#include "platform/settings_store.h"
#include "tests/gui/three_windows.h"
#include "tests/support/files.h"
#include "tests/support/recording_messages.h"

using namespace larkspan;

namespace {

// The roles of controls that a user acts on or reads from.
bool Interactive(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::Table:
        case QAccessible::ProgressBar:
        case QAccessible::Link:
        case QAccessible::Graphic:  // read out as "image" when it has no name
            return true;
        default:
            return false;
    }
}

// The text of the label tied to a control (the labelled-by relation, which the AT-SPI bridge passes on),
// or "". Qt 6.4 reports a buddy label as QAccessible::Label, later versions as Labelled: either is taken.
QString LabelOf(QAccessibleInterface& control) {
    for (const auto& [other, relation] : control.relations(QAccessible::Label | QAccessible::Labelled)) {
        if (other && other->role() == QAccessible::StaticText && !other->text(QAccessible::Name).isEmpty())
            return other->text(QAccessible::Name);
    }
    return {};
}

// What a screen reader names each interactive control of window by: "role: name". A combo box is named by
// its label alone, since its own name is its current value; a control without a name reads "role: ".
QStringList ReadNames(QWidget& window) {
    QStringList names;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->window() != &window || !widget->isVisibleTo(&window)) continue;
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
        if (!control || !Interactive(control->role())) continue;
        const bool combo = control->role() == QAccessible::ComboBox;
        QString name = combo ? LabelOf(*control) : control->text(QAccessible::Name);
        names << QStringLiteral("%1: %2").arg(combo ? "combo box" : widget->metaObject()->className(), name);
    }
    return names;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ThreeWindows> windows_;

    std::unique_ptr<QDialog> MakeWindow(const QString& kind) {
        if (kind == "about") return std::make_unique<AboutBox>();
        return windows_->Make(kind);
    }

private slots:
    void init() { windows_ = std::make_unique<test::ThreeWindows>(); }

    void cleanup() { windows_.reset(); }

    void everyControlHasAName_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("expected");  // among the names read, in any order
        QTest::addColumn<QString>("description");   // the window's accessible description
        QTest::newRow("main window") << "main"
                                     << QStringList({
                                            "larkspan::ShellTreeControl: Folders",
                                            "larkspan::FileListControl: Documents",
                                            "combo box: Format:",
                                            "combo box: Folder:",
                                            "combo box: Filter:",
                                            "QPushButton: Choose output folder",
                                            "QPushButton: Convert",
                                            "QPushButton: Open",
                                            "QPushButton: Online Help",
                                            "QToolButton: About Larkspan...",
                                        })
                                     << "";
        QTest::newRow("progress window")
            << "progress"
            << QStringList({"QLabel: Larkspan", "QPushButton: Stop", "QPushButton: Detail >>",
                            "QCheckBox: Close after completed.", "QProgressBar: Conversion progress",
                            "QPlainTextEdit: Detail log"})
            << "";
        QTest::newRow("existing-file prompt")
            << "prompt"
            << QStringList({"QLabel: Warning", "QCheckBox: Save this settings for the task",
                            "QPushButton: Auto Rename", "QPushButton: Overwrite", "QPushButton: Cancel"})
            << "The file \"/d/report.doc\" has already existed!";
        QTest::newRow("About box") << "about"
                                   << QStringList({"QLabel: Larkspan", "QPushButton: OK",
                                                   "larkspan::HyperlinkLabel: file:///*"})
                                   << "";
    }

    void everyControlHasAName() {
        QFETCH(QString, kind);
        QFETCH(QStringList, expected);
        QFETCH(QString, description);
        std::unique_ptr<QDialog> window = MakeWindow(kind);
        const QStringList names = ReadNames(*window);
        for (const QString& name : names) QVERIFY2(!name.endsWith(": "), qPrintable(name + " has no name"));
        // A name ending in "*" stands for any name so beginning.
        for (const QString& name : expected) {
            const bool found =
                name.endsWith('*')
                    ? std::any_of(names.begin(), names.end(),
                                  [&](const QString& read) { return read.startsWith(name.chopped(1)); })
                    : names.contains(name);
            QVERIFY2(found, qPrintable(name + " not among " + names.join(" | ")));
        }
        QCOMPARE(names.size(), expected.size());
        QAccessibleInterface* self = QAccessible::queryAccessibleInterface(window.get());
        QVERIFY(self);
        QCOMPARE(self->text(QAccessible::Description), description);
    }

    // Every row's first cell is read as a check box with its tick, unticked rows included; the other
    // cells are not check boxes.
    void fileListRowsAreCheckBoxes() {
        windows_->folder.WriteFile("a.docx");
        windows_->folder.WriteFile("b.docx");
        auto window = std::make_unique<MainWindowDialog>(windows_->state, windows_->settings);
        window->show();
        QVERIFY(window->FolderTree().SelectPath(QString::fromStdString(windows_->folder.str())));
        FileListControl& list = window->FileList();
        QCOMPARE(list.GetItemCount(), 2);
        list.SetCheck(0, true);

        auto boxes = [&list] {
            QStringList read;
            QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&list);
            for (int i = 0; view && i < view->childCount(); ++i) {
                QAccessibleInterface* cell = view->child(i);
                if (!cell || cell->role() != QAccessible::CheckBox) continue;
                const QAccessible::State state = cell->state();
                if (!state.checkable) return QStringList({"not checkable: " + cell->text(QAccessible::Name)});
                read << cell->text(QAccessible::Name) + (state.checked ? " checked" : " not checked");
                if (view->indexOfChild(cell) != i) return QStringList({"misnumbered: " + read.last()});
            }
            return read;
        };
        QCOMPARE(boxes(), QStringList({"a.docx checked", "b.docx not checked"}));
        list.SetCheck(0, false);
        list.SetCheck(1, true);
        QCOMPARE(boxes(), QStringList({"a.docx not checked", "b.docx checked"}));
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AccessibilityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "accessibility_test.moc"
