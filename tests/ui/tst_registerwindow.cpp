// The register option (Check2) of the window against a controller played by
// the test on a pseudo-terminal: requests converted on their way out, the send
// view of a converted request, the mapping offset request, refused register
// addresses; and the requests with their own assembly rules: the IO-substitution
// download and read, the CAN payload. Reference frames written out in full were
// worked out by hand (CRCs checked with a separate python3 CRC-16); the others
// come from support/wire.h.
#include "support/pty.h"
#include "support/wire.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

using Fixture::child;
using Fixture::click;
using Fixture::openWindow;
using Fixture::setTexts;
using Wire::bytes;

using Fixture::Texts;
Q_DECLARE_METATYPE(Texts)

namespace {
const QString Siemens = QStringLiteral("西门子标准格式:\n\r");

// The "SndAsc:" text of bytes below 0x80: one character per byte.
QString ascLine(const QByteArray &frame) {
    QString s = QStringLiteral("SndAsc:");
    for (char c : frame)
        s += QChar(quint8(c));
    return s + u'\n';
}
QString hexLine(const QByteArray &frame) {
    return QStringLiteral("SndHex:") + QString::fromLatin1(frame.toHex(' ').toUpper()) +
           (frame.isEmpty() ? QString() : QStringLiteral(" ")) + u'\n';
}
QString listLine(const QByteArray &frame) {
    return QString::fromLatin1(frame.toHex(' ').toUpper()) + u' ';
}
bool below80(const QByteArray &frame) {
    for (char c : frame)
        if (quint8(c) >= 0x80)
            return false;
    return true;
}
} // namespace

class TestRegisterWindow : public QObject {
    Q_OBJECT

    static QCheckBox *check2(FrmMain &w) { return child<QCheckBox>(w, QStringLiteral("Check2")); }
    static QLineEdit *edit(FrmMain &w, const char *name) {
        return child<QLineEdit>(w, QString::fromLatin1(name));
    }
    static QListWidget *list(FrmMain &w) { return child<QListWidget>(w, QStringLiteral("List1")); }

    // The four controls that belong to the register option.
    static void verifyOptionControls(FrmMain &w, bool enabled) {
        for (const char *name : {"Command3", "Option3", "Option4", "Text34"})
            QVERIFY2(child<QWidget>(w, QString::fromLatin1(name))->isEnabled() == enabled, name);
    }

    static void useAscii(FrmMain &w) {
        child<QComboBox>(w, QStringLiteral("Combo7"))->setCurrentText(QStringLiteral("Modbus ASC"));
    }

    static void verifySystemPrompt() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("系统提示"));
    }

