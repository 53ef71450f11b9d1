// The About box, its link and the opening of web pages, through real widgets on the offscreen platform;
// the ".htm" fallback against planted hives with a stand-in browser that records its arguments.

#include <sys/stat.h>

#include <memory>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "mainwindow/about_box.h"
#include "mainwindow/file_opener.h"
#include "mainwindow/hyperlink_label.h"
#include "mainwindow/web_addresses.h"
#include "mainwindow/web_page.h"
#include "platform/registry.h"
#include "resources/dialog_builder.h"
#include "resources/images.h"
#include "resources/resource_ids.h"
#include "tests/support/files.h"

using namespace larkspan;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(larkspan::WebPageResult)

namespace {

// Records what it is asked to open, and takes addresses only when told to.
class RecordingOpener final : public FileOpener {
public:
    void Open(const std::string& path) override { opened << QString::fromStdString(path); }
    bool OpenAddress(const std::string& address) override {
        opened << QString::fromStdString(address);
        return takesAddresses;
    }
    bool takesAddresses = true;
    QStringList opened;
};

void SetClassesRootDefault(const std::string& subKey, const std::string& value) {
    std::error_code error;
    std::optional<registry::Key> key = registry::Key::Create(registry::Root::ClassesRoot, subKey, error);
    QVERIFY2(key && !key->SetString("", value), subKey.c_str());
}

QStringList Lines(const fs::path& file) {
    QString text = QString::fromStdString(test::ReadText(file));
    QStringList lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

class WebLinksTest : public QObject {
    Q_OBJECT

private slots:
    void linkLabelFitsItsText_data() {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("text");
        QTest::newRow("left") << int(Qt::AlignLeft | Qt::AlignTop)
                              << "file:///usr/share/larkspan/help/index.htm";
        QTest::newRow("right") << int(Qt::AlignRight | Qt::AlignTop) << "index.htm";
        QTest::newRow("centred") << int(Qt::AlignHCenter | Qt::AlignVCenter) << "index.htm";
        QTest::newRow("centred, longer than the control")
            << int(Qt::AlignHCenter | Qt::AlignVCenter) << "file:///usr/share/larkspan/help/index.htm/again";
    }

    void linkLabelFitsItsText() {
        QFETCH(int, alignment);
        QFETCH(QString, text);
        QWidget parent;
        HyperlinkLabel link(text, &parent);
        link.setAlignment(Qt::Alignment(alignment));
        const QRect before(100, 50, 240, 40);
        link.setGeometry(before);
        link.PreSubclassWindow();

        QVERIFY(link.font().underline());
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0, 0, 238));
        const QFontMetrics metrics(link.font());
        const QSize textSize(metrics.horizontalAdvance(text), metrics.height());
        // Centring takes half the difference off each side, so an odd difference leaves one pixel.
        if (alignment & Qt::AlignHCenter)
            QVERIFY(qAbs(link.width() - textSize.width()) <= 1);
        else
            QCOMPARE(link.width(), textSize.width());
        if (alignment & Qt::AlignVCenter)
            QVERIFY(qAbs(link.height() - textSize.height()) <= 1);
        else
            QCOMPARE(link.height(), textSize.height());
        const QRect now = link.geometry();
        if (alignment & Qt::AlignHCenter)
            QVERIFY(qAbs(now.center().x() - before.center().x()) <= 1);
        else if (alignment & Qt::AlignRight)
            QCOMPARE(now.right(), before.right());
        else
            QCOMPARE(now.left(), before.left());
        if (alignment & Qt::AlignVCenter)
            QVERIFY(qAbs(now.center().y() - before.center().y()) <= 1);
        else
            QCOMPARE(now.top(), before.top());

        QCOMPARE(link.toolTip(), text);
        QCOMPARE(link.ShownText(), text);
        QCOMPARE(link.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(link.cursor().hotSpot(), resources::HandCursor().hotSpot());
    }

    void linkColourFollowsTheBackground_data() {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("light: the classic blue") << QColor(240, 240, 240) << QColor(0, 0, 238);
        QTest::newRow("dark: the theme's link colour") << QColor(32, 32, 32) << QColor(138, 180, 248);
    }

    void linkColourFollowsTheBackground() {
        QFETCH(QColor, window);
        QFETCH(QColor, expected);
        QWidget parent;
        QPalette colours = parent.palette();
        colours.setColor(QPalette::Window, window);
        colours.setColor(QPalette::Link, QColor(138, 180, 248));
        parent.setPalette(colours);
        HyperlinkLabel link("index.htm", &parent);
        link.PreSubclassWindow();
        QCOMPARE(link.palette().color(QPalette::WindowText), expected);
    }

    void aboutBox() {
        RecordingOpener opener;
        AboutBox box(&opener);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.windowTitle(), QString("About Larkspan"));
        QCOMPARE(box.size(), QSize(444, 154));  // 296 x 95 dialog units
        auto* ok = resources::Control<QPushButton>(box, ids::kOkButton);
        QVERIFY(ok && ok->isDefault());
        QCOMPARE(ok->text(), QString("OK"));
        QStringList texts;
        bool icon = false;
        for (QLabel* label : box.findChildren<QLabel*>()) {
            texts << label->text();
            icon = icon || !label->pixmap().isNull();
        }
        QVERIFY(icon);
        QVERIFY(texts.contains("Home page: "));

        // The link shows the home page's address, fitted to it, and a click opens it.
        const QString home = QString::fromStdString(HomePageAddress());
        QVERIFY(home.startsWith("file:///") && home.endsWith("/index.htm"));
        QVERIFY(QFileInfo(QUrl(home).toLocalFile()).isFile());
        QCOMPARE(box.Link().text(), home);
        QCOMPARE(box.Link().URL(), home);
        QCOMPARE(box.Link().toolTip(), home);
        QCOMPARE(box.Link().width(), QFontMetrics(box.Link().font()).horizontalAdvance(home));
        QTest::mouseClick(&box.Link(), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(opener.opened, QStringList{home});
        QTest::mouseClick(&box.Link(), Qt::RightButton, {}, QPoint(3, 3));
        QCOMPARE(opener.opened.size(), 1);

        // The keyboard reaches it after OK, and Enter opens it without pressing OK; so does a screen
        // reader's "press".
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Tab);
        QCOMPARE(box.focusWidget(), &box.Link());
        QTest::keyClick(&box.Link(), Qt::Key_Return);
        QCOMPARE(opener.opened.size(), 2);
        QVERIFY(box.isVisible());
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(&box.Link());
        QVERIFY(link && link->role() == QAccessible::Link && link->text(QAccessible::Name) == home);
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(opener.opened.size(), 3);

        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }

