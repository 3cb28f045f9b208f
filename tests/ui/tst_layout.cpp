// The main window as it opens: every control of the working page by its
// name, with its kind, caption, default text, list items, tool tip, enabled
// and checked state, and the frame it sits in; the window caption and the
// four page captions.
#include "ui/frmmain.h"
#include "ui/indicator.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

namespace {

// The working page is the third page of SSTab1.
constexpr int WorkingPage = 2;
constexpr int ProtocolPage = 3;

QString u(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// `var`: the one widget of the window carrying `name`; the test fails when
// there is none or more than one.
#define FIND_CONTROL(w, var, name)                                                                 \
    const QList<QWidget *> var##Found = (w).findChildren<QWidget *>(name);                         \
    QVERIFY2(var##Found.size() == 1,                                                               \
             qPrintable(QStringLiteral("%1 widgets named %2").arg(var##Found.size()).arg(name)));  \
    QWidget *var = var##Found.first()

// The objectName of the nearest frame (group box) around `c`, empty when the
// control stands on the page itself.
QString frameOf(const QWidget *c) {
    for (const QWidget *p = c->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const QGroupBox *>(p))
            return p->objectName();
    return {};
}

QString className(const QObject *o) {
    return QString::fromLatin1(o->metaObject()->className());
}

// Checks that `c` stands on the working page, in `frame` (empty: outside
// every frame).
#define VERIFY_PLACE(w, c, frame)                                                                  \
    do {                                                                                           \
        auto *tabs = Fixture::child<QTabWidget>(w, QStringLiteral("SSTab1"));                      \
        QVERIFY2(tabs->widget(WorkingPage)->isAncestorOf(c), "not on the working page");           \
        QCOMPARE(frameOf(c), frame);                                                               \
    } while (false)

enum Tip { NoTip, AddToList, AddWorkbench, AddIoSubst, QuerySetValue, ClearPosition };
enum Size { Wide, Small };
enum State { Disabled, Enabled };

QString tipText(Tip t) {
    switch (t) {
    case AddToList:
        return u("加入高级命令");
    case AddWorkbench:
        return u("添加高级命令");
    case AddIoSubst:
        return u("添加IO取代命令");
    case QuerySetValue:
        return u("查询设定值");
    case ClearPosition:
        return u("清零");
    case NoTip:
        break;
    }
    return {};
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private slots:
    void windowCaption() {
        FrmMain w;
        QCOMPARE(w.windowTitle(), u("Korvan数控MODBUS(CAN测试)调试工具FOR T3208S"));
    }

    void pageCaptions() {
        FrmMain w;
        auto *tabs = Fixture::child<QTabWidget>(w, QStringLiteral("SSTab1"));
        QCOMPARE(className(tabs), QStringLiteral("QTabWidget"));
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->tabText(0), u("Korvan数控事业部"));
        QCOMPARE(tabs->tabText(1), u("Korvan机器视觉事业部"));
        QCOMPARE(tabs->tabText(2), u("KorvanMODBUS调试工具"));
        QCOMPARE(tabs->tabText(3), u("通讯协议"));
    }

    // The protocol page holds the read-only protocol document.
    void protocolPage() {
        FrmMain w;
        auto *tabs = Fixture::child<QTabWidget>(w, QStringLiteral("SSTab1"));
        FIND_CONTROL(w, page4, QStringLiteral("RichTextBox3"));
        auto *doc = qobject_cast<QTextEdit *>(page4);
        QVERIFY2(doc, "RichTextBox3 is not a rich-text view");
        QVERIFY(tabs->widget(ProtocolPage)->isAncestorOf(doc));
        QVERIFY(doc->isReadOnly());
    }

    // Names are how every handler and script finds a control: no two objects
    // of the window may share one (Qt's own internal children aside).
    void objectNamesAreUnique() {
        FrmMain w;
        QHash<QString, int> seen;
        for (const QObject *o : w.findChildren<QObject *>()) {
            const QString name = o->objectName();
            if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
                ++seen[name];
        }
        QVERIFY(seen.size() > 250);
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            QVERIFY2(it.value() == 1,
                     qPrintable(it.key() + QStringLiteral(" is used %1 times").arg(it.value())));
    }

    void frames_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("Frame4") << u("串口设置");
        QTest::newRow("Frame1") << u("基本命令");
        QTest::newRow("Frame2") << u("参数设置与查询");
        QTest::newRow("Frame3") << u("运动控制");
        QTest::newRow("Frame5") << u("其他");
        QTest::newRow("Frame6") << u("高级自动控制功能(HEX格式)");
    }
    void frames() {
        QFETCH(QString, caption);
        FrmMain w;
        FIND_CONTROL(w, c, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(className(c), QStringLiteral("QGroupBox"));
        VERIFY_PLACE(w, c, QString());
        QCOMPARE(static_cast<QGroupBox *>(c)->title(), caption);
    }

    void labels_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("caption");
        auto row = [](const char *name, const char *frame, const char *caption) {
            QTest::newRow(name) << QString::fromLatin1(frame) << u(caption);
        };
        // on the working page, outside the frames
        row("Label18", "", "选择通讯模式:");
        row("Label40", "", "设备操作地址(Hex)：");
        row("Label31", "", "语言(Language):");
        row("Label17", "", "Version 4.0 for T3208(A/S) 4.x");
        row("Label2", "", "发送内容：");
        row("Label1", "", "接收内容：");
        row("Label44", "", "0");
        row("Label45", "", "0");
        row("Label3", "", "输入16进制：");
        row("Label4", "", "输入字符串：");
        row("Label5", "", "CRC校验：");
        row("Label6", "", "LRC校验：");
        // Frame4 串口设置: serial port
        row("Label8", "Frame4", "串口号：");
        row("Label9", "Frame4", "波特率：");
        row("Label10", "Frame4", "起始位为1，终止位为1");
        row("Label11", "Frame4", "无奇偶校验，无硬件控制");
        // Frame1 基本命令: basic commands
        row("Label12", "Frame1", "New Addr:");
        row("Label13", "Frame1", "Bitrate:");
        // Frame2 参数设置与查询: motion profile and status queries
        row("Label7", "Frame2", "新设值");
        row("Label14", "Frame2", "查询值");
        row("Label16", "Frame2", "运动相关查询");
        row("Label15", "Frame2", "停止");
        row("Label41", "Frame2", "左限");
        row("Label43", "Frame2", "零点");
        row("Label42", "Frame2", "右限");
        // Frame3 运动控制: motion control and IO substitution
        row("Label19", "Frame3", "位置运动:");
        row("Label23", "Frame3", "恒速运动:");
        row("Label36", "Frame3", "查找零点:");
        row("Label27", "Frame3", "运动中改变速度:   新速度");
        row("Label28", "Frame3", "PLUS/S");
        row("Label20", "Frame3", "正/负方向脉冲数:");
        row("Label22", "Frame3", "脉冲数:");
        row("Label24", "Frame3", "正/负方向速度:");
        row("Label26", "Frame3", "速度:");
        row("Label21", "Frame3", "方向:");
        row("Label25", "Frame3", "方向:");
        row("Label37", "Frame3", "方向:");
        row("Label61", "Frame3", "IO控制:");
        row("Label64", "Frame3", "IN序号  54321");
        row("Label62", "Frame3", "＝命令");
        // Frame5 其他: other, CAN gateway
        row("Label63", "Frame5", "IN1  IN2   IN3  IN4  IN5");
        row("Label65", "Frame5", "以下CAN相关");
        // Frame6 高级自动控制功能: command list
        row("Label32", "Frame6", "延时:");
        row("Label33", "Frame6", "毫秒50-60000");
        row("Label34", "Frame6", "跳转:");
        row("Label35", "Frame6", "行");
        row("Label59", "Frame6", "隔");
        row("Label60", "Frame6", "MS");
        row("Label29", "Frame6", "无延时命令，默认间隔为1秒");
    }
    void labels() {
        QFETCH(QString, frame);
        QFETCH(QString, caption);
        FrmMain w;
        FIND_CONTROL(w, c, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(className(c), QStringLiteral("QLabel"));
        VERIFY_PLACE(w, c, frame);
        QCOMPARE(static_cast<QLabel *>(c)->text(), caption);
        QVERIFY(c->isEnabled());
    }

    // Small buttons (">", "↓", "?", "0") may be tool buttons; the others are
    // push buttons. Only the buttons listed with a tip carry one.
    void buttons_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("small");
        QTest::addColumn<bool>("enabled");
        auto row = [](const char *name, const char *frame, const char *caption, Tip tip, Size size,
                      State state) {
            QTest::newRow(name) << QString::fromLatin1(frame) << u(caption) << tipText(tip)
                                << (size == Small) << (state == Enabled);
        };
        // on the working page, outside the frames
        row("Command6", "", "清空内容", NoTip, Wide, Enabled);
        row("Command36", "", "清空内容", NoTip, Wide, Enabled);
        row("Command3", "", "设寄存器映射地址", NoTip, Wide, Disabled);
        row("Command77", "", ">", AddWorkbench, Small, Enabled);
        row("Command78", "", ">", AddWorkbench, Small, Enabled);
        row("Command79", "", ">", AddWorkbench, Small, Enabled);
        row("Command80", "", ">", AddWorkbench, Small, Enabled);
        row("Command1", "", "发送16进制数据", NoTip, Wide, Enabled);
        row("Command2", "", "CRC高位在前", NoTip, Wide, Enabled);
        row("Command8", "", "CRC低位在前", NoTip, Wide, Enabled);
        row("Command5", "", "转为16进制", NoTip, Wide, Enabled);
        row("Command56", "", "转为字符串", NoTip, Wide, Enabled);
        row("Command9", "", "计算LRC", NoTip, Wide, Enabled);
        row("Command10", "", "MODBUS发送ASC", NoTip, Wide, Enabled);
        row("Command11", "", "MODBUS发送RTU", NoTip, Wide, Enabled);
        row("Command37", "", "发送字符串", NoTip, Wide, Enabled);
        // Frame4 串口设置: serial port
        row("Command32", "Frame4", "打开", NoTip, Wide, Enabled);
        row("Command33", "Frame4", "关闭", NoTip, Wide, Disabled);
        // Frame1 基本命令: basic commands
        row("Command12", "Frame1", "握手", NoTip, Wide, Enabled);
        row("Command13", "Frame1", "查地址", NoTip, Wide, Enabled);
        row("Command14", "Frame1", "改地址", NoTip, Wide, Enabled);
        row("Command15", "Frame1", "查波特率", NoTip, Wide, Enabled);
        row("Command16", "Frame1", "改波特率", NoTip, Wide, Enabled);
        // Frame2 参数设置与查询: motion profile and status queries
        row("Command17", "Frame2", "初速度", NoTip, Wide, Enabled);
        row("Command24", "Frame2", "最大速度", NoTip, Wide, Enabled);
        row("Command25", "Frame2", "末速度", NoTip, Wide, Enabled);
        row("Command26", "Frame2", "加速度", NoTip, Wide, Enabled);
        row("Command27", "Frame2", "减速度", NoTip, Wide, Enabled);
        row("Command64", "Frame2", "归零速度", NoTip, Wide, Enabled);
        row("Command46", "Frame2", ">", AddToList, Small, Enabled);
        row("Command47", "Frame2", ">", AddToList, Small, Enabled);
        row("Command48", "Frame2", ">", AddToList, Small, Enabled);
        row("Command49", "Frame2", ">", AddToList, Small, Enabled);
        row("Command50", "Frame2", ">", AddToList, Small, Enabled);
        row("Command63", "Frame2", ">", AddToList, Small, Enabled);
        row("Command71", "Frame2", ">", AddToList, Small, Enabled);
        row("Command72", "Frame2", ">", AddToList, Small, Enabled);
        row("Command73", "Frame2", ">", AddToList, Small, Enabled);
        row("Command74", "Frame2", ">", AddToList, Small, Enabled);
        row("Command75", "Frame2", ">", AddToList, Small, Enabled);
        row("Command76", "Frame2", ">", AddToList, Small, Enabled);
        row("Command51", "Frame2", ">", AddToList, Small, Enabled);
        row("Command43", "Frame2", ">", AddToList, Small, Enabled);
        row("Command52", "Frame2", ">", AddToList, Small, Enabled);
        row("Command53", "Frame2", ">", AddToList, Small, Enabled);
        row("Command69", "Frame2", ">", AddToList, Small, Enabled);
        row("Command70", "Frame2", ">", AddToList, Small, Enabled);
        row("Command57", "Frame2", "?", QuerySetValue, Small, Enabled);
        row("Command58", "Frame2", "?", QuerySetValue, Small, Enabled);
        row("Command59", "Frame2", "?", QuerySetValue, Small, Enabled);
        row("Command60", "Frame2", "?", QuerySetValue, Small, Enabled);
        row("Command61", "Frame2", "?", QuerySetValue, Small, Enabled);
        row("Command62", "Frame2", "?", QuerySetValue, Small, Enabled);
        row("Command28", "Frame2", "运动速度", NoTip, Wide, Enabled);
        row("Command29", "Frame2", "运动状态", NoTip, Wide, Enabled);
        row("Command30", "Frame2", "绝对位置", NoTip, Wide, Enabled);
        row("Command31", "Frame2", "相对位置", NoTip, Wide, Enabled);
        row("Command66", "Frame2", "0", ClearPosition, Small, Enabled);
        row("Command67", "Frame2", "0", ClearPosition, Small, Enabled);
        // Frame3 运动控制: motion control and IO substitution
        row("Command18", "Frame3", "运动", NoTip, Wide, Enabled);
        row("Command19", "Frame3", "运动", NoTip, Wide, Enabled);
        row("Command20", "Frame3", "运动", NoTip, Wide, Enabled);
        row("Command21", "Frame3", "运动", NoTip, Wide, Enabled);
        row("Command7", "Frame3", "归零", NoTip, Wide, Enabled);
        row("Command22", "Frame3", "减速停止", NoTip, Wide, Enabled);
        row("Command23", "Frame3", "立即停止", NoTip, Wide, Enabled);
        row("Command65", "Frame3", "执行", NoTip, Wide, Enabled);
        row("Command38", "Frame3", ">", AddToList, Small, Enabled);
        row("Command39", "Frame3", ">", AddToList, Small, Enabled);
        row("Command40", "Frame3", ">", AddToList, Small, Enabled);
        row("Command41", "Frame3", ">", AddToList, Small, Enabled);
        row("Command42", "Frame3", ">", AddToList, Small, Enabled);
        row("Command44", "Frame3", ">", AddToList, Small, Enabled);
        row("Command45", "Frame3", ">", AddToList, Small, Enabled);
        row("Command68", "Frame3", ">", AddToList, Small, Enabled);
        row("Command82", "Frame3", "↓", AddIoSubst, Small, Enabled);
        row("Command83", "Frame3", "↓", AddIoSubst, Small, Enabled);
        row("Command84", "Frame3", "↓", AddIoSubst, Small, Enabled);
        row("Command85", "Frame3", "↓", AddIoSubst, Small, Enabled);
        row("Command86", "Frame3", "↓", AddIoSubst, Small, Enabled);
        row("Command87", "Frame3", "↓", AddIoSubst, Small, Enabled);
        row("Command89", "Frame3", "↓", AddIoSubst, Small, Enabled);
        row("Command90", "Frame3", "↓", AddIoSubst, Small, Enabled);
        row("Command81", "Frame3", "下载", NoTip, Wide, Enabled);
        row("Command88", "Frame3", "?", NoTip, Small, Enabled);
        // Frame5 其他: other, CAN gateway
        row("Command91", "Frame5", "运动因子", NoTip, Wide, Enabled);
        row("Command92", "Frame5", "加速度", NoTip, Wide, Enabled);
        row("Command93", "Frame5", "减速度", NoTip, Wide, Enabled);
        row("Command97", "Frame5", "↓", AddIoSubst, Small, Enabled);
        row("Command98", "Frame5", "↓", AddIoSubst, Small, Enabled);
        row("Command94", "Frame5", "查询IN", NoTip, Wide, Enabled);
        row("Command99", "Frame5", ">", AddToList, Small, Enabled);
        row("Command96", "Frame5", "出厂设置", NoTip, Wide, Enabled);
        row("Command95", "Frame5", "CAN波特率", NoTip, Wide, Enabled);
        row("Command100", "Frame5", "标准帧", NoTip, Wide, Enabled);
        row("Command101", "Frame5", "扩展帧", NoTip, Wide, Enabled);
        row("Command102", "Frame5", "无校验检查", NoTip, Wide, Enabled);
        row("Command103", "Frame5", "有校验检查", NoTip, Wide, Enabled);
        row("Command104", "Frame5", "回8byte长", NoTip, Wide, Enabled);
        row("Command105", "Frame5", "回协议长", NoTip, Wide, Enabled);
        row("Command106", "Frame5", "HEX到CAN发送", NoTip, Wide, Enabled);
        // Frame6 高级自动控制功能: command list
        row("Command34", "Frame6", "插入命令", NoTip, Wide, Enabled);
        row("Command35", "Frame6", "插入命令", NoTip, Wide, Enabled);
        row("Command54", "Frame6", "打开文件", NoTip, Wide, Enabled);
        row("Command55", "Frame6", "命令另存为", NoTip, Wide, Enabled);
    }
    void buttons() {
        QFETCH(QString, frame);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        QFETCH(bool, small);
        QFETCH(bool, enabled);
        FrmMain w;
        FIND_CONTROL(w, c, QString::fromLatin1(QTest::currentDataTag()));
        const QString kind = className(c);
        if (small)
            QVERIFY2(kind == QLatin1String("QPushButton") || kind == QLatin1String("QToolButton"),
                     qPrintable(kind));
        else
            QCOMPARE(kind, QStringLiteral("QPushButton"));
        VERIFY_PLACE(w, c, frame);
        auto *b = static_cast<QAbstractButton *>(c);
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->toolTip(), toolTip);
        QCOMPARE(b->isEnabled(), enabled);
        QVERIFY(!b->isCheckable());
    }

    void textBoxes_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        auto row = [](const char *name, const char *frame, const char *text, State state) {
            QTest::newRow(name) << QString::fromLatin1(frame) << u(text) << (state == Enabled);
        };
        // on the working page, outside the frames
        row("Text23", "", "1", Enabled);
        row("Text34", "", "0", Disabled);
        row("Text1", "", "", Enabled);
        row("Text2", "", "", Enabled);
        row("Text3", "", "", Enabled);
        row("Text4", "", "", Enabled);
        row("Text5", "", "", Enabled);
        // Frame1 基本命令: basic commands
        row("Text7", "Frame1", "", Enabled);
        // Frame2 参数设置与查询: motion profile and status queries
        row("Text12", "Frame2", "100", Enabled);
        row("Text13", "Frame2", "10000", Enabled);
        row("Text14", "Frame2", "1000", Enabled);
        row("Text15", "Frame2", "10000", Enabled);
        row("Text16", "Frame2", "10000", Enabled);
        row("Text29", "Frame2", "10000", Enabled);
        row("Text27", "Frame2", "0", Enabled);
        row("Text26", "Frame2", "0", Enabled);
        row("Text25", "Frame2", "0", Enabled);
        row("Text24", "Frame2", "0", Enabled);
        row("Text6", "Frame2", "0", Enabled);
        row("Text28", "Frame2", "0", Enabled);
        row("Text17", "Frame2", "0", Enabled);
        row("Text18", "Frame2", "0", Enabled);
        row("Text19", "Frame2", "0", Enabled);
        // Frame3 运动控制: motion control and IO substitution
        row("Text8", "Frame3", "10000", Enabled);
        row("Text9", "Frame3", "1000", Enabled);
        row("Text10", "Frame3", "10000", Enabled);
        row("Text11", "Frame3", "10000", Enabled);
        row("Text30", "Frame3", "10000", Enabled);
        row("Text31", "Frame3", "", Enabled);
        // Frame5 其他: other, CAN gateway
        row("Text32", "Frame5", "500", Enabled);
        row("Text33", "Frame5", "01 02 03 04 05", Enabled);
        // Frame6 高级自动控制功能: command list
        row("Text20", "Frame6", "1000", Enabled);
        row("Text21", "Frame6", "0", Enabled);
        row("Text22", "Frame6", "1000", Enabled);
    }
    void textBoxes() {
        QFETCH(QString, frame);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        FrmMain w;
        FIND_CONTROL(w, c, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(className(c), QStringLiteral("QLineEdit"));
        VERIFY_PLACE(w, c, frame);
        QCOMPARE(static_cast<QLineEdit *>(c)->text(), text);
        QCOMPARE(c->isEnabled(), enabled);
    }

    // All drop-downs take typed text as well as a choice from the list.
    void dropDowns_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("text");
        const QStringList direction{QStringLiteral("0"), QStringLiteral("1")};
        QStringList ports;
        for (int i = 1; i <= 9; ++i)
            ports << QStringLiteral("COM%1").arg(i);
        // The input patterns IN5 .. IN1 as bit digits, 00001 to 11111 in counting order.
        QStringList patterns;
        for (int m = 1; m <= 31; ++m)
            patterns << QStringLiteral("%1").arg(m, 5, 2, QLatin1Char('0'));
        QCOMPARE(patterns.first(), QStringLiteral("00001"));
        QCOMPARE(patterns.at(4), QStringLiteral("00101"));
        QCOMPARE(patterns.last(), QStringLiteral("11111"));

        QTest::newRow("Combo7") << QString()
                                << QStringList{QStringLiteral("Modbus RTU"),
                                               QStringLiteral("Modbus ASC")}
                                << QStringLiteral("Modbus RTU");
        // The language box: Chinese, the language of the window, and English.
        QTest::newRow("Combo10") << QString() << QStringList{u("中文"), QStringLiteral("English")}
                                 << u("中文");
        QTest::newRow("Combo1") << QStringLiteral("Frame4") << ports << QStringLiteral("COM1");
        QTest::newRow("Combo2") << QStringLiteral("Frame4")
                                << QStringList{QStringLiteral("300"),   QStringLiteral("600"),
                                               QStringLiteral("1200"),  QStringLiteral("2400"),
                                               QStringLiteral("4800"),  QStringLiteral("9600"),
                                               QStringLiteral("14400"), QStringLiteral("19200"),
                                               QStringLiteral("38400"), QStringLiteral("56000"),
                                               QStringLiteral("57600"), QStringLiteral("115200"),
                                               QStringLiteral("128000")}
                                << QStringLiteral("9600");
        QTest::newRow("Combo6") << QStringLiteral("Frame1")
                                << QStringList{QStringLiteral("2400"),  QStringLiteral("4800"),
                                               QStringLiteral("9600"),  QStringLiteral("14400"),
                                               QStringLiteral("19200"), QStringLiteral("38400"),
                                               QStringLiteral("57600")}
                                << QStringLiteral("9600");
        QTest::newRow("Combo3") << QStringLiteral("Frame3") << direction << QStringLiteral("0");
        QTest::newRow("Combo4") << QStringLiteral("Frame3") << direction << QStringLiteral("0");
        QTest::newRow("Combo5") << QStringLiteral("Frame3") << direction << QStringLiteral("0");
        QTest::newRow("Combo8") << QStringLiteral("Frame3") << patterns << QStringLiteral("00001");
        QTest::newRow("Combo9") << QStringLiteral("Frame5")
                                << QStringList{QStringLiteral("1M"),   QStringLiteral("900K"),
                                               QStringLiteral("800K"), QStringLiteral("750K"),
                                               QStringLiteral("600K"), QStringLiteral("500K"),
                                               QStringLiteral("400K"), QStringLiteral("250K"),
                                               QStringLiteral("200K"), QStringLiteral("150K"),
                                               QStringLiteral("125K"), QStringLiteral("100K"),
                                               QStringLiteral("80K"),  QStringLiteral("50K"),
                                               QStringLiteral("25K"),  QStringLiteral("20K"),
                                               QStringLiteral("10K"),  QStringLiteral("5K")}
                                << QStringLiteral("100K");
    }
    void dropDowns() {
        QFETCH(QString, frame);
        QFETCH(QStringList, items);
        QFETCH(QString, text);
        FrmMain w;
        FIND_CONTROL(w, c, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(className(c), QStringLiteral("QComboBox"));
        VERIFY_PLACE(w, c, frame);
        auto *combo = static_cast<QComboBox *>(c);
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown << combo->itemText(i);
        QCOMPARE(shown, items);
        QCOMPARE(combo->currentText(), text);
        QVERIFY(combo->isEditable());
        QVERIFY(combo->isEnabled());
    }

    void checkAndOptionButtons_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("enabled");
        // The read/write selector is disabled until the Siemens option is ticked.
        QTest::newRow("Check2") << QString() << QStringLiteral("QCheckBox") << u("按西门子标准")
                                << false << true;
        QTest::newRow("Option3") << QString() << QStringLiteral("QRadioButton") << u("读") << true
                                 << false;
        QTest::newRow("Option4") << QString() << QStringLiteral("QRadioButton") << u("写") << false
                                 << false;
        QTest::newRow("Check1") << QStringLiteral("Frame6") << QStringLiteral("QCheckBox")
                                << u("按行循环执行命令") << false << true;
    }
    void checkAndOptionButtons() {
        QFETCH(QString, frame);
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(bool, checked);
        QFETCH(bool, enabled);
        FrmMain w;
        FIND_CONTROL(w, c, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(className(c), kind);
        VERIFY_PLACE(w, c, frame);
        auto *b = static_cast<QAbstractButton *>(c);
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->isChecked(), checked);
        QCOMPARE(b->isEnabled(), enabled);
    }

    // Views, the command list, the picture, separator lines and lamps.
    void otherControls_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("kind");
        QTest::newRow("RichTextBox2") << QString() << QStringLiteral("QPlainTextEdit");
        QTest::newRow("RichTextBox1") << QString() << QStringLiteral("QPlainTextEdit");
        QTest::newRow("Picture1") << QString() << QStringLiteral("QLabel");
        QTest::newRow("List1") << QStringLiteral("Frame6") << QStringLiteral("QListWidget");
        for (const char *line : {"Line1", "Line2", "Line4"})
            QTest::newRow(line) << QStringLiteral("Frame3") << QStringLiteral("QFrame");
        for (const char *lamp : {"Shape1", "Shape2", "Shape3", "Shape4"})
            QTest::newRow(lamp) << QStringLiteral("Frame2") << QStringLiteral("Indicator");
        for (const char *lamp : {"Shape5", "Shape6", "Shape7", "Shape8", "Shape9"})
            QTest::newRow(lamp) << QStringLiteral("Frame5") << QStringLiteral("Indicator");
    }
    void otherControls() {
        QFETCH(QString, frame);
        QFETCH(QString, kind);
        FrmMain w;
        FIND_CONTROL(w, c, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(className(c), kind);
        VERIFY_PLACE(w, c, frame);
        if (auto *line = qobject_cast<QFrame *>(c); line && kind == QLatin1String("QFrame"))
            QVERIFY(line->frameShape() == QFrame::HLine || line->frameShape() == QFrame::VLine);
    }

    void trafficViewsAndCommandListStartEmpty() {
        FrmMain w;
        QCOMPARE(Fixture::child<QPlainTextEdit>(w, QStringLiteral("RichTextBox1"))->toPlainText(),
                 QString());
        QCOMPARE(Fixture::child<QPlainTextEdit>(w, QStringLiteral("RichTextBox2"))->toPlainText(),
                 QString());
        QCOMPARE(Fixture::child<QListWidget>(w, QStringLiteral("List1"))->count(), 0);
    }

    // The limit, origin and input lamps start black.
    void lampsStartBlack() {
        FrmMain w;
        for (int i = 2; i <= 9; ++i)
            QCOMPARE(Fixture::child<Indicator>(w, QStringLiteral("Shape%1").arg(i))->fillColor(),
                     QColor(Qt::black));
    }

    // Once the window stands at its start size, every field shows its
    // default text in full; the delay, jump and interval fields of the
    // command list take four digits.
    void fieldsShowTheirTextInFull_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("Text20") << QStringLiteral("1000");
        QTest::newRow("Text21") << QStringLiteral("1000");
        QTest::newRow("Text22") << QStringLiteral("1000");
        QTest::newRow("Text23") << QStringLiteral("1");
        QTest::newRow("Text34") << QStringLiteral("0");
        QTest::newRow("Text12") << QStringLiteral("100");
        for (const char *name :
             {"Text13", "Text15", "Text16", "Text29", "Text8", "Text10", "Text11", "Text30"})
            QTest::newRow(name) << QStringLiteral("10000");
        QTest::newRow("Text14") << QStringLiteral("1000");
        QTest::newRow("Text9") << QStringLiteral("1000");
        QTest::newRow("Text32") << QStringLiteral("500");
        QTest::newRow("Text33") << QStringLiteral("01 02 03 04 05");
    }
    void fieldsShowTheirTextInFull() {
        QFETCH(QString, text);
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(50); // the window settles its size after the first show
        auto *edit = Fixture::child<QLineEdit>(w, QString::fromLatin1(QTest::currentDataTag()));
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        opt.rect = edit->rect();
        opt.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
        opt.midLineWidth = 0;
        opt.state |= QStyle::State_Sunken;
        const QRect contents = edit->style()
                                   ->subElementRect(QStyle::SE_LineEditContents, &opt, edit)
                                   .marginsRemoved(edit->textMargins());
        // A line edit keeps a further 2 px on each side of its text.
        const int room = contents.width() - 4;
        QVERIFY2(room >= edit->fontMetrics().horizontalAdvance(text),
                 qPrintable(QStringLiteral("%1 px for %2 px")
                                .arg(room)
                                .arg(edit->fontMetrics().horizontalAdvance(text))));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