private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void optionEnablesItsControls() {
        FrmMain w(Fixture::com1(QStringLiteral("/dev/null")));
        QVERIFY(!check2(w)->isChecked());
        verifyOptionControls(w, false);
        check2(w)->click();
        QVERIFY(check2(w)->isChecked());
        verifyOptionControls(w, true);
        check2(w)->click();
        verifyOptionControls(w, false);
        // Set by code, the same.
        check2(w)->setChecked(true);
        verifyOptionControls(w, true);
        check2(w)->setChecked(false);
        verifyOptionControls(w, false);
    }

    void requestGoesOutAsRegisterRequest_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QString>("option"); // selected before the click, empty: none
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("caption"); // empty: the request has none

        auto row = [](const char *name, const char *button, Texts texts, const char *option,
                      QByteArray wire, const char16_t *caption) {
            QTest::newRow(name) << QString::fromLatin1(button) << texts
                                << QString::fromLatin1(option) << wire
                                << (caption ? QString::fromUtf16(caption) : QString());
        };
        row("speed query at offset 0", "Command28", {{"Text34", "0"}}, "Option4",
            bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02, 0x24, 0x05}), u"查询运动速度:");
        row("initial speed 100 at offset 100", "Command17", {{"Text34", "100"}, {"Text12", "100"}},
            "Option3",
            bytes({0x01, 0x10, 0x00, 0x89, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x64, 0x3A, 0x4E}),
            u"设置运动初速度:");
        row("handshake at offset 0", "Command12", {}, "Option4",
            bytes({0x01, 0x03, 0x00, 0x20, 0x00, 0x00, 0x44, 0x00}), u"请求握手命令:");
        row("new address 05", "Command14", {{"Text7", "05"}}, "Option3",
            bytes({0x01, 0x10, 0x00, 0x22, 0x00, 0x02, 0x04, 0x05, 0x00, 0x00, 0x00, 0x70, 0xA2}),
            u"更改设备地址:");
        row("stop at once after write was selected", "Command23", {}, "Option4",
            bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x05, 0x00}), u"急停命令:");
        row("stop at once after read was selected", "Command23", {}, "Option3",
            bytes({0x01, 0x03, 0x00, 0x3C, 0x00, 0x00, 0x85, 0xC6}), u"急停命令:");
        row("factory settings at offset 100 reads no register", "Command96", {{"Text34", "100"}},
            "Option4", bytes({0x01, 0x03, 0x00, 0xAB, 0x00, 0x00, 0x34, 0x2A}), u"出厂设置命令:");
        row("absolute position query at offset 1000", "Command30", {{"Text34", "1000"}}, "",
            Wire::rtu(bytes({1, 0x03, 0x04, 0x1F, 0, 2})), u"查询运动绝对位置:");
        row("device address 1F", "Command28", {{"Text23", "1F"}}, "",
            Wire::rtu(bytes({0x1F, 0x03, 0, 0x36, 0, 2})), u"查询运动速度:");
        row("R = 32768 sent as 80 00", "Command28", {{"Text34", "32714"}}, "",
            bytes({0x01, 0x03, 0x80, 0x00, 0x00, 0x02, 0xED, 0xCB}), u"查询运动速度:");
        row("R = 65535 sent as FF FF", "Command28", {{"Text34", "65481"}}, "",
            bytes({0x01, 0x03, 0xFF, 0xFF, 0x00, 0x02, 0xC4, 0x2F}), u"查询运动速度:");
        row("CAN standard frame has no caption line", "Command100", {}, "",
            Wire::rtu(bytes({1, 0x03, 0, 0x4A, 0, 0})), nullptr);
        row("CAN payload selects write", "Command106", {}, "Option3",
            Wire::rtu(bytes({1, 0x10, 0, 0x4C, 0, 4, 8, 1, 2, 3, 4, 5, 0, 0, 0})), nullptr);
    }

    void requestGoesOutAsRegisterRequest() {
        QFETCH(QString, button);
        QFETCH(Texts, texts);
        QFETCH(QString, option);
        QFETCH(QByteArray, wire);
        QFETCH(QString, caption);

        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click();
        setTexts(*w, texts);
        if (!option.isEmpty())
            child<QRadioButton>(*w, option)->setChecked(true);

        click(*w, button);
        QCOMPARE(pty.readMaster(int(wire.size()), 2000).toHex(' '), wire.toHex(' '));
        QVERIFY(pty.readMaster(1, 200).isEmpty());

        QCOMPARE(w->sent().count, wire.size());
        QCOMPARE(child<QLabel>(*w, QStringLiteral("Label44"))->text(),
                 QString::number(wire.size()));
        // From the top: the traffic lines of the converted frame, the register
        // line, the caption of the request as the button built it.
        const QStringList lines = w->sent().log.lines();
        if (below80(wire))
            QCOMPARE(lines.value(0), ascLine(wire));
        else
            QCOMPARE(lines.value(0).size(), 7 + wire.size() + 1);
        QVERIFY(lines.value(0).startsWith(QStringLiteral("SndAsc:")));
        QCOMPARE(lines.value(1), hexLine(wire));
        QCOMPARE(lines.value(2), Siemens);
        if (caption.isEmpty()) {
            QCOMPARE(lines.size(), 3);
        } else {
            QCOMPARE(lines.size(), 4);
            QCOMPARE(lines.value(3), caption + QStringLiteral("\n\r"));
        }
        QVERIFY(check2(*w)->isChecked());
    }

    void conversionInAsciiModeSendsAscii_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("speed query") << "Command28" << Texts{} << QByteArray(":010300360002C4\r\n");
        QTest::newRow("initial speed 100 at offset 100")
            << "Command17" << Texts{{"Text34", "100"}, {"Text12", "100"}}
            << Wire::ascii(bytes({1, 0x10, 0, 0x89, 0, 2, 4, 0, 0, 0, 0x64}));
        QTest::newRow("handshake to address 1F") << "Command12" << Texts{{"Text23", "1F"}}
                                                 << Wire::ascii(bytes({0x1F, 0x03, 0, 0x20, 0, 0}));
    }

    void conversionInAsciiModeSendsAscii() {
        QFETCH(QString, button);
        QFETCH(Texts, texts);
        QFETCH(QByteArray, wire);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        useAscii(*w);
        check2(*w)->click();
        setTexts(*w, texts);
        click(*w, button);
        QCOMPARE(pty.readMaster(int(wire.size()), 2000), wire);
        QCOMPARE(w->sent().count, wire.size());
        QCOMPARE(w->sent().log.lines().value(1), hexLine(wire));
        QCOMPARE(w->sent().log.lines().value(2), Siemens);
    }

    void listLineKeepsTheDeviceForm() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click();
        click(*w, QStringLiteral("Command51")); // ">" of the speed query
        QCOMPARE(pty.readMaster(8, 2000), bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02, 0x24, 0x05}));
        QCOMPARE(list(*w)->count(), 1);
        QCOMPARE(list(*w)->item(0)->text(), QStringLiteral("01 36 00 37 A0 "));
    }

    void offsetRequestGoesOutInDeviceForm_data() {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("65500") << "65500" << 65500
                               << bytes({0x01, 0x3F, 0x04, 0x00, 0x00, 0xFF, 0xDC, 0xBF, 0x66});
        QTest::newRow("0") << "0" << 0 << Wire::rtu(bytes({1, 0x3F, 4, 0, 0, 0, 0}));
        QTest::newRow("100") << "100" << 100 << Wire::rtu(bytes({1, 0x3F, 4, 0, 0, 0, 0x64}));
        QTest::newRow("65500.5 rounds to even 65500")
            << "65500.5" << 65500 << Wire::rtu(bytes({1, 0x3F, 4, 0, 0, 0xFF, 0xDC}));
        QTest::newRow("-0.5 rounds to 0")
            << "-0.5" << 0 << Wire::rtu(bytes({1, 0x3F, 4, 0, 0, 0, 0}));
    }

    void offsetRequestGoesOutInDeviceForm() {
        QFETCH(QString, offset);
        QFETCH(int, value);
        QFETCH(QByteArray, frame);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click(); // enables Command3
        edit(*w, "Text34")->setText(offset);
        click(*w, QStringLiteral("Command3"));
        QCOMPARE(pty.readMaster(int(frame.size()), 2000).toHex(' '), frame.toHex(' '));
        QVERIFY(check2(*w)->isChecked());
        verifyOptionControls(*w, true);
        QCOMPARE(w->sent().count, frame.size());
        QCOMPARE(w->sent().log.lines().value(1), hexLine(frame));
        QCOMPARE(w->sent().log.lines().value(2), QStringLiteral("设置存储器偏移地址:\n\r"));
        QVERIFY(!w->sent().log.lines().contains(Siemens));

        // With the option back on, the next request is converted at that offset.
        click(*w, QStringLiteral("Command12"));
        const int r = value + 0x20;
        const QByteArray next = Wire::rtu(bytes({1, 0x03, r >> 8, r & 0xFF, 0, 0}));
        QCOMPARE(pty.readMaster(int(next.size()), 2000).toHex(' '), next.toHex(' '));
        QCOMPARE(w->sent().log.lines().value(2), Siemens);
    }

    void offsetOutOfRangeIsRefused_data() {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("refusal");
        const QString range = QStringLiteral("偏移地址超出范围,请设置0-65500之间");
        QTest::newRow("65501") << "65501" << range;
        QTest::newRow("-1") << "-1" << range;
        QTest::newRow("70000") << "70000" << range;
        QTest::newRow("-0.6 rounds to -1") << "-0.6" << range;
        QTest::newRow("65501.5 rounds to 65502") << "65501.5" << range;
        QTest::newRow("S32 largest") << "2147483647" << range;
        // Beyond the S32 range the offset is sent in: quoted as typed.
        const QString asTyped = QStringLiteral("偏移地址 \"%1\" 超出范围,请设置0-65500之间");
        for (const char *typed :
             {"6D33", "1e30", "1e999", "-1e999", "&H123456789ABCDEF01", "2147483648"})
            QTest::newRow(typed) << typed << asTyped.arg(QLatin1String(typed));
    }

    void offsetOutOfRangeIsRefused() {
        QFETCH(QString, offset);
        QFETCH(QString, refusal);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click();
        edit(*w, "Text34")->setText(offset);
        QSignalSpy messages(w.get(), &FrmMain::messageShown);
        click(*w, QStringLiteral("Command3"));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), refusal);
        verifySystemPrompt();
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(w->sent().count, 0);
        QVERIFY(!check2(*w)->isChecked());
        verifyOptionControls(*w, false);
    }

    void registerAddressOutOfRangeIsRefused_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("offset");
        QTest::newRow("speed query at offset 65500: R = 65554") << "Command28"
                                                                << "65500";
        QTest::newRow("speed query at R = 65536") << "Command28"
                                                  << "65482";
        QTest::newRow("handshake at offset -100: R = -68") << "Command12"
                                                           << "-100";
        QTest::newRow("initial speed at offset 65511: R = 65548") << "Command17"
                                                                  << "65511";
        QTest::newRow("speed query at offset 6D33") << "Command28"
                                                    << "6D33";
        QTest::newRow("handshake at offset -1e999") << "Command12"
                                                    << "-1e999";
    }

    void registerAddressOutOfRangeIsRefused() {
        QFETCH(QString, button);
        QFETCH(QString, offset);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click();
        // One request that goes out, so the counter has something to keep.
        click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(8, 2000), bytes({0x01, 0x03, 0x00, 0x20, 0x00, 0x00, 0x44, 0x00}));
        const qint64 count = w->sent().count;
        const QStringList shown = w->sent().log.lines();

        edit(*w, "Text34")->setText(offset);
        QSignalSpy messages(w.get(), &FrmMain::messageShown);
        click(*w, button);
        QCOMPARE(messages.size(), 1);
        QVERIFY(!messages.at(0).at(0).toString().isEmpty());
        verifySystemPrompt();
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(w->sent().count, count);
        QCOMPARE(child<QLabel>(*w, QStringLiteral("Label44"))->text(), QString::number(count));
        QCOMPARE(w->sent().log.lines(), shown);
        QVERIFY(check2(*w)->isChecked());
    }

    // IO-substitution download.

    void downloadSendsTheRule_data() {
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("captured 32-bit move to address 1")
            << Texts{{"Text23", "1"}, {"Combo8", "00001"}, {"Text31", "31 04 00 00 27 10 "}}
            << bytes({0x01, 0x40, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10, 0xAE, 0xFA});
        QTest::newRow("address text 10 is decimal 0x0A")
            << Texts{{"Text23", "10"}, {"Combo8", "00001"}, {"Text31", "31 04 00 00 27 10 "}}
            << bytes({0x0A, 0x40, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10, 0xDF, 0x1F});
        QTest::newRow("pattern 00101") << Texts{{"Combo8", "00101"}, {"Text31", "3C 00"}}
                                       << Wire::rtu(bytes({1, 0x40, 3, 0x05, 0x3C, 0x00}));
        QTest::newRow("pattern 11111, odd digits")
            << Texts{{"Combo8", "11111"}, {"Text31", "3D0"}}
            << Wire::rtu(bytes({1, 0x40, 3, 0x1F, 0x3D, 0x00}));
    }

    void downloadSendsTheRule() {
        QFETCH(Texts, texts);
        QFETCH(QByteArray, frame);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click();
        setTexts(*w, texts);
        click(*w, QStringLiteral("Command81"));
        // The option is cleared first, so the rule goes out as built.
        QCOMPARE(pty.readMaster(int(frame.size()), 2000).toHex(' '), frame.toHex(' '));
        QVERIFY(!check2(*w)->isChecked());
        verifyOptionControls(*w, false);
        QCOMPARE(w->sent().count, frame.size());
        QCOMPARE(w->sent().log.lines().value(1), hexLine(frame));
        QVERIFY(!w->sent().log.lines().contains(Siemens));
    }

    void downloadIsRtuInAsciiMode() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        auto *download = child<QPushButton>(*w, QStringLiteral("Command81"));
        useAscii(*w);
        QVERIFY(!download->isEnabled());
        // The handler does not look at the mode either.
        download->setEnabled(true);
        edit(*w, "Text31")->setText(QStringLiteral("31 04 00 00 27 10 "));
        click(*w, QStringLiteral("Command81"));
        const QByteArray frame =
            bytes({0x01, 0x40, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10, 0xAE, 0xFA});
        QCOMPARE(pty.readMaster(int(frame.size()), 2000), frame);
    }

    void downloadIsRecordedInListMode() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        edit(*w, "Text31")->setText(QStringLiteral("31 04 00 00 27 10 "));
        w->AddListFlag = true;
        click(*w, QStringLiteral("Command81"));
        const QByteArray frame =
            bytes({0x01, 0x40, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10, 0xAE, 0xFA});
        QCOMPARE(pty.readMaster(int(frame.size()), 2000), frame);
        QCOMPARE(list(*w)->count(), 1);
        QCOMPARE(list(*w)->item(0)->text(), listLine(frame));
        QVERIFY(!w->AddListFlag);
    }

    void downloadOfEmptyTextSendsNothing() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click();
        w->AddListFlag = true;
        QSignalSpy messages(w.get(), &FrmMain::messageShown);
        click(*w, QStringLiteral("Command81"));
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(messages.size(), 0);
        QCOMPARE(w->sent().count, 0);
        QVERIFY(!check2(*w)->isChecked());
        QCOMPARE(list(*w)->count(), 0);
        QVERIFY(w->AddListFlag);
    }

    void downloadRefused_data() {
        QTest::addColumn<Texts>("texts");
        QByteArray bytes255;
        for (int i = 0; i < 255; ++i)
            bytes255.append(char(i));
        const QString text255 = QString::fromLatin1(bytes255.toHex(' '));
        QTest::newRow("255 command bytes") << Texts{{"Text31", text255}};
        QTest::newRow("address 256") << Texts{{"Text23", "256"}, {"Text31", "3C 00"}};
        QTest::newRow("address -1") << Texts{{"Text23", "-1"}, {"Text31", "3C 00"}};
    }

    void downloadRefused() {
        QFETCH(Texts, texts);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click();
        setTexts(*w, texts);
        w->AddListFlag = true;
        QSignalSpy messages(w.get(), &FrmMain::messageShown);
        click(*w, QStringLiteral("Command81"));
        QCOMPARE(messages.size(), 1);
        verifySystemPrompt();
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(w->sent().count, 0);
        QVERIFY(!check2(*w)->isChecked());
        QCOMPARE(list(*w)->count(), 0);
        QVERIFY(w->AddListFlag);
    }

    void downloadOf254BytesGoesOut() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        QByteArray command;
        for (int i = 0; i < 254; ++i)
            command.append(char(i));
        edit(*w, "Text31")->setText(QString::fromLatin1(command.toHex(' ')));
        click(*w, QStringLiteral("Command81"));
        const QByteArray frame = Wire::rtu(bytes({1, 0x40, 0xFF, 0x01}) + command);
        QCOMPARE(pty.readMaster(int(frame.size()), 3000).toHex(' '), frame.toHex(' '));
    }

    // IO-substitution read.

    void readRuleRequest_data() {
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("RTU") << false << bytes({0x10, 0x41, 0x01, 0x05, 0x95, 0x63});
        QTest::newRow("ASCII") << true << QByteArray(":10410105A9\r\n");
    }

    void readRuleRequest() {
        QFETCH(bool, ascii);
        QFETCH(QByteArray, frame);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->click();
        // Unlike the download, the read takes Text23 as hex.
        setTexts(*w, {{"Text23", "10"}, {"Combo8", "00101"}});
        w->AddListFlag = true;
        if (ascii) {
            useAscii(*w);
            auto *read = child<QPushButton>(*w, QStringLiteral("Command88"));
            QVERIFY(!read->isEnabled());
            read->setEnabled(true);
        }
        click(*w, QStringLiteral("Command88"));
        QCOMPARE(pty.readMaster(int(frame.size()), 2000), frame);
        QVERIFY(!check2(*w)->isChecked());
        verifyOptionControls(*w, false);
        QVERIFY(!w->sent().log.lines().contains(Siemens));
        // This request is never recorded.
        QCOMPARE(list(*w)->count(), 0);
        QVERIFY(w->AddListFlag);
    }

    void modeSwitchEnablesDownloadAndRead() {
        FrmMain w(Fixture::com1(QStringLiteral("/dev/null")));
        auto *download = child<QPushButton>(w, QStringLiteral("Command81"));
        auto *read = child<QPushButton>(w, QStringLiteral("Command88"));
        QVERIFY(download->isEnabled());
        QVERIFY(read->isEnabled());
        useAscii(w);
        QVERIFY(!download->isEnabled());
        QVERIFY(!read->isEnabled());
        child<QComboBox>(w, QStringLiteral("Combo7"))->setCurrentText(QStringLiteral("Modbus RTU"));
        QVERIFY(download->isEnabled());
        QVERIFY(read->isEnabled());
    }

    // CAN payload.

    void canPayload_data() {
        QTest::addColumn<QString>("payload");
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("default payload")
            << "01 02 03 04 05" << false
            << bytes({0x01, 0x4C, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05, 0x02, 0xED});
        QTest::newRow("default payload is RTU in ASCII mode")
            << "01 02 03 04 05" << true
            << bytes({0x01, 0x4C, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05, 0x02, 0xED});
        QTest::newRow("seven bytes: five kept")
            << "01 02 03 04 05 06 07" << false
            << bytes({0x01, 0x4C, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05, 0x02, 0xED});
        QTest::newRow("only spaces: count 00")
            << "   " << false << bytes({0x01, 0x4C, 0x00, 0x14, 0xC0});
        QTest::newRow("odd digits") << "1 2 3" << false << Wire::rtu(bytes({1, 0x4C, 2, 0x12, 3}));
    }

    void canPayload() {
        QFETCH(QString, payload);
        QFETCH(bool, ascii);
        QFETCH(QByteArray, frame);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        if (ascii)
            useAscii(*w);
        child<QRadioButton>(*w, QStringLiteral("Option3"))->setChecked(true);
        edit(*w, "Text33")->setText(payload);
        click(*w, QStringLiteral("Command106"));
        QCOMPARE(pty.readMaster(int(frame.size()), 2000).toHex(' '), frame.toHex(' '));
        QVERIFY(child<QRadioButton>(*w, QStringLiteral("Option4"))->isChecked());
        QCOMPARE(w->sent().count, frame.size());
    }

    void canPayloadIsRecordedInListMode() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        QCOMPARE(edit(*w, "Text33")->text(), QStringLiteral("01 02 03 04 05"));
        w->AddListFlag = true;
        click(*w, QStringLiteral("Command106"));
        const QByteArray frame =
            bytes({0x01, 0x4C, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05, 0x02, 0xED});
        QCOMPARE(pty.readMaster(int(frame.size()), 2000), frame);
        QCOMPARE(list(*w)->count(), 1);
        QCOMPARE(list(*w)->item(0)->text(), QStringLiteral("01 4C 05 01 02 03 04 05 02 ED "));
        QVERIFY(!w->AddListFlag);
    }

    void emptyCanPayloadSendsNothing() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        edit(*w, "Text33")->clear();
        w->AddListFlag = true;
        click(*w, QStringLiteral("Command106"));
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(w->sent().count, 0);
        QCOMPARE(list(*w)->count(), 0);
        QVERIFY(w->AddListFlag);
        QVERIFY(child<QRadioButton>(*w, QStringLiteral("Option4"))->isChecked());
    }

    void canSettingFramedByMode() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        useAscii(*w);
        click(*w, QStringLiteral("Command100"));
        QCOMPARE(pty.readMaster(13, 2000), QByteArray(":014A0100B4\r\n"));
        click(*w, QStringLiteral("Command106"));
        QCOMPARE(pty.readMaster(10, 2000),
                 bytes({0x01, 0x4C, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05, 0x02, 0xED}));
    }
};

QTEST_MAIN(TestRegisterWindow)
#include "tst_registerwindow.moc"