    // The desktop first; when it cannot, the program registered for ".htm", its command line cut before
    // the placeholder and the address added as one word.
    void openWebPage_data() {
        QTest::addColumn<bool>("desktopTakesIt");
        QTest::addColumn<QString>("fileType");  // the ".htm" key's default value; empty: no ".htm" key
        QTest::addColumn<QString>("command");   // "<program>" for the stand-in's path; "-": no command key
        QTest::addColumn<WebPageResult>("result");
        QTest::addColumn<QStringList>("arguments");  // what the stand-in was started with after its name
        const QString address = "file:///srv/Ann's help/Faq.htm";
        QTest::newRow("desktop") << true << ""
                                 << "" << WebPageResult::OpenedByDesktop << QStringList{};
        QTest::newRow("quoted placeholder")
            << false << "htmlfile"
            << "\"<program>\" \"%1\"" << WebPageResult::OpenedByHtmProgram << QStringList{address};
        QTest::newRow("bare placeholder after a switch")
            << false << "htmlfile"
            << "\"<program>\" -nohome %1" << WebPageResult::OpenedByHtmProgram
            << QStringList{"-nohome", address};
        QTest::newRow("no placeholder") << false << "htmlfile"
                                        << "\"<program>\" --private" << WebPageResult::OpenedByHtmProgram
                                        << QStringList{"--private", address};
        QTest::newRow("switches after the placeholder")
            << false << "htmlfile"
            << "\"<program>\" \"%1\" --new-tab" << WebPageResult::OpenedByHtmProgram << QStringList{address};
        QTest::newRow("quoted words")
            << false << "htmlfile"
            << "\"<program>\" 'two  words' \"say \\\"hi\\\"\" a\\ b \"%1\""
            << WebPageResult::OpenedByHtmProgram << QStringList{"two  words", "say \"hi\"", "a b", address};
        QTest::newRow("missing .htm") << false << ""
                                      << "\"<program>\" \"%1\"" << WebPageResult::NotOpened << QStringList{};
        QTest::newRow("missing command") << false << "htmlfile"
                                         << "-" << WebPageResult::NotOpened << QStringList{};
        QTest::newRow("quote left open") << false << "htmlfile"
                                         << "\"<program> \"%1\"" << WebPageResult::NotOpened << QStringList{};
        QTest::newRow("program missing")
            << false << "htmlfile"
            << "/nonexistent/browser %1" << WebPageResult::NotOpened << QStringList{};
    }

    void openWebPage() {
        QFETCH(bool, desktopTakesIt);
        QFETCH(QString, fileType);
        QFETCH(QString, command);
        QFETCH(WebPageResult, result);
        QFETCH(QStringList, arguments);
        test::ScopedRegistry registry;
        test::TempFolder folder;
        const fs::path log = folder.path() / "arguments.log";
        const fs::path program = folder.path() / "my browser" / "browse";
        folder.WriteFile("my browser/browse", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + log.string() +
                                                  ".part'\nmv '" + log.string() + ".part' '" + log.string() +
                                                  "'\n");
        ::chmod(program.c_str(), 0755);
        if (!fileType.isEmpty()) SetClassesRootDefault(".htm", fileType.toStdString());
        if (command != "-") {
            command.replace("<program>", QString::fromStdString(program.string()));
            SetClassesRootDefault("htmlfile\\shell\\open\\command", command.toStdString());
        }

        RecordingOpener opener;
        opener.takesAddresses = desktopTakesIt;
        const std::string address = "file:///srv/Ann's help/Faq.htm";
        QCOMPARE(OpenWebPage(address, opener), result);
        QCOMPARE(opener.opened, QStringList{QString::fromStdString(address)});
        if (result == WebPageResult::OpenedByHtmProgram) QTRY_COMPARE(Lines(log), arguments);
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The pixel values checked here are the layout at the templates' 8 pt font; the dialogs take the
    // application's font, whose default size differs between platforms.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    WebLinksTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "web_links_test.moc"
