// Every request button of the window against a controller played by the test
// on a pseudo-terminal: the exact frame in both protocol modes, the read/write
// mark, the caption line, the one-shot list and capture modes, refusals of
// values a request cannot carry, and the replies landing in their fields.
#include "support/pty.h"
#include "support/wire.h"
#include "ui/indicator.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
enum Mark { Read, Write, Unchanged };
}
Q_DECLARE_METATYPE(Mark)

class TestRequests : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void buttonSendsItsFrame_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QByteArray>("request"); // address, code, length, data
        QTest::addColumn<Mark>("mark");
        QTest::addColumn<QString>("caption"); // empty: none

        auto row = [](const char *name, const char *button, Texts texts, QByteArray request,
                      Mark mark, const char16_t *caption) {
            QTest::newRow(name) << QString::fromLatin1(button) << texts << request << mark
                                << (caption ? QString::fromUtf16(caption) : QString());
        };
        // Basic commands.
        row("handshake", "Command12", {}, bytes({1, 0x20, 0}), Read, u"请求握手命令:");
        row("handshake to address text 10 is 0x10", "Command12", {{"Text23", "10"}},
            bytes({0x10, 0x20, 0}), Read, u"请求握手命令:");
        row("handshake to address 1F", "Command12", {{"Text23", "1F"}}, bytes({0x1F, 0x20, 0}),
            Read, u"请求握手命令:");
        row("address text -1 has no hex digit: 0", "Command12", {{"Text23", "-1"}},
            bytes({0, 0x20, 0}), Read, u"请求握手命令:");
        row("handshake with empty address", "Command12", {{"Text23", ""}}, bytes({0, 0x20, 0}),
            Read, u"请求握手命令:");
        row("address query ignores Text23", "Command13", {{"Text23", "5"}}, bytes({0, 0x21, 0}),
            Read, u"查询设备地址:");
        row("change address to 1A", "Command14", {{"Text7", "1A"}}, bytes({1, 0x22, 1, 0x1A}),
            Write, u"更改设备地址:");
        row("change address, empty new address", "Command14", {{"Text7", ""}},
            bytes({1, 0x22, 1, 0}), Write, u"更改设备地址:");
        row("baud query", "Command15", {}, bytes({1, 0x23, 0}), Read, u"查询当前波特率:");
        row("baud 2400", "Command16", {{"Combo6", "2400"}}, bytes({1, 0x24, 1, 4}), Write,
            u"改变当前波特率:");
        row("baud 9600", "Command16", {{"Combo6", "9600"}}, bytes({1, 0x24, 1, 6}), Write,
            u"改变当前波特率:");
        row("baud 14400", "Command16", {{"Combo6", "14400"}}, bytes({1, 0x24, 1, 7}), Write,
            u"改变当前波特率:");
        row("baud 38400", "Command16", {{"Combo6", "38400"}}, bytes({1, 0x24, 1, 9}), Write,
            u"改变当前波特率:");
        row("factory settings", "Command96", {}, bytes({1, 0x47, 0}), Read, u"出厂设置命令:");
        // Profile setters and their queries.
        row("initial speed 100", "Command17", {{"Text12", "100"}},
            bytes({1, 0x25, 4, 0, 0, 0, 0x64}), Write, u"设置运动初速度:");
        row("initial speed -1", "Command17", {{"Text12", "-1"}},
            bytes({1, 0x25, 4, 0xFF, 0xFF, 0xFF, 0xFF}), Write, u"设置运动初速度:");
        row("initial speed 256", "Command17", {{"Text12", "256"}}, bytes({1, 0x25, 4, 0, 0, 1, 0}),
            Write, u"设置运动初速度:");
        row("initial speed 1e3", "Command17", {{"Text12", "1e3"}},
            bytes({1, 0x25, 4, 0, 0, 3, 0xE8}), Write, u"设置运动初速度:");
        row("initial speed 2.5 rounds to even", "Command17", {{"Text12", "2.5"}},
            bytes({1, 0x25, 4, 0, 0, 0, 2}), Write, u"设置运动初速度:");
        row("initial speed text reads as 0", "Command17", {{"Text12", "abc"}},
            bytes({1, 0x25, 4, 0, 0, 0, 0}), Write, u"设置运动初速度:");
        row("maximum speed 12.5", "Command24", {{"Text13", "12.5"}},
            bytes({1, 0x27, 4, 0, 0, 0, 0x0C}), Write, u"设置运动最大速度:");
        row("maximum speed 13.5", "Command24", {{"Text13", "13.5"}},
            bytes({1, 0x27, 4, 0, 0, 0, 0x0E}), Write, u"设置运动最大速度:");
        row("end speed 1000", "Command25", {{"Text14", "1000"}}, bytes({1, 0x29, 4, 0, 0, 3, 0xE8}),
            Write, u"设置运动末速度:");
        row("acceleration 10000", "Command26", {{"Text15", "10000"}},
            bytes({1, 0x2B, 4, 0, 0, 0x27, 0x10}), Write, u"设置运动加速度:");
        row("deceleration 65536", "Command27", {{"Text16", "65536"}},
            bytes({1, 0x2D, 4, 0, 1, 0, 0}), Write, u"设置运动减速度:");
        row("deceleration 768", "Command27", {{"Text16", "768"}}, bytes({1, 0x2D, 4, 0, 0, 3, 0}),
            Write, u"设置运动减速度:");
        row("homing speed 10000", "Command64", {{"Text29", "10000"}},
            bytes({1, 0x2F, 4, 0, 0, 0x27, 0x10}), Write, u"设置归零运动速度:");
        row("query initial speed", "Command57", {}, bytes({1, 0x26, 0}), Read, u"查询运动初速度:");
        row("query maximum speed", "Command58", {}, bytes({1, 0x28, 0}), Read,
            u"查询运动最大速度:");
        row("query end speed", "Command59", {}, bytes({1, 0x2A, 0}), Read, u"查询运动末速度:");
        row("query acceleration", "Command60", {}, bytes({1, 0x2C, 0}), Read, u"查询运动加速度:");
        row("query deceleration", "Command61", {}, bytes({1, 0x2E, 0}), Read, u"查询运动减速度:");
        row("query homing speed", "Command62", {}, bytes({1, 0x30, 0}), Read, u"查询归零运动速度:");
        // Motion.
        row("move 10000 pulses", "Command18", {{"Text8", "10000"}},
            bytes({1, 0x31, 4, 0, 0, 0x27, 0x10}), Write, u"设置32位运动脉冲数并开始运动:");
        row("move -10000 pulses", "Command18", {{"Text8", "-10000"}},
            bytes({1, 0x31, 4, 0xFF, 0xFF, 0xD8, 0xF0}), Write, u"设置32位运动脉冲数并开始运动:");
        row("24-bit move dir 1, 1000", "Command19", {{"Combo3", "1"}, {"Text9", "1000"}},
            bytes({1, 0x32, 4, 1, 0, 3, 0xE8}), Write, u"设置24位运动脉冲数并开始运动:");
        row("24-bit move drops bits above 24", "Command19",
            {{"Combo3", "0"}, {"Text9", "16777217"}}, bytes({1, 0x32, 4, 0, 0, 0, 1}), Write,
            u"设置24位运动脉冲数并开始运动:");
        row("run at 10000", "Command20", {{"Text10", "10000"}},
            bytes({1, 0x33, 4, 0, 0, 0x27, 0x10}), Write, u"设置32位运动速度，并恒速运动:");
        row("24-bit run dir 1, 10000", "Command21", {{"Combo4", "1"}, {"Text11", "10000"}},
            bytes({1, 0x34, 4, 1, 0, 0x27, 0x10}), Write, u"设置24位运动速度，并恒速运动:");
        row("change speed 10000", "Command65", {{"Text30", "10000"}},
            bytes({1, 0x35, 4, 0, 0, 0x27, 0x10}), Write, u"恒速运动过程中改变速度:");
        row("stop at once", "Command23", {}, bytes({1, 0x3C, 0}), Unchanged, u"急停命令:");
        row("decelerating stop", "Command22", {}, bytes({1, 0x3D, 0}), Unchanged, u"减速停止命令:");
        row("find origin dir 1", "Command7", {{"Combo5", "1"}}, bytes({1, 0x3E, 1, 1}), Write,
            u"查找原点命令:");
        row("speed factor 500", "Command91", {{"Text32", "500"}},
            bytes({1, 0x44, 4, 0, 0, 1, 0xF4}), Unchanged, u"设置运动变速因子:");
        row("accelerate by set amount", "Command92", {}, bytes({1, 0x45, 0}), Read,
            u"定量加速命令:");
        row("decelerate by set amount", "Command93", {}, bytes({1, 0x46, 0}), Read,
            u"定量减速命令:");
        // Status queries.
        row("query speed", "Command28", {}, bytes({1, 0x36, 0}), Read, u"查询运动速度:");
        row("query absolute position", "Command30", {}, bytes({1, 0x37, 0}), Read,
            u"查询运动绝对位置:");
        row("clear absolute position", "Command66", {}, bytes({1, 0x38, 0}), Read,
            u"绝对位置清零:");
        row("query relative position", "Command31", {}, bytes({1, 0x39, 0}), Read,
            u"查询运动相对位置:");
        row("clear relative position", "Command67", {}, bytes({1, 0x3A, 0}), Read,
            u"相对位置清零:");
        row("query status", "Command29", {}, bytes({1, 0x3B, 0}), Read, u"查询运动状态:");
        row("query inputs", "Command94", {}, bytes({1, 0x42, 0}), Read, u"查询IN状态命令:");
        // CAN gateway settings carry no caption line.
        row("CAN no check", "Command102", {}, bytes({1, 0x48, 1, 1}), Read, nullptr);
        row("CAN with check", "Command103", {}, bytes({1, 0x48, 1, 0}), Read, nullptr);
        row("CAN reply 8 bytes", "Command104", {}, bytes({1, 0x49, 1, 1}), Read, nullptr);
        row("CAN reply protocol length", "Command105", {}, bytes({1, 0x49, 1, 0}), Read, nullptr);
        row("CAN standard frame", "Command100", {}, bytes({1, 0x4A, 1, 0}), Read, nullptr);
        row("CAN extended frame", "Command101", {}, bytes({1, 0x4A, 1, 1}), Read, nullptr);
        row("CAN 1M", "Command95", {{"Combo9", "1M"}}, bytes({1, 0x4B, 1, 1}), Write, nullptr);
        row("CAN 100K", "Command95", {{"Combo9", "100K"}}, bytes({1, 0x4B, 1, 12}), Write, nullptr);
        row("CAN 5K", "Command95", {{"Combo9", "5K"}}, bytes({1, 0x4B, 1, 18}), Write, nullptr);
        row("CAN rate without code", "Command95", {{"Combo9", "abc"}}, bytes({1, 0x4B, 1, 0}),
            Write, nullptr);
    }

    void buttonSendsItsFrame() {
        QFETCH(QString, button);
        QFETCH(Texts, texts);
        QFETCH(QByteArray, request);
        QFETCH(Mark, mark);
        QFETCH(QString, caption);

        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        setTexts(*w, texts);
        for (const bool rtu : {true, false}) {
            child<QComboBox>(*w, QStringLiteral("Combo7"))
                ->setCurrentText(rtu ? QStringLiteral("Modbus RTU") : QStringLiteral("Modbus ASC"));
            // Start from the opposite mark; an unchanged mark is tried from both sides.
            const bool readBefore = mark == Write || (mark == Unchanged && rtu);
            child<QRadioButton>(*w,
                                readBefore ? QStringLiteral("Option3") : QStringLiteral("Option4"))
                ->setChecked(true);
            const qint64 countBefore = w->sent().count;

            click(*w, button);
            const QByteArray expected = rtu ? Wire::rtu(request) : Wire::ascii(request);
            QCOMPARE(pty.readMaster(int(expected.size()), 2000), expected);

            const bool read = child<QRadioButton>(*w, QStringLiteral("Option3"))->isChecked();
            QCOMPARE(read, mark == Read || (mark == Unchanged && readBefore));
            QCOMPARE(w->sent().count, countBefore + expected.size());
            const QStringList lines = w->sent().log.lines();
            QVERIFY(lines.value(1).startsWith(QStringLiteral("SndHex:")));
            if (caption.isEmpty())
                QVERIFY(!lines.value(2).endsWith(QStringLiteral("\n\r")));
            else
                QCOMPARE(lines.value(2), caption + QStringLiteral("\n\r"));
        }
    }

    void referenceFramesOfTheController() {
        // Frames worked out by hand for the controller's documentation.
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        child<QLineEdit>(*w, QStringLiteral("Text23"))->setText(QStringLiteral("5"));
        click(*w, QStringLiteral("Command13"));
        QCOMPARE(pty.readMaster(5, 2000), bytes({0x00, 0x21, 0x00, 0x69, 0x90}));
        child<QLineEdit>(*w, QStringLiteral("Text23"))->setText(QStringLiteral("1"));
        child<QLineEdit>(*w, QStringLiteral("Text12"))->setText(QStringLiteral("100"));
        click(*w, QStringLiteral("Command17"));
        QCOMPARE(pty.readMaster(9, 2000), bytes({1, 0x25, 4, 0, 0, 0, 0x64, 0xFC, 0xDE}));
        child<QComboBox>(*w, QStringLiteral("Combo7"))
            ->setCurrentText(QStringLiteral("Modbus ASC"));
        click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(11, 2000), QByteArray(":012000DF\r\n"));
    }

    void addToListRecordsAndSends() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        auto *list = child<QListWidget>(*w, QStringLiteral("List1"));
        click(*w, QStringLiteral("Command46")); // ">" of the initial speed
        const QByteArray frame = Wire::rtu(bytes({1, 0x25, 4, 0, 0, 0, 0x64}));
        QCOMPARE(pty.readMaster(int(frame.size()), 2000), frame);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("01 25 04 00 00 00 64 FC DE "));
        QVERIFY(!w->AddListFlag);
        click(*w, QStringLiteral("Command17")); // again: sent, not recorded
        QCOMPARE(pty.readMaster(int(frame.size()), 2000), frame);
        QCOMPARE(list->count(), 1);
    }

    void everyAddToListButtonRecordsItsTarget_data() {
        QTest::addColumn<QString>("plus");
        QTest::addColumn<quint8>("code");
        const QList<QPair<const char *, int>> rows = {
            {"Command46", 0x25}, {"Command47", 0x27}, {"Command48", 0x29}, {"Command49", 0x2B},
            {"Command50", 0x2D}, {"Command63", 0x2F}, {"Command71", 0x26}, {"Command72", 0x28},
            {"Command73", 0x2A}, {"Command74", 0x2C}, {"Command75", 0x2E}, {"Command76", 0x30},
            {"Command51", 0x36}, {"Command52", 0x37}, {"Command69", 0x38}, {"Command53", 0x39},
            {"Command70", 0x3A}, {"Command43", 0x3B}, {"Command38", 0x31}, {"Command39", 0x32},
            {"Command40", 0x33}, {"Command41", 0x34}, {"Command68", 0x35}, {"Command45", 0x3C},
            {"Command44", 0x3D}, {"Command42", 0x3E}, {"Command99", 0x42}};
        for (const auto &[plus, code] : rows)
            QTest::newRow(plus) << QString::fromLatin1(plus) << quint8(code);
    }
    void everyAddToListButtonRecordsItsTarget() {
        QFETCH(QString, plus);
        QFETCH(quint8, code);
        FrmMain w(Fixture::com1(QStringLiteral("/dev/null"))); // closed: recorded, not sent
        click(w, plus);
        auto *list = child<QListWidget>(w, QStringLiteral("List1"));
        QCOMPARE(list->count(), 1);
        const QByteArray line = QByteArray::fromHex(list->item(0)->text().toLatin1());
        QCOMPARE(quint8(line.at(1)), code);
        QCOMPARE(Wire::rtu(line.left(line.size() - 2)), line); // a whole RTU frame
        QVERIFY(!w.AddListFlag);
        QCOMPARE(w.sent().count, 0);
    }

    void captureWritesText31AndSendsNothing_data() {
        QTest::addColumn<QString>("arrow");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QString>("captured");
        QTest::newRow("32-bit move")
            << "Command82" << Texts{{"Text8", "10000"}} << "31 04 00 00 27 10 ";
        QTest::newRow("24-bit move")
            << "Command83" << Texts{{"Combo3", "1"}, {"Text9", "1000"}} << "32 04 01 00 03 E8 ";
        QTest::newRow("32-bit run") << "Command84" << Texts{} << "33 04 00 00 27 10 ";
        QTest::newRow("24-bit run") << "Command85" << Texts{} << "34 04 00 00 27 10 ";
        QTest::newRow("change speed") << "Command87" << Texts{} << "35 04 00 00 27 10 ";
        QTest::newRow("find origin") << "Command86" << Texts{} << "3E 01 00 ";
        QTest::newRow("decelerating stop") << "Command89" << Texts{} << "3D 00 ";
        QTest::newRow("stop at once") << "Command90" << Texts{} << "3C 00 ";
        QTest::newRow("accelerate") << "Command97" << Texts{} << "45 00 ";
        QTest::newRow("decelerate") << "Command98" << Texts{} << "46 00 ";
    }
    void captureWritesText31AndSendsNothing() {
        QFETCH(QString, arrow);
        QFETCH(Texts, texts);
        QFETCH(QString, captured);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        setTexts(*w, texts);
        w->AddListFlag = true; // capture comes first and leaves this mode alone
        click(*w, arrow);
        QCOMPARE(child<QLineEdit>(*w, QStringLiteral("Text31"))->text(), captured);
        QVERIFY(!w->IoSubstFlag);
        QVERIFY(w->AddListFlag);
        QCOMPARE(child<QListWidget>(*w, QStringLiteral("List1"))->count(), 0);
        QCOMPARE(w->sent().count, 0);
        QVERIFY(pty.readMaster(1, 300).isEmpty());
    }

    void builderOutsideTheSetsIgnoresAndKeepsTheFlags() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        w->AddListFlag = true;
        w->IoSubstFlag = true;
        click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(5, 2000), Wire::rtu(bytes({1, 0x20, 0})));
        QVERIFY(w->AddListFlag);
        QVERIFY(w->IoSubstFlag);
        QCOMPARE(child<QListWidget>(*w, QStringLiteral("List1"))->count(), 0);
        // The query of the motion status honours the list mode but is no capture.
        click(*w, QStringLiteral("Command29"));
        QCOMPARE(pty.readMaster(5, 2000), Wire::rtu(bytes({1, 0x3B, 0})));
        QCOMPARE(child<QListWidget>(*w, QStringLiteral("List1"))->count(), 1);
        QVERIFY(!w->AddListFlag);
        QVERIFY(w->IoSubstFlag);
    }

    void valueOutsideItsEncodingIsRefused_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QString>("named"); // what the message must mention
        QTest::newRow("address 100") << "Command12" << Texts{{"Text23", "100"}} << "255";
        QTest::newRow("address FFFF reads as -1")
            << "Command17" << Texts{{"Text23", "FFFF"}} << "255";
        QTest::newRow("new address 1FF") << "Command14" << Texts{{"Text7", "1FF"}} << "255";
        QTest::newRow("direction 256") << "Command19" << Texts{{"Combo3", "256"}} << "255";
        QTest::newRow("speed beyond 32 bits")
            << "Command17" << Texts{{"Text12", "2147483648"}} << "2147483647";
        QTest::newRow("pulses below 32 bits")
            << "Command18" << Texts{{"Text8", "-2147483649"}} << "-2147483648";
        QTest::newRow("baud 57600 has no code")
            << "Command16" << Texts{{"Combo6", "57600"}} << "57600";
        QTest::newRow("typed baud") << "Command16" << Texts{{"Combo6", "9600 "}} << "9600";
    }
    void valueOutsideItsEncodingIsRefused() {
        QFETCH(QString, button);
        QFETCH(Texts, texts);
        QFETCH(QString, named);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        setTexts(*w, texts);
        w->AddListFlag = true;
        w->IoSubstFlag = true;
        QSignalSpy messages(w.get(), &FrmMain::messageShown);
        click(*w, button);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).at(0).toString().contains(named),
                 qPrintable(messages.at(0).at(0).toString()));
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("系统提示"));
        QVERIFY(pty.readMaster(1, 300).isEmpty());
        QCOMPARE(w->sent().count, 0);
        QCOMPARE(child<QListWidget>(*w, QStringLiteral("List1"))->count(), 0);
        QVERIFY(w->AddListFlag);
        QVERIFY(w->IoSubstFlag);
    }

    void queryReplyLandsInTheWindow_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("reply"); // without CRC
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        auto value = [](const char *button, int code, const char *field, quint32 v,
                        const char *text) {
            QTest::newRow(button) << QString::fromLatin1(button)
                                  << bytes({1, code, 4, int(v >> 24), int((v >> 16) & 0xFF),
                                            int((v >> 8) & 0xFF), int(v & 0xFF)})
                                  << QString::fromLatin1(field) << QString::fromLatin1(text);
        };
        value("Command57", 0x26, "Text27", 100, " 100");
        value("Command58", 0x28, "Text26", 10000, " 10000");
        value("Command59", 0x2A, "Text25", 1000, " 1000");
        value("Command60", 0x2C, "Text24", 0x80000000u, " 2147483648");
        value("Command61", 0x2E, "Text6", 65536, " 65536");
        value("Command62", 0x30, "Text28", 0, " 0");
        value("Command28", 0x36, "Text17", 12345, " 12345");
        value("Command30", 0x37, "Text18", 0xFFFFD8F0u, "-10000");
        value("Command31", 0x39, "Text19", 42, " 42");
    }
    void queryReplyLandsInTheWindow() {
        QFETCH(QString, button);
        QFETCH(QByteArray, reply);
        QFETCH(QString, field);
        QFETCH(QString, text);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        click(*w, button);
        QCOMPARE(pty.readMaster(5, 2000), Wire::rtu(bytes({1, quint8(reply.at(1)), 0})));
        QVERIFY(pty.writeMaster(Wire::rtu(reply)));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>(*w, field)->text(), text, 3000);
    }

    void statusAndInputRepliesLightTheIndicators() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        const QColor normal = child<Indicator>(*w, QStringLiteral("Shape1"))->fillColor();
        const QColor alert(255, 0, 0);
        auto colour = [&](int n) {
            return child<Indicator>(*w, QStringLiteral("Shape%1").arg(n))->fillColor();
        };
        click(*w, QStringLiteral("Command29"));
        QVERIFY(pty.writeMaster(Wire::rtu(bytes({1, 0x3B, 4, 1, 1, 1, 1}))));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(*w, QStringLiteral("Label15"))->text(),
                                  QStringLiteral("运动中"), 3000);
        QCOMPARE(colour(1), alert);
        for (int n = 2; n <= 4; ++n)
            QCOMPARE(colour(n), normal);

        QTest::qWait(250);
        click(*w, QStringLiteral("Command94"));
        QVERIFY(pty.writeMaster(Wire::rtu(bytes({1, 0x42, 5, 1, 0, 1, 2, 1}))));
        QTRY_COMPARE_WITH_TIMEOUT(colour(6), alert, 3000);
        QCOMPARE(colour(5), normal);
        QCOMPARE(colour(7), normal);
        QCOMPARE(colour(8), alert);
        QCOMPARE(colour(9), normal);
    }

    void addressAndBaudRepliesShowTheirCaption() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = openWindow(pty);
        click(*w, QStringLiteral("Command13"));
        QVERIFY(pty.writeMaster(Wire::rtu(bytes({0x1F, 0x21, 0}))));
        QTRY_COMPARE_WITH_TIMEOUT(w->received().log.lines().value(2),
                                  QStringLiteral("查询设备地址:当前地址为1F\n\r"), 3000);
        QTest::qWait(250);
        click(*w, QStringLiteral("Command15"));
        QVERIFY(pty.writeMaster(Wire::rtu(bytes({1, 0x23, 1, 6}))));
        QTRY_COMPARE_WITH_TIMEOUT(w->received().log.lines().value(2),
                                  QStringLiteral("查询当前波特率:当前波特率设置为6\n\r"), 3000);
        QTest::qWait(250);
        click(*w, QStringLiteral("Command66"));
        QVERIFY(pty.writeMaster(Wire::rtu(bytes({1, 0x38, 0}))));
        QTRY_COMPARE_WITH_TIMEOUT(w->received().log.lines().value(2),
                                  QStringLiteral("绝对位置清零:\n\r"), 3000);
    }
};

QTEST_MAIN(TestRequests)
#include "tst_requests.moc"
