// The manual frame workbench against a controller played by the test on a
// pseudo-terminal: CRC and LRC of typed bytes, hex and text conversions, the
// send buttons raw, RTU, ASCII and text, their ">" list-mode twins, entries
// without bytes, and the two buttons that empty the traffic views. CRC and LRC
// values were worked out by hand and checked with a separate python3
// implementation.
#include "support/pty.h"
#include "support/wire.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

using Fixture::child;
using Fixture::click;
using Fixture::openWindow;
using Wire::bytes;

class TestWorkbench : public QObject {
    Q_OBJECT

    static QLineEdit *edit(FrmMain &w, const char *name) {
        return child<QLineEdit>(w, QString::fromLatin1(name));
    }
    static QListWidget *list(FrmMain &w) { return child<QListWidget>(w, QStringLiteral("List1")); }
    static QCheckBox *check2(FrmMain &w) { return child<QCheckBox>(w, QStringLiteral("Check2")); }

private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void checksumsOfTypedBytes_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("lrc");
        QTest::newRow("read one register") << "01 03 00 00 00 01"
                                           << "84"
                                           << "0A"
                                           << "FB";
        QTest::newRow("without blanks") << "010300000001"
                                        << "84"
                                        << "0A"
                                        << "FB";
        QTest::newRow("handshake") << "01 20 00"
                                   << "39"
                                   << "C0"
                                   << "DF";
        QTest::newRow("1 2 3 is 12 03") << "1 2 3"
                                        << "4D"
                                        << "11"
                                        << "EB";
        QTest::newRow("byte 80 in the LRC") << "01 80"
                                            << "01"
                                            << "80"
                                            << "7F";
        QTest::newRow("lower-case 01 2a 0") << "01 2a 0"
                                            << "3F"
                                            << "60"
                                            << "D5";
        QTest::newRow("single digit 1 2 is 12") << "1 2"
                                                << "3F"
                                                << "4D"
                                                << "EE";
        QTest::newRow("LRC without leading zero") << "F5"
                                                  << "7F"
                                                  << "07"
                                                  << "B";
        QTest::newRow("LRC 0") << "00"
                               << "BF"
                               << "40"
                               << "0";
        QTest::newRow("one byte 0A") << "0A"
                                     << "3F"
                                     << "47"
                                     << "F6";
    }

    void checksumsOfTypedBytes() {
        QFETCH(QString, typed);
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(QString, lrc);
        FrmMain w(Fixture::com1(QStringLiteral("/dev/null")));
        edit(w, "Text1")->setText(typed);
        click(w, QStringLiteral("Command8")); // low byte first
        QCOMPARE(edit(w, "Text2")->text(), low);
        QCOMPARE(edit(w, "Text3")->text(), high);
        click(w, QStringLiteral("Command2")); // high byte first
        QCOMPARE(edit(w, "Text2")->text(), high);
        QCOMPARE(edit(w, "Text3")->text(), low);
        click(w, QStringLiteral("Command2")); // again: the same, not swapped back
        QCOMPARE(edit(w, "Text2")->text(), high);
        QCOMPARE(edit(w, "Text3")->text(), low);
        click(w, QStringLiteral("Command9"));
        QCOMPARE(edit(w, "Text4")->text(), lrc);
        QCOMPARE(edit(w, "Text1")->text(), typed);
    }

    void sendButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("RTU of a register read")
            << "Command11"
            << "01 03 00 00 00 01" << bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A});
        QTest::newRow("ASCII of a register read")
            << "Command10"
            << "01 03 00 00 00 01" << QByteArray(":010300000001FB\r\n");
        QTest::newRow("raw register read") << "Command1"
                                           << "01 03 00 00 00 01" << bytes({1, 3, 0, 0, 0, 1});
        QTest::newRow("raw 1 2 3 is 12 03") << "Command1"
                                            << "1 2 3" << bytes({0x12, 0x03});
        QTest::newRow("RTU of 1 2 3") << "Command11"
                                      << "1 2 3" << bytes({0x12, 0x03, 0x4D, 0x11});
        QTest::newRow("ASCII of 01 80") << "Command10"
                                        << "01 80" << QByteArray(":01807F\r\n");
        QTest::newRow("raw lower-case 01 2a 0") << "Command1"
                                                << "01 2a 0" << bytes({0x01, 0x2A, 0x00});
        QTest::newRow("ASCII of a single byte F5") << "Command10"
                                                   << "F5" << QByteArray(":F50B\r\n");
    }

    void sendButtons() {
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QByteArray, wire);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        edit(*w, "Text1")->setText(typed);
        qint64 count = 0;
        // With and without the register option: it is cleared, the bytes go
        // out as typed.
        for (const bool option : {false, true}) {
            check2(*w)->setChecked(option);
            click(*w, button);
            QCOMPARE(pty.readMaster(int(wire.size()), 2000).toHex(' '), wire.toHex(' '));
            QVERIFY(pty.readMaster(1, 100).isEmpty());
            count += wire.size();
            QCOMPARE(w->sent().count, count);
            QCOMPARE(child<QLabel>(*w, QStringLiteral("Label44"))->text(), QString::number(count));
            QVERIFY(!check2(*w)->isChecked());
            QVERIFY(!child<QWidget>(*w, QStringLiteral("Text34"))->isEnabled());
            QVERIFY(!w->sent().log.lines().contains(QStringLiteral("西门子标准格式:\n\r")));
        }
        QCOMPARE(list(*w)->count(), 0);
    }

    void listModeTwins_data() {
        QTest::addColumn<QString>("plus");
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("text5");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("raw 1 2") << "Command79"
                                 << "1 2"
                                 << ""
                                 << "12 " << bytes({0x12});
        QTest::newRow("RTU of a register read")
            << "Command80"
            << "01 03 00 00 00 01"
            << ""
            << "01 03 00 00 00 01 84 0A "
            << bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A});
        QTest::newRow("ASCII of a register read")
            << "Command77"
            << "01 03 00 00 00 01"
            << ""
            << "3A 30 31 30 33 30 30 30 30 30 30 30 31 46 42 0D 0A "
            << QByteArray(":010300000001FB\r\n");
        QTest::newRow("text AB is listed as typed") << "Command78"
                                                    << ""
                                                    << "AB"
                                                    << "AB" << bytes({0x41, 0x42});
    }

    void listModeTwins() {
        QFETCH(QString, plus);
        QFETCH(QString, text1);
        QFETCH(QString, text5);
        QFETCH(QString, line);
        QFETCH(QByteArray, wire);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        edit(*w, "Text1")->setText(text1);
        edit(*w, "Text5")->setText(text5);
        click(*w, plus);
        QCOMPARE(pty.readMaster(int(wire.size()), 2000), wire);
        QCOMPARE(list(*w)->count(), 1);
        QCOMPARE(list(*w)->item(0)->text(), line);
        QVERIFY(!w->AddListFlag);
        // The button beside it sends without recording.
        const QString sender = plus == QLatin1String("Command79")   ? QStringLiteral("Command1")
                               : plus == QLatin1String("Command80") ? QStringLiteral("Command11")
                               : plus == QLatin1String("Command77") ? QStringLiteral("Command10")
                                                                    : QStringLiteral("Command37");
        click(*w, sender);
        QCOMPARE(pty.readMaster(int(wire.size()), 2000), wire);
        QCOMPARE(list(*w)->count(), 1);
    }

    void emptyEntryLeavesListModeArmed() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        click(*w, QStringLiteral("Command79"));
        QVERIFY(w->AddListFlag);
        QCOMPARE(list(*w)->count(), 0);
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(w->sent().count, 0);
        // The handshake does not honour the mode: sent, not recorded.
        click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(5, 2000), bytes({0x01, 0x20, 0x00, 0x39, 0xC0}));
        QCOMPARE(list(*w)->count(), 0);
        QVERIFY(w->AddListFlag);
        // The status query does.
        click(*w, QStringLiteral("Command29"));
        QCOMPARE(pty.readMaster(5, 2000), bytes({0x01, 0x3B, 0x00, 0x33, 0x30}));
        QCOMPARE(list(*w)->count(), 1);
        QCOMPARE(list(*w)->item(0)->text(), QStringLiteral("01 3B 00 33 30 "));
        QVERIFY(!w->AddListFlag);
    }

    void entryWithoutBytesChangesNothing_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("only blanks") << "     ";
        QTest::newRow("one blank") << " ";
        QTest::newRow("empty") << "";
    }

    void entryWithoutBytesChangesNothing() {
        QFETCH(QString, typed);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        edit(*w, "Text1")->setText(typed);
        edit(*w, "Text2")->setText(QStringLiteral("11"));
        edit(*w, "Text3")->setText(QStringLiteral("22"));
        edit(*w, "Text4")->setText(QStringLiteral("33"));
        for (const char *button : {"Command8", "Command2", "Command9"}) {
            click(*w, QString::fromLatin1(button));
            QCOMPARE(edit(*w, "Text2")->text(), QStringLiteral("11"));
            QCOMPARE(edit(*w, "Text3")->text(), QStringLiteral("22"));
            QCOMPARE(edit(*w, "Text4")->text(), QStringLiteral("33"));
        }
        for (const char *button : {"Command1", "Command11", "Command10"})
            click(*w, QString::fromLatin1(button));
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(w->sent().count, 0);
        QCOMPARE(child<QLabel>(*w, QStringLiteral("Label44"))->text(), QStringLiteral("0"));
        QVERIFY(w->sent().log.isEmpty());
        // A list-mode twin leaves the mode armed for the next recording request.
        for (const char *plus : {"Command79", "Command80", "Command77"}) {
            click(*w, QString::fromLatin1(plus));
            QVERIFY2(w->AddListFlag, plus);
            QCOMPARE(list(*w)->count(), 0);
        }
        QVERIFY(pty.readMaster(1, 200).isEmpty());
        click(*w, QStringLiteral("Command29"));
        QCOMPARE(pty.readMaster(5, 2000), bytes({0x01, 0x3B, 0x00, 0x33, 0x30}));
        QCOMPARE(list(*w)->count(), 1);
        QVERIFY(!w->AddListFlag);
    }

    void textToHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hex");
        QTest::newRow("AB") << "AB"
                            << "41 42 ";
        QTest::newRow("a1") << "a1"
                            << "61 31 ";
        QTest::newRow("blank is 20") << "A B"
                                     << "41 20 42 ";
        QTest::newRow("Chinese character is one double-byte code") << "中"
                                                                   << "D6D0 ";
        QTest::newRow("empty") << ""
                               << "";
    }

    void textToHex() {
        QFETCH(QString, text);
        QFETCH(QString, hex);
        FrmMain w(Fixture::com1(QStringLiteral("/dev/null")));
        edit(w, "Text5")->setText(text);
        click(w, QStringLiteral("Command5"));
        QCOMPARE(edit(w, "Text1")->text(), hex);
        // And back.
        edit(w, "Text5")->setText(QStringLiteral("unchanged?"));
        click(w, QStringLiteral("Command56"));
        QCOMPARE(edit(w, "Text5")->text(), text);
    }

    void hexToText_data() {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("text");
        QTest::newRow("41 42") << "41 42 "
                               << "AB";
        QTest::newRow("without blanks") << "414243"
                                        << "ABC";
        QTest::newRow("double-byte code") << "D6 D0"
                                          << "中";
        QTest::newRow("mixed") << "41D6D042"
                               << "A中B";
    }

    void hexToText() {
        QFETCH(QString, hex);
        QFETCH(QString, text);
        FrmMain w(Fixture::com1(QStringLiteral("/dev/null")));
        edit(w, "Text1")->setText(hex);
        click(w, QStringLiteral("Command56"));
        QCOMPARE(edit(w, "Text5")->text(), text);
        QCOMPARE(edit(w, "Text1")->text(), hex);
    }

    void sendText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("AB") << "AB" << bytes({0x41, 0x42});
        QTest::newRow("Chinese character: its two-byte code") << "中" << bytes({0xD6, 0xD0});
        QTest::newRow("mixed") << "A中1" << bytes({0x41, 0xD6, 0xD0, 0x31});
        QTest::newRow("blank") << " " << bytes({0x20});
    }

    void sendText() {
        QFETCH(QString, text);
        QFETCH(QByteArray, wire);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        check2(*w)->setChecked(true);
        edit(*w, "Text5")->setText(text);
        click(*w, QStringLiteral("Command37"));
        QCOMPARE(pty.readMaster(int(wire.size()), 2000).toHex(' '), wire.toHex(' '));
        QCOMPARE(w->sent().count, wire.size());
        QVERIFY(!check2(*w)->isChecked());
        QCOMPARE(list(*w)->count(), 0);
    }

    void emptyTextSendsNothing() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        click(*w, QStringLiteral("Command78"));
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(w->sent().count, 0);
        QCOMPARE(list(*w)->count(), 0);
        QVERIFY(w->AddListFlag);
    }

    void clearButtonsEmptyTheirViews() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        auto *sentView = child<QPlainTextEdit>(*w, QStringLiteral("RichTextBox2"));
        auto *receivedView = child<QPlainTextEdit>(*w, QStringLiteral("RichTextBox1"));
        auto *sentCount = child<QLabel>(*w, QStringLiteral("Label44"));
        auto *receivedCount = child<QLabel>(*w, QStringLiteral("Label45"));

        click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(5, 2000), bytes({0x01, 0x20, 0x00, 0x39, 0xC0}));
        QVERIFY(pty.writeMaster(bytes({0x01, 0x20, 0x00, 0x39, 0xC0})));
        QTRY_COMPARE_WITH_TIMEOUT(receivedCount->text(), QStringLiteral("5"), 3000);
        QCOMPARE(sentCount->text(), QStringLiteral("5"));
        QVERIFY(!sentView->toPlainText().isEmpty());
        QVERIFY(!receivedView->toPlainText().isEmpty());

        click(*w, QStringLiteral("Command6"));
        QVERIFY(sentView->toPlainText().isEmpty());
        QCOMPARE(sentCount->text(), QStringLiteral("0"));
        QCOMPARE(w->sent().count, 0);
        QVERIFY(w->sent().log.isEmpty());
        QCOMPARE(receivedCount->text(), QStringLiteral("5"));
        QVERIFY(!receivedView->toPlainText().isEmpty());

        click(*w, QStringLiteral("Command36"));
        QVERIFY(receivedView->toPlainText().isEmpty());
        QCOMPARE(receivedCount->text(), QStringLiteral("0"));
        QCOMPARE(w->received().count, 0);
        QVERIFY(w->received().log.isEmpty());

        // Counting starts again from 0.
        click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(5, 2000), bytes({0x01, 0x20, 0x00, 0x39, 0xC0}));
        QCOMPARE(sentCount->text(), QStringLiteral("5"));
    }
};

QTEST_MAIN(TestWorkbench)
#include "tst_workbench.moc"
