// The windows at the desktop's font size: built after QApplication::setFont at 8, 11 and 14 pt on the
// offscreen platform, each takes that font, every visible control lies inside its window, overlaps no
// sibling (a group box only wholly holds the controls placed on it), no button or label cuts its text, and
// the main window is no larger than the screen (which at 14 pt is smaller than its layout: labels end in
// "…"). Their pictures have as many pixels as the screen's density asks (run once more at twice the scale).

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTreeView>
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

QString Describe(const QWidget& widget) {
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(&widget)) text = label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) text = button->text();
    return QStringLiteral("%1 \"%2\" %3,%4 %5x%6")
        .arg(widget.metaObject()->className(), text)
        .arg(widget.x())
        .arg(widget.y())
        .arg(widget.width())
        .arg(widget.height());
}

// Why the control's text does not fit in it, or "".
QString CutText(QWidget& widget) {
    if (auto* button = qobject_cast<QPushButton*>(&widget)) {
        // The area the style draws the label in, inside the button's frame and margins.
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect contents =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QString text = QString(button->text()).remove(QLatin1Char('&'));
        if (button->fontMetrics().horizontalAdvance(text) > contents.width()) return "its text is cut";
    } else if (auto* check = qobject_cast<QCheckBox*>(&widget)) {
        // The box, the gap and the text side by side.
        if (check->sizeHint().width() > check->width()) return "its text is cut";
    } else if (auto* label = qobject_cast<QLabel*>(&widget); label && !label->text().isEmpty()) {
        const QRect contents = label->contentsRect();
        if (label->wordWrap()) {
            if (label->heightForWidth(contents.width()) > contents.height()) return "its wrapped text is cut";
        } else {
            const QString text = QString(label->text()).remove(QLatin1Char('&'));
            if (label->fontMetrics().horizontalAdvance(text) > contents.width()) return "its text is cut";
            if (label->fontMetrics().height() > contents.height() + 2) return "its line is cut off below";
        }
    }
    return {};
}

}  // namespace

class FontSizeTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ThreeWindows> windows_;
    QFont originalFont_;

    std::unique_ptr<QDialog> MakeWindow(const QString& kind) { return windows_->Make(kind); }

private slots:
    void initTestCase() { originalFont_ = QApplication::font(); }

    void init() { windows_ = std::make_unique<test::ThreeWindows>(); }

    void cleanup() {
        windows_.reset();
        QApplication::setFont(originalFont_);
    }

    void controlsFitAtEveryFontSize_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("pointSize");
        for (const char* kind : {"main", "progress", "prompt"}) {
            for (int size : {8, 11, 14})
                QTest::addRow("%s %d pt", kind, size) << QString::fromLatin1(kind) << size;
        }
    }

    void controlsFitAtEveryFontSize() {
        QFETCH(QString, kind);
        QFETCH(int, pointSize);
        QFont font = originalFont_;
        font.setPointSize(pointSize);
        QApplication::setFont(font);
        std::unique_ptr<QDialog> window = MakeWindow(kind);

        QCOMPARE(window->font().pointSize(), pointSize);
        QCOMPARE(window->font().family(), font.family());
        // The main window can be made any size; the others keep the size their layout needs.
        const QSize screen = window->screen()->availableGeometry().size();
        QVERIFY2(kind != "main" || (window->width() <= screen.width() && window->height() <= screen.height()),
                 qPrintable(QStringLiteral("%1x%2 on a screen of %3x%4")
                                .arg(window->width())
                                .arg(window->height())
                                .arg(screen.width())
                                .arg(screen.height())));

        // The progress window opens with its log pane folded away below the bottom edge; the controls
        // must fit the window at its full height.
        QRect bounds = window->rect();
        if (auto* progress = qobject_cast<ProgressWindow*>(window.get()))
            bounds.setHeight(std::max(bounds.height(), progress->FullHeight()));

        QList<QWidget*> controls;
        for (QWidget* widget : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (widget->isVisibleTo(window.get())) controls << widget;
        QVERIFY(controls.size() > 3);

        for (QWidget* control : controls) {
            QVERIFY2(bounds.contains(control->geometry()),
                     qPrintable(Describe(*control) + " leaves the window " + QString::number(bounds.width()) +
                                "x" + QString::number(bounds.height())));
            const QString cut = CutText(*control);
            QVERIFY2(cut.isEmpty(), qPrintable(Describe(*control) + ": " + cut));
        }
        for (qsizetype i = 0; i < controls.size(); ++i) {
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                const QRect a = controls[i]->geometry();
                const QRect b = controls[j]->geometry();
                if (!a.intersects(b)) continue;
                const bool held = (qobject_cast<QGroupBox*>(controls[i]) && a.contains(b)) ||
                                  (qobject_cast<QGroupBox*>(controls[j]) && b.contains(a));
                QVERIFY2(held, qPrintable(Describe(*controls[i]) + " overlaps " + Describe(*controls[j])));
            }
        }
    }

    void picturesHaveThePixelsOfTheScreen_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"main", "progress", "prompt", "about"}) QTest::newRow(kind) << kind;
    }

    // A bitmap of one size scaled up to a denser screen is blurred: every picture must come at the
    // screen's density, the labels' icons at 32 and the folder tree's roots at 16 points.
    void picturesHaveThePixelsOfTheScreen() {
        QFETCH(QString, kind);
        std::unique_ptr<QDialog> window = kind == "about" ? std::make_unique<AboutBox>() : MakeWindow(kind);
        const qreal density = window->devicePixelRatioF();
        QList<std::pair<QString, QPixmap>> pictures;
        for (QLabel* label : window->findChildren<QLabel*>())
            if (!label->pixmap().isNull()) pictures.append({"icon", label->pixmap()});
        if (auto* main = qobject_cast<MainWindowDialog*>(window.get())) {
            QAbstractItemModel& folders = *main->FolderTree().model();
            for (int row = 0; row < folders.rowCount(); ++row) {
                const QModelIndex root = folders.index(row, 0);
                const auto icon = folders.data(root, Qt::DecorationRole).value<QIcon>();
                pictures.append({root.data().toString(), icon.pixmap(QSize(16, 16), density)});
            }
        }
        QVERIFY(!pictures.isEmpty());
        for (const auto& [what, pixmap] : pictures) {
            const int points = what == "icon" ? 32 : 16;
            QVERIFY2(pixmap.width() == qRound(points * density) && pixmap.devicePixelRatio() == density,
                     qPrintable(QStringLiteral("%1: %2 pixels at density %3 on a screen of density %4")
                                    .arg(what)
                                    .arg(pixmap.width())
                                    .arg(pixmap.devicePixelRatio())
                                    .arg(density)));
        }
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FontSizeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "font_size_test.moc"
