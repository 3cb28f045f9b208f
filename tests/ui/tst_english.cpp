// The window in English: the language box installs the translation at once
// and says so; no visible text of any widget keeps a Chinese character
// (captions, tooltips, items, menus, the status bar, pages, traffic, message
// boxes); switching back gives every Chinese text exactly as before; values
// typed and states shown survive the switch; and the English window fits a
// 1366x768 screen without a cut caption.
#include "commands/language.h"
#include "link/routedlink.h"
#include "link/seriallink.h"
#include "sim/simlink.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>

using Fixture::child;
using Fixture::click;

namespace {

const QString Device = QStringLiteral("simulated-T3208");

// A window whose COM1 is the in-process simulated controller.
std::unique_ptr<FrmMain> simulatedWindow() {
    auto *link = new RoutedLink(new PortLink);
    link->route(Device, new SimLink);
    return std::make_unique<FrmMain>(Fixture::com1(Device), link);
}

bool hasChinese(const QString &s) {
    static const QRegularExpression han(QStringLiteral("[\\x{3000}-\\x{303F}\\x{3400}-\\x{9FFF}"
                                                       "\\x{F900}-\\x{FAFF}\\x{FF00}-\\x{FFEF}]"));
    return s.contains(han);
}

// Chooses a language in the language box as the user does, and lets the
// window handle the change.
void choose(FrmMain &w, const QString &code) {
    auto *box = child<QComboBox>(w, QStringLiteral("Combo10"));
    const int index = int(Language::codes().indexOf(code));
    box->setCurrentIndex(index);
    emit box->activated(index);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Every text the window shows or offers, by where it is: captions, tooltips,
// items, menus, tab texts, the status bar, the pages and traffic views.
QMap<QString, QString> textsOf(FrmMain &w) {
    QMap<QString, QString> out;
    out.insert(QStringLiteral("window title"), w.windowTitle());
    out.insert(QStringLiteral("status bar"), w.statusBar()->currentMessage());
    QHash<QString, int> unnamed;
    for (QWidget *c : w.findChildren<QWidget *>()) {
        // The menu bar's overflow menu holds whichever menus do not fit: its
        // items follow the width of the captions, not the language.
        if (qobject_cast<QMenu *>(c) && c->objectName().isEmpty() && c->parentWidget() &&
            (qobject_cast<QMenuBar *>(c->parentWidget()) ||
             c->parentWidget()->objectName() == QLatin1String("qt_menubar_ext_button")))
            continue;
        QString name = c->objectName();
        if (name.isEmpty()) {
            const QString kind = QString::fromLatin1(c->metaObject()->className());
            name = kind + u'#' + QString::number(unnamed[kind]++);
        }
        auto put = [&](const QString &what, const QString &text) {
            if (!text.isEmpty())
                out.insert(name + u'.' + what, text);
        };
        put(QStringLiteral("toolTip"), c->toolTip());
        if (auto *l = qobject_cast<QLabel *>(c))
            put(QStringLiteral("text"), l->text());
        if (auto *b = qobject_cast<QAbstractButton *>(c))
            put(QStringLiteral("text"), b->text());
        if (auto *g = qobject_cast<QGroupBox *>(c))
            put(QStringLiteral("title"), g->title());
        if (auto *e = qobject_cast<QLineEdit *>(c)) {
            put(QStringLiteral("text"), e->text());
            put(QStringLiteral("placeholder"), e->placeholderText());
        }
        if (auto *box = qobject_cast<QComboBox *>(c))
            for (int i = 0; i < box->count(); ++i)
                put(QStringLiteral("item%1").arg(i), box->itemText(i));
        if (auto *tabs = qobject_cast<QTabWidget *>(c))
            for (int i = 0; i < tabs->count(); ++i) {
                put(QStringLiteral("tab%1").arg(i), tabs->tabText(i));
                put(QStringLiteral("tab%1.toolTip").arg(i), tabs->tabToolTip(i));
            }
        if (auto *view = qobject_cast<QPlainTextEdit *>(c))
            put(QStringLiteral("text"), view->toPlainText());
        if (auto *page = qobject_cast<QTextEdit *>(c)) {
            put(QStringLiteral("text"), page->toPlainText());
            put(QStringLiteral("title"), page->documentTitle());
        }
        if (auto *list = qobject_cast<QListWidget *>(c))
            for (int i = 0; i < list->count(); ++i)
                put(QStringLiteral("line%1").arg(i), list->item(i)->text());
        if (auto *menu = qobject_cast<QMenu *>(c)) {
            put(QStringLiteral("title"), menu->title());
            const QList<QAction *> actions = menu->actions();
            for (int i = 0; i < actions.size(); ++i) {
                put(QStringLiteral("action%1").arg(i), actions[i]->text());
                put(QStringLiteral("action%1.toolTip").arg(i), actions[i]->toolTip());
            }
        }
    }
    return out;
}

// Shows every page once, so the lazily loaded ones hold their text.
void visitPages(FrmMain &w) {
    auto *tabs = child<QTabWidget>(w, QStringLiteral("SSTab1"));
    const int working = tabs->currentIndex();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QCoreApplication::processEvents();
    }
    tabs->setCurrentIndex(working);
}

QStringList chineseIn(const QMap<QString, QString> &texts) {
    QStringList found;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        if (hasChinese(it.value()))
            found << it.key() + QStringLiteral(": ") + it.value().left(80);
    return found;
}

} // namespace

