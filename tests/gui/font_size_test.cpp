// The windows at the desktop's font size: built after QApplication::setFont at 8, 11 and 14 pt on the
// offscreen platform, each takes that font, every visible control lies inside its window, overlaps no
// sibling (a group box only wholly holds the controls placed on it), and no button or label cuts its text.

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QtTest>

#include "batch/existing_file_prompt.h"
#include "batch/progress_window.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
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
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FontSizeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "font_size_test.moc"
