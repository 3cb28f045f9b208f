// The window against a controller played by the test at the far end of a
// pseudo-terminal: opening, the handshake round trip, replies decoded into the
// window, lost ports and ports that fail to open.
#include "support/pty.h"
#include "support/wire.h"
#include "ui/frmmain.h"
#include "ui/indicator.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <sys/resource.h>

namespace {

using Wire::bytes;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

PortMap mapTo(const QString &path) {
    return Fixture::com1(path);
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    template <typename T> T *child(FrmMain &w, const char *name) {
        auto *c = w.findChild<T *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    void click(FrmMain &w, const char *button) {
        QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
        w.settle();
    }
    // Opens COM1 on the pseudo-terminal; fails the test if it does not open.
    bool openOn(FrmMain &w, PtyPair &pty) {
        Q_UNUSED(pty);
        click(w, "Command32");
        return child<QPushButton>(w, "Command33")->isEnabled();
    }

private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void handshakeRoundTripThroughPseudoTerminal() {
        PtyPair pty;
        QVERIFY2(pty.isValid(), qPrintable(pty.error()));
        FrmMain w(mapTo(pty.slavePath()));
        QVERIFY(openOn(w, pty));
        QVERIFY(!child<QPushButton>(w, "Command32")->isEnabled());
        QVERIFY(!child<QComboBox>(w, "Combo1")->isEnabled());
        QVERIFY(!child<QComboBox>(w, "Combo2")->isEnabled());
        QVERIFY(
            w.statusBar()->currentMessage().contains(QStringLiteral("COM1 → ") + pty.slavePath()));

        click(w, "Command12");
        QCOMPARE(pty.readMaster(5, 2000), bytes({0x01, 0x20, 0x00, 0x39, 0xC0}));
        QCOMPARE(child<QLabel>(w, "Label44")->text(), QStringLiteral("5"));
        QCOMPARE(w.sent().log.lines().value(2), QStringLiteral("请求握手命令:\n\r"));
        QCOMPARE(w.sent().log.lines().value(1), QStringLiteral("SndHex:01 20 00 39 C0 \n"));

        // The controller answers the handshake with the same five bytes.
        QVERIFY(pty.writeMaster(bytes({0x01, 0x20, 0x00, 0x39, 0xC0})));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(w, "Label45")->text(), QStringLiteral("5"), 3000);
        const QStringList rx = w.received().log.lines();
        QCOMPARE(rx.size(), 3);
        // One character per byte; 0xC0 alone is a lead byte without its trail.
        QString asc = QStringLiteral("RecAsc:");
        for (QChar c :
             {QChar(0x01), QChar(u' '), QChar(0x00), QChar(u'9'), QChar(0xFFFD), QChar(u'\n')})
            asc += c;
        QCOMPARE(rx[0], asc);
        QCOMPARE(rx[1], QStringLiteral("RecHex:01 20 00 39 C0 \n"));
        QCOMPARE(rx[2], QStringLiteral("请求握手命令:\n\r"));
        const QString shown = child<QPlainTextEdit>(w, "RichTextBox1")->toPlainText();
        QCOMPARE(shown.split(u'\n').value(1), QStringLiteral("RecHex:01 20 00 39 C0 "));
        QCOMPARE(shown.split(u'\n').value(2), QStringLiteral("请求握手命令:"));
    }

    void asciiModeSendsAsciiAndDecodesAsciiReply() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(mapTo(pty.slavePath()));
        child<QComboBox>(w, "Combo7")->setCurrentText(QStringLiteral("Modbus ASC"));
        QVERIFY(!child<QPushButton>(w, "Command81")->isEnabled());
        QVERIFY(!child<QPushButton>(w, "Command88")->isEnabled());
        QVERIFY(openOn(w, pty));
        click(w, "Command12");
        QCOMPARE(pty.readMaster(11, 2000), QByteArray(":012000DF\r\n"));
        QCOMPARE(w.sent().log.lines().value(2), QStringLiteral("请求握手命令:\n\r"));

        // 01 36 04 00 00 00 64: byte sum 0x9F, LRC 0x61.
        QVERIFY(pty.writeMaster(":0136040000006461\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>(w, "Text17")->text(), QStringLiteral(" 100"),
                                  3000);
        QCOMPARE(w.received().log.lines().value(2), QStringLiteral("查询运动速度:\n\r"));

        child<QComboBox>(w, "Combo7")->setCurrentText(QStringLiteral("Modbus RTU"));
        QVERIFY(child<QPushButton>(w, "Command81")->isEnabled());
        QVERIFY(child<QPushButton>(w, "Command88")->isEnabled());
    }

    void repliesLandInFieldsAndIndicators() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(mapTo(pty.slavePath()));
        QVERIFY(openOn(w, pty));
        auto *shape1 = child<Indicator>(w, "Shape1");
        const QColor normal = shape1->fillColor();
        QCOMPARE(child<Indicator>(w, "Shape2")->fillColor(), QColor(Qt::black));

        // Unsigned value beyond the signed range, then a moving status.
        QVERIFY(pty.writeMaster(Wire::rtu(bytes({0x01, 0x28, 0x04, 0xFF, 0xFF, 0xFF, 0xFF}))));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>(w, "Text26")->text(),
                                  QStringLiteral(" 4294967295"), 3000);
        QVERIFY(pty.writeMaster(Wire::rtu(bytes({0x01, 0x3B, 0x04, 0x05, 0x00, 0x01, 0x02}))));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(w, "Label15")->text(), QStringLiteral("运动中"),
                                  3000);
        QCOMPARE(shape1->fillColor(), QColor(255, 0, 0));
        QCOMPARE(child<Indicator>(w, "Shape2")->fillColor(), QColor(255, 0, 0));
        QCOMPARE(child<Indicator>(w, "Shape3")->fillColor(), normal);
        QCOMPARE(child<Indicator>(w, "Shape4")->fillColor(), QColor(255, 0, 0));
        QVERIFY(pty.writeMaster(Wire::rtu(bytes({0x01, 0x37, 0x04, 0xFF, 0xFF, 0xFF, 0xFE}))));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>(w, "Text18")->text(), QStringLiteral("-2"),
                                  3000);
    }

    void replyBrokenByALongPauseIsGivenUp() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(mapTo(pty.slavePath()));
        QVERIFY(openOn(w, pty));
        QVERIFY(pty.writeMaster(bytes({0x01, 0x36, 0x04})));
        QTest::qWait(250); // longer than the RTU silence
        QVERIFY(pty.writeMaster(bytes({0x00, 0x00, 0x00, 0x64, 0x00, 0x00})));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(w, "Label45")->text(), QStringLiteral("9"), 3000);
        QTest::qWait(250);
        // The head is given up as incomplete; the rest never makes a frame.
        QCOMPARE(child<QLineEdit>(w, "Text17")->text(), QStringLiteral("0"));
        const QStringList lines = w.received().log.lines();
        QCOMPARE(lines.last(), QStringLiteral("帧不完整:\n\r"));
        QVERIFY(!lines.contains(QStringLiteral("查询运动速度:\n\r")));
    }

    void largeBurstIsReadInChunksWithoutLoss() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(mapTo(pty.slavePath()));
        QVERIFY(openOn(w, pty));
        QByteArray burst(1300, '\0');
        for (int i = 0; i < burst.size(); ++i)
            burst[i] = char(i * 7);
        QVERIFY(pty.writeMaster(burst));
        QTRY_COMPARE_WITH_TIMEOUT(w.receivedTotal(), qint64(1300), 3000);
        // The last bytes are shown once the silence has given them up.
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(w, "Label45")->text(), QStringLiteral("1300"),
                                  3000);
        QString hex;
        const QStringList lines = w.received().log.lines();
        for (auto it = lines.crbegin(); it != lines.crend(); ++it)
            if (it->startsWith(QStringLiteral("RecHex:")))
                hex += it->mid(7).chopped(1);
        QCOMPARE(hex.size(), 1300 * 3); // every byte shown once, in order
        QCOMPARE(hex.left(12), QStringLiteral("00 07 0E 15 "));
    }

    void loneLeadByteShowsPlaceholder() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(mapTo(pty.slavePath()));
        QVERIFY(openOn(w, pty));
        QVERIFY(pty.writeMaster(bytes({0x41, 0x81})));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(w, "Label45")->text(), QStringLiteral("2"), 3000);
        QCOMPARE(w.received().log.lines().value(0), QStringLiteral("RecAsc:A\uFFFD\n"));
    }

    void lostPortClosesOnceWithoutSpinning() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(mapTo(pty.slavePath()));
        // As with --no-reconnect: the loss closes the port with one message.
        w.setAutoReconnect(false);
        QSignalSpy messages(&w, &FrmMain::messageShown);
        QVERIFY(openOn(w, pty));
        pty.closeSlaveKeeper();
        pty.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, 3000);
        QVERIFY(messages.at(0).at(0).toString().startsWith(QStringLiteral("串口连接已断开:")));
        QVERIFY(child<QPushButton>(w, "Command32")->isEnabled());
        QVERIFY(!child<QPushButton>(w, "Command33")->isEnabled());
        QVERIFY(child<QComboBox>(w, "Combo1")->isEnabled());

        const double before = cpuSeconds();
        QTest::qWait(1000);
        const double used = cpuSeconds() - before;
        QCOMPARE(messages.size(), 1);
        QVERIFY2(used < 0.5, qPrintable(QStringLiteral("CPU %1 s in 1 s").arg(used)));

        // A send after the loss goes nowhere and shows nothing.
        click(w, "Command12");
        QCOMPARE(child<QLabel>(w, "Label44")->text(), QStringLiteral("0"));
    }

    void portThatFailsToOpenIsReported() {
        FrmMain w(mapTo(QStringLiteral("/dev/t3208-no-such-port")));
        QSignalSpy messages(&w, &FrmMain::messageShown);
        click(w, "Command32");
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.at(0).at(0).toString().startsWith(QStringLiteral("串口打开失败:")));
        QVERIFY(messages.at(0).at(0).toString().size() > QStringLiteral("串口打开失败:").size());
        QVERIFY(child<QPushButton>(w, "Command32")->isEnabled());
        QVERIFY(!child<QPushButton>(w, "Command33")->isEnabled());
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box)
            QCOMPARE(box->windowTitle(), QCoreApplication::applicationName());
    }

    void portNameMustBeExact_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("lower case") << "com1";
        QTest::newRow("two digits") << "COM10";
        QTest::newRow("zero") << "COM0";
        QTest::newRow("leading blank") << " COM1";
        QTest::newRow("empty") << "";
    }
    void portNameMustBeExact() {
        QFETCH(QString, name);
        FrmMain w(mapTo(QStringLiteral("/dev/null")));
        QSignalSpy messages(&w, &FrmMain::messageShown);
        child<QComboBox>(w, "Combo1")->setCurrentText(name);
        click(w, "Command32");
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("请选择正确的串口名"));
        QVERIFY(child<QPushButton>(w, "Command32")->isEnabled());
        QVERIFY(!child<QPushButton>(w, "Command33")->isEnabled());
    }

    void closedPortSendsAndShowsNothing() {
        FrmMain w(mapTo(QStringLiteral("/dev/null")));
        click(w, "Command12");
        QCOMPARE(child<QLabel>(w, "Label44")->text(), QStringLiteral("0"));
        QVERIFY(child<QPlainTextEdit>(w, "RichTextBox2")->toPlainText().isEmpty());
    }

    void typedBaudRateIsPassedOn() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(mapTo(pty.slavePath()));
        child<QComboBox>(w, "Combo2")->setCurrentText(QStringLiteral("250000"));
        QVERIFY(openOn(w, pty));
        QVERIFY(w.statusBar()->currentMessage().contains(QStringLiteral("250000,n,8,1")));
    }

    void windowFitsA1366By768Screen() {
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(50);
        // Room left for the title bar and the task bar.
        for (const QSize s : {w.minimumSizeHint(), w.size()})
            QVERIFY2(s.width() <= 1366 && s.height() <= 700,
                     qPrintable(QStringLiteral("%1x%2").arg(s.width()).arg(s.height())));
    }

    void closeReturnsToClosedState() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(mapTo(pty.slavePath()));
        QVERIFY(openOn(w, pty));
        click(w, "Command33");
        QVERIFY(child<QPushButton>(w, "Command32")->isEnabled());
        QVERIFY(!child<QPushButton>(w, "Command33")->isEnabled());
        // Bytes arriving after the close reach nothing.
        pty.writeMaster(bytes({0x01, 0x20, 0x00, 0x39, 0xC0}));
        QTest::qWait(450);
        QCOMPARE(child<QLabel>(w, "Label45")->text(), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