class TestEnglish : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        Fixture::closeMessageBoxes();
        Language::install(*QCoreApplication::instance(), QStringLiteral("zh"));
    }

    // The window opens in the language installed before it (Chinese in
    // tests), and the box says which.
    void boxShowsTheInstalledLanguage() {
        {
            FrmMain w;
            QCOMPARE(child<QComboBox>(w, QStringLiteral("Combo10"))->currentIndex(), 0);
        }
        QVERIFY(Language::install(*QCoreApplication::instance(), QStringLiteral("en")));
        FrmMain w;
        QCOMPARE(child<QComboBox>(w, QStringLiteral("Combo10"))->currentIndex(), 1);
        QCOMPARE(child<QLabel>(w, QStringLiteral("Label31"))->text(), QStringLiteral("Language:"));
    }

    void choosingALanguageInstallsAndTellsIt() {
        FrmMain w;
        QSignalSpy chosen(&w, &FrmMain::languageChosen);
        choose(w, QStringLiteral("en"));
        QCOMPARE(Language::current(), QStringLiteral("en"));
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toString(), QStringLiteral("en"));
        QCOMPARE(child<QPushButton>(w, QStringLiteral("Command12"))->text(),
                 QStringLiteral("Handshake"));
        // Choosing the language in force again is no new choice.
        choose(w, QStringLiteral("en"));
        QCOMPARE(chosen.size(), 1);
        choose(w, QStringLiteral("zh"));
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen.at(1).at(0).toString(), QStringLiteral("zh"));
        QCOMPARE(Language::current(), QStringLiteral("zh"));
        QCOMPARE(child<QPushButton>(w, QStringLiteral("Command12"))->text(),
                 QString::fromUtf8("握手"));
    }

    // Everything the English window shows after a session with the
    // controller: no Chinese character anywhere.
    void englishWindowShowsNoChinese() {
        auto w = simulatedWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        choose(*w, QStringLiteral("en"));
        click(*w, QStringLiteral("Command32"));
        QVERIFY(w->portOpen());
        // Requests of every kind: plain, queries with values, status,
        // inputs, a register-form request, a list line.
        for (const char *button :
             {"Command12", "Command13", "Command15", "Command57", "Command28", "Command29",
              "Command30", "Command94", "Command46", "Command34", "Command35"})
            click(*w, QString::fromLatin1(button));
        child<QCheckBox>(*w, QStringLiteral("Check2"))->setChecked(true);
        click(*w, QStringLiteral("Command58"));
        child<QCheckBox>(*w, QStringLiteral("Check2"))->setChecked(false);
        QTRY_VERIFY_WITH_TIMEOUT(w->received().log.lines().size() >= 3 * 8, 5000);
        w->settle();
        visitPages(*w);

        QMap<QString, QString> texts = textsOf(*w);
        // The traffic is there, in English.
        QVERIFY2(texts.value(QStringLiteral("RichTextBox2.text"))
                     .contains(QStringLiteral("Handshake request:")),
                 qPrintable(texts.value(QStringLiteral("RichTextBox2.text")).left(400)));
        QVERIFY(texts.value(QStringLiteral("RichTextBox2.text"))
                    .contains(QStringLiteral("Siemens standard format:")));
        QVERIFY(texts.value(QStringLiteral("RichTextBox1.text"))
                    .contains(QStringLiteral("Query speed:")));
        QVERIFY(texts.value(QStringLiteral("RichTextBox3.text")).size() > 1000);
        const QStringList found = chineseIn(texts);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));

        // A refused request: the message box in English too.
        QSignalSpy shown(w.get(), &FrmMain::messageShown);
        child<QLineEdit>(*w, QStringLiteral("Text12"))->setText(QStringLiteral("99999999999"));
        click(*w, QStringLiteral("Command17"));
        QCOMPARE(shown.size(), 1);
        auto *box = w->findChild<QMessageBox *>();
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("System message"));
        QVERIFY2(
            box->text().startsWith(QStringLiteral("The value of Initial speed is out of range")),
            qPrintable(box->text()));
        QVERIFY(!hasChinese(box->text()));
    }

    // Back in Chinese, every text of the window is what it was before the
    // switch, byte for byte.
    void switchingBackRestoresEveryChineseText() {
        auto w = simulatedWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        click(*w, QStringLiteral("Command32"));
        visitPages(*w);
        const QMap<QString, QString> before = textsOf(*w);
        choose(*w, QStringLiteral("en"));
        visitPages(*w);
        const QMap<QString, QString> english = textsOf(*w);
        int changed = 0;
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            changed += english.value(it.key()) != it.value();
        // The form's captions, tooltips, tab texts, menus and pages.
        QVERIFY2(changed > 150, qPrintable(QString::number(changed)));
        choose(*w, QStringLiteral("zh"));
        visitPages(*w);
        const QMap<QString, QString> after = textsOf(*w);
        QStringList differing;
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            if (after.value(it.key()) != it.value())
                differing << it.key() + QStringLiteral(": ") + after.value(it.key()).left(60) +
                                 QStringLiteral(" != ") + it.value().left(60);
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            if (!before.contains(it.key()))
                differing << it.key() + QStringLiteral(" is new: ") + it.value().left(60);
        QVERIFY2(differing.isEmpty(), qPrintable(differing.join(u'\n')));
    }

    // What the user typed or chose, and what the controller reported,
    // survives a change of language.
    void valuesSurviveTheSwitch_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value");
        QTest::newRow("device address") << "Text23"
                                        << "1F";
        QTest::newRow("initial speed") << "Text12"
                                       << "123";
        QTest::newRow("queried value") << "Text27"
                                       << " 42";
        QTest::newRow("workbench hex") << "Text1"
                                       << "01 20 00";
        QTest::newRow("workbench text") << "Text5"
                                        << "abc";
        QTest::newRow("CRC low byte") << "Text2"
                                      << "39";
        QTest::newRow("new address") << "Text7"
                                     << "5";
        QTest::newRow("IO command") << "Text31"
                                    << "31 04 00 00 27 10";
        QTest::newRow("register offset") << "Text34"
                                         << "100";
        QTest::newRow("delay") << "Text20"
                               << "2500";
        QTest::newRow("interval") << "Text22"
                                  << "300";
        QTest::newRow("CAN payload") << "Text33"
                                     << "AA BB";
        QTest::newRow("port") << "Combo1"
                              << "COM3";
        QTest::newRow("baud rate") << "Combo2"
                                   << "19200";
        QTest::newRow("typed baud rate") << "Combo2"
                                         << "250000";
        QTest::newRow("mode") << "Combo7"
                              << "Modbus ASC";
        QTest::newRow("direction") << "Combo3"
                                   << "1";
        QTest::newRow("pattern") << "Combo8"
                                 << "10101";
        QTest::newRow("CAN rate") << "Combo9"
                                  << "250K";
    }
    void valuesSurviveTheSwitch() {
        QFETCH(QString, control);
        QFETCH(QString, value);
        FrmMain w;
        Fixture::setTexts(w, {{control, value}});
        auto shown = [&] {
            if (auto *e = w.findChild<QLineEdit *>(control))
                return e->text();
            return child<QComboBox>(w, control)->currentText();
        };
        QCOMPARE(shown(), value);
        choose(w, QStringLiteral("en"));
        QCOMPARE(shown(), value);
        choose(w, QStringLiteral("zh"));
        QCOMPARE(shown(), value);
    }

    // The run-state label keeps the state the controller reported; the list,
    // the counters and the status bar keep theirs.
    void statesSurviveTheSwitch() {
        auto w = simulatedWindow();
        click(*w, QStringLiteral("Command32"));
        click(*w, QStringLiteral("Command20")); // constant-speed run
        click(*w, QStringLiteral("Command43")); // ">" of the status query: a list line too
        auto *state = child<QLabel>(*w, QStringLiteral("Label15"));
        QTRY_COMPARE_WITH_TIMEOUT((w->settle(), state->text()), QString::fromUtf8("运动中"), 3000);
        const QString sentCount = child<QLabel>(*w, QStringLiteral("Label44"))->text();
        QVERIFY(sentCount != QLatin1String("0"));
        const QString status = w->statusBar()->currentMessage();
        QVERIFY(status.startsWith(QStringLiteral("COM1")));
        choose(*w, QStringLiteral("en"));
        QCOMPARE(state->text(), QStringLiteral("Moving"));
        QCOMPARE(child<QLabel>(*w, QStringLiteral("Label44"))->text(), sentCount);
        QCOMPARE(child<QListWidget>(*w, QStringLiteral("List1"))->count(), 1);
        QCOMPARE(w->statusBar()->currentMessage(), status);
        QVERIFY(w->portOpen());
        choose(*w, QStringLiteral("zh"));
        QCOMPARE(state->text(), QString::fromUtf8("运动中"));
        click(*w, QStringLiteral("Command23")); // stop
        click(*w, QStringLiteral("Command29"));
        QTRY_COMPARE_WITH_TIMEOUT((w->settle(), state->text()), QString::fromUtf8("停止"), 3000);
        choose(*w, QStringLiteral("en"));
        QCOMPARE(state->text(), QStringLiteral("Stopped"));
    }

    // A lost port's status line follows the language.
    void statusLineFollowsTheLanguage() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        pty.closeSlaveKeeper();
        pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!w->portOpen(), 5000);
        // Closed, or waiting for the device to come back: either way the line says so.
        QTRY_VERIFY_WITH_TIMEOUT(
            w->statusBar()->currentMessage().startsWith(QString::fromUtf8("串口已断开")), 5000);
        Fixture::closeMessageBoxes();
        choose(*w, QStringLiteral("en"));
        const QString english = w->statusBar()->currentMessage();
        QVERIFY2(english.startsWith(QStringLiteral("Serial port disconnected")),
                 qPrintable(english));
        QVERIFY(!hasChinese(english));
    }

    // The English pages are translations of the Chinese ones: the same
    // sections and table rows, and every byte example, frame and option
    // (each code sample without Chinese words) the same and in the same order.
    void pagesMatchTheirChineseOriginals_data() {
        QTest::addColumn<QString>("page");
        QTest::newRow("product page") << "page1.html";
        QTest::newRow("vision page") << "page2.html";
        QTest::newRow("protocol page") << "protocol.html";
    }
    void pagesMatchTheirChineseOriginals() {
        QFETCH(QString, page);
        FrmMain w; // the window's resources hold the pages
        auto read = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        };
        const QString chinese = read(QStringLiteral(":/text/") + page);
        const QString english = read(QStringLiteral(":/text/en/") + page);
        QVERIFY(!chinese.isEmpty());
        QVERIFY(!english.isEmpty());
        QVERIFY2(!hasChinese(english), qPrintable(page));
        for (const char *tag : {"<h1>", "<h2>", "<h3>", "<tr>", "<li>", "<pre>"})
            QVERIFY2(chinese.count(QLatin1String(tag)) == english.count(QLatin1String(tag)), tag);
        static const QRegularExpression code(QStringLiteral("<code>(.*?)</code>"));
        QStringList codesZh, codesEn;
        for (const auto &m : code.globalMatch(chinese))
            codesZh << m.captured(1);
        for (const auto &m : code.globalMatch(english))
            codesEn << m.captured(1);
        QCOMPARE(codesEn.size(), codesZh.size());
        for (int i = 0; i < codesZh.size(); ++i)
            if (!hasChinese(codesZh[i]))
                QCOMPARE(codesEn[i], codesZh[i]);
    }

    // The window fits a 1366x768 screen in both languages, and no caption
    // of a button, label, check box or frame is cut.
    void fitsWithoutCutCaptions_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("Chinese") << "zh";
        QTest::newRow("English") << "en";
    }
    void fitsWithoutCutCaptions() {
        QFETCH(QString, language);
        QVERIFY(Language::install(*QCoreApplication::instance(), language));
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(50);
        for (const QSize s : {w.minimumSizeHint(), w.size()})
            QVERIFY2(s.width() <= 1366 && s.height() <= 700,
                     qPrintable(QStringLiteral("%1x%2").arg(s.width()).arg(s.height())));
        QStringList cut;
        for (QWidget *c : w.findChildren<QWidget *>()) {
            if (!c->isVisible())
                continue;
            const QFontMetrics fm = c->fontMetrics();
            int need = 0, room = 0;
            QString text;
            if (auto *b = qobject_cast<QPushButton *>(c)) {
                text = b->text();
                need = fm.horizontalAdvance(text) + 6; // the bevel and its margin
                room = b->width();
            } else if (auto *b = qobject_cast<QAbstractButton *>(c);
                       b && (qobject_cast<QCheckBox *>(c) || qobject_cast<QRadioButton *>(c))) {
                text = b->text();
                need = b->sizeHint().width();
                room = b->width();
            } else if (auto *l = qobject_cast<QLabel *>(c); l && !l->wordWrap()) {
                text = l->text();
                need = fm.horizontalAdvance(text);
                room = l->contentsRect().width();
            } else if (auto *g = qobject_cast<QGroupBox *>(c)) {
                text = g->title();
                need = fm.horizontalAdvance(text);
                room = g->width();
            }
            if (!text.isEmpty() && room < need)
                cut << QStringLiteral("%1 \"%2\": %3 px for %4 px")
                           .arg(c->objectName(), text)
                           .arg(room)
                           .arg(need);
        }
        auto *tabs = child<QTabWidget>(w, QStringLiteral("SSTab1"))->tabBar();
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabRect(i).width() < tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)))
                cut << QStringLiteral("tab ") + tabs->tabText(i);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
    }
};

QTEST_MAIN(TestEnglish)
#include "tst_english.moc"
