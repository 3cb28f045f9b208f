// The window while its adapter comes and goes: the status bar instead of a
// message box, "关闭" ending the wait, requests refused while waiting, the run
// box unticked by a loss and left so by the reconnect, the "自动重连" item,
// an adapter found again under a new name, and the label beside the port box
// following adapters as they are plugged.
#include "support/replug.h"
#include "support/wire.h"
#include "ui/frmmain.h"
#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMutex>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using Fixture::child;

namespace {

const QByteArray Handshake = Wire::rtu(Wire::bytes({0x01, 0x20, 0x00}));

// A system port list that the test changes while the window's watcher reads it
// on its own thread.
struct FakeSystem {
    struct State {
        QMutex lock;
        QList<ListedPort> ports;
    };
    std::shared_ptr<State> state = std::make_shared<State>();
    void set(const QList<ListedPort> &ports) {
        QMutexLocker l(&state->lock);
        state->ports = ports;
    }
    PortMap map() const {
        return PortMap(
            {}, [](const QString &) { return QString(); },
            [s = state] {
                QMutexLocker l(&s->lock);
                return s->ports;
            });
    }
};

ListedPort usbPort(const QString &location, const QString &serial, const QString &usbLocation,
                   const QString &description = QStringLiteral("FT232R USB UART")) {
    ListedPort p;
    p.location = location;
    p.usb = true;
    p.hasIds = true;
    p.vendorId = 0x0403;
    p.productId = 0x6001;
    p.serial = serial;
    p.usbLocation = usbLocation;
    p.description = description;
    return p;
}

QString status(FrmMain &w) {
    return w.statusBar()->currentMessage();
}

} // namespace

class TstReconnectWindow : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }
    void lossAndReturn_data();
    void lossAndReturn();
    void endingTheWait_data();
    void endingTheWait();
    void menuItem();
    void adapterBackUnderANewName();
    void portDeviceLabel_data();
    void portDeviceLabel();

private:
    QTemporaryDir m_dir;
};

void TstReconnectWindow::lossAndReturn_data() {
    QTest::addColumn<bool>("reconnect");
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("cycles");

    QTest::newRow("reconnect, idle, three cycles") << true << false << 3;
    QTest::newRow("reconnect, list running") << true << true << 2;
    QTest::newRow("no reconnect, idle") << false << false << 1;
    QTest::newRow("no reconnect, list running") << false << true << 1;
}

void TstReconnectWindow::lossAndReturn() {
    QFETCH(bool, reconnect);
    QFETCH(bool, running);
    QFETCH(int, cycles);

    ReplugPty adapter(m_dir.filePath(QStringLiteral("loss-%1").arg(QTest::currentDataTag())));
    QString error;
    QVERIFY2(adapter.plug(&error), qPrintable(error));
    FrmMain w(Fixture::com1(adapter.path()));
    w.setAutoReconnect(reconnect);
    QCOMPARE(w.autoReconnect(), reconnect);
    QSignalSpy messages(&w, &FrmMain::messageShown);
    Fixture::click(w, QStringLiteral("Command32"));
    QVERIFY(w.portOpen());
    adapter.release();

    for (int cycle = 1; cycle <= cycles; ++cycle) {
        if (running) {
            child<QListWidget>(w, QStringLiteral("List1"))
                ->addItem(QStringLiteral("01 20 00 39 C0"));
            child<QLineEdit>(w, QStringLiteral("Text22"))->setText(QStringLiteral("30"));
            Fixture::click(w, QStringLiteral("Check1"));
            QTRY_VERIFY_WITH_TIMEOUT(w.running(), 2000);
            QVERIFY(!adapter.pty()->readMaster(5, 1000).isEmpty());
        }
        adapter.unplug();
        if (!reconnect) {
            QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, 3000);
            QVERIFY(messages.at(0).at(0).toString().startsWith(QStringLiteral("串口连接已断开:")));
            QVERIFY(child<QPushButton>(w, QStringLiteral("Command32"))->isEnabled());
            QVERIFY(!child<QPushButton>(w, QStringLiteral("Command33"))->isEnabled());
            QVERIFY(!child<QCheckBox>(w, QStringLiteral("Check1"))->isChecked());
            QVERIFY(adapter.plug(&error));
            QTest::qWait(500);
            QVERIFY(!w.portOpen());
            return;
        }
        const QString waiting = QStringLiteral("串口已断开，等待重新连接: ") + adapter.path();
        QTRY_COMPARE_WITH_TIMEOUT(status(w), waiting, 3000);
        QCOMPARE(messages.size(), 0);
        QVERIFY(child<QPushButton>(w, QStringLiteral("Command33"))->isEnabled());
        QVERIFY(!child<QPushButton>(w, QStringLiteral("Command32"))->isEnabled());
        // The run stopped with the loss and shows it.
        QVERIFY(!w.running());
        QVERIFY(!child<QCheckBox>(w, QStringLiteral("Check1"))->isChecked());
        QVERIFY(child<QLineEdit>(w, QStringLiteral("Text22"))->isEnabled());

        // A request while waiting is not sent, and the status bar says so.
        w.settle();
        const qint64 sentBefore = w.sent().count;
        Fixture::click(w, QStringLiteral("Command12"));
        QVERIFY2(status(w).contains(QStringLiteral("请求未发送")), qPrintable(status(w)));
        QCOMPARE(w.sent().count, sentBefore);

        QVERIFY(adapter.plug(&error));
        QTRY_COMPARE_WITH_TIMEOUT(status(w), QStringLiteral("串口已重新连接: ") + adapter.path(),
                                  3000);
        adapter.release();
        QVERIFY(w.portOpen());
        QCOMPARE(messages.size(), 0);
        // The run is not started again; a request goes out on the new line.
        QTest::qWait(100);
        QVERIFY(!w.running());
        QVERIFY(!child<QCheckBox>(w, QStringLiteral("Check1"))->isChecked());
        QVERIFY(adapter.pty()->readMaster(1, 100).isEmpty());
        Fixture::click(w, QStringLiteral("Command12"));
        QCOMPARE(adapter.pty()->readMaster(5, 2000).toHex(' '), Handshake.toHex(' '));
    }
}

void TstReconnectWindow::endingTheWait_data() {
    QTest::addColumn<bool>("byMenu"); // else by "关闭"
    QTest::newRow("关闭") << false;
    QTest::newRow("自动重连 unticked") << true;
}

void TstReconnectWindow::endingTheWait() {
    QFETCH(bool, byMenu);

    ReplugPty adapter(m_dir.filePath(QStringLiteral("end-%1").arg(int(byMenu))));
    QString error;
    QVERIFY2(adapter.plug(&error), qPrintable(error));
    FrmMain w(Fixture::com1(adapter.path()));
    QSignalSpy messages(&w, &FrmMain::messageShown);
    Fixture::click(w, QStringLiteral("Command32"));
    adapter.release();
    adapter.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(w.session()->waiting(), 3000);
    if (byMenu)
        w.findChild<QAction *>(QStringLiteral("AutoReconnect"))->trigger();
    else
        Fixture::click(w, QStringLiteral("Command33"));
    QVERIFY(!w.session()->waiting());
    QVERIFY(child<QPushButton>(w, QStringLiteral("Command32"))->isEnabled());
    QVERIFY(!child<QPushButton>(w, QStringLiteral("Command33"))->isEnabled());
    QVERIFY(adapter.plug(&error));
    QTest::qWait(500);
    QVERIFY(!w.portOpen());
    QCOMPARE(messages.size(), 0);
    // Opened again by hand, it works.
    Fixture::click(w, QStringLiteral("Command32"));
    QVERIFY(w.portOpen());
}

void TstReconnectWindow::menuItem() {
    FrmMain w(Fixture::com1(QStringLiteral("/dev/null")));
    auto *action = w.findChild<QAction *>(QStringLiteral("AutoReconnect"));
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("自动重连"));
    QVERIFY(action->isCheckable());
    QVERIFY(action->isChecked());
    QVERIFY(w.autoReconnect());
    QVERIFY(w.session()->autoReconnect());
    // In a menu "串口" of the menu bar.
    QMenu *menu = nullptr;
    for (QAction *top : w.menuBar()->actions())
        if (top->menu() && top->menu()->actions().contains(action))
            menu = top->menu();
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("串口"));
    action->trigger();
    QVERIFY(!w.autoReconnect());
    w.settle();
    QVERIFY(!w.session()->autoReconnect());
    w.setAutoReconnect(true);
    QVERIFY(action->isChecked());
    w.settle();
    QVERIFY(w.session()->autoReconnect());
}

// A COMn mapped to a listed adapter follows that adapter, not its name: it is
// unplugged and comes back as another device.
void TstReconnectWindow::adapterBackUnderANewName() {
    ReplugPty first(m_dir.filePath(QStringLiteral("ttyUSB0")));
    ReplugPty other(m_dir.filePath(QStringLiteral("ttyUSB1")));
    ReplugPty second(m_dir.filePath(QStringLiteral("ttyUSB2")));
    QString error;
    QVERIFY2(first.plug(&error), qPrintable(error));
    QVERIFY2(other.plug(&error), qPrintable(error));
    FakeSystem system;
    const ListedPort mine = usbPort(first.path(), QStringLiteral("AAA"), QStringLiteral("1-1"));
    const ListedPort theirs = usbPort(other.path(), QStringLiteral("BBB"), QStringLiteral("1-2"));
    system.set({mine, theirs});
    FrmMain w(system.map());
    Fixture::click(w, QStringLiteral("Command32"));
    QVERIFY(w.portOpen());
    QCOMPARE(w.session()->device(), first.path());
    first.release();

    first.unplug();
    system.set({theirs});
    QTRY_VERIFY_WITH_TIMEOUT(w.session()->waiting(), 3000);
    // Another adapter present all along is not taken for it.
    QTest::qWait(600);
    QVERIFY(w.session()->waiting());
    QVERIFY(second.plug(&error));
    ListedPort back = mine;
    back.location = second.path();
    system.set({theirs, back});
    QTRY_COMPARE_WITH_TIMEOUT(status(w), QStringLiteral("串口已重新连接: ") + second.path(), 3000);
    QCOMPARE(w.session()->device(), second.path());
    second.release();
    Fixture::click(w, QStringLiteral("Command12"));
    QCOMPARE(second.pty()->readMaster(5, 2000).toHex(' '), Handshake.toHex(' '));
    QVERIFY(other.pty()->readMaster(1, 100).isEmpty());
}

void TstReconnectWindow::portDeviceLabel_data() {
    QTest::addColumn<QList<ListedPort>>("before");
    QTest::addColumn<QList<ListedPort>>("after");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("labelBefore");
    QTest::addColumn<QString>("labelAfter");

    const ListedPort a = usbPort("/dev/ttyUSB0", "A50285BI", "1-2");
    const ListedPort b = usbPort("/dev/ttyUSB1", QString(), "1-3", "USB Serial");
    QTest::newRow("an adapter plugged in") << QList<ListedPort>{} << QList<ListedPort>{a} << "COM1"
                                           << "未找到设备"
                                           << "/dev/ttyUSB0 · FT232R USB UART · A50285BI";
    QTest::newRow("a second adapter becomes COM2")
        << QList<ListedPort>{a} << QList<ListedPort>{a, b} << "COM2"
        << "未找到设备"
        << "/dev/ttyUSB1 · USB Serial";
    QTest::newRow("the adapter unplugged") << QList<ListedPort>{a} << QList<ListedPort>{} << "COM1"
                                           << "/dev/ttyUSB0 · FT232R USB UART · A50285BI"
                                           << "未找到设备";
}

void TstReconnectWindow::portDeviceLabel() {
    QFETCH(QList<ListedPort>, before);
    QFETCH(QList<ListedPort>, after);
    QFETCH(QString, port);
    QFETCH(QString, labelBefore);
    QFETCH(QString, labelAfter);

    FakeSystem system;
    system.set(before);
    FrmMain w(system.map());
    child<QComboBox>(w, QStringLiteral("Combo1"))->setCurrentText(port);
    auto *label = child<QLabel>(w, QStringLiteral("PortDevice"));
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), labelBefore, 2000);
    system.set(after);
    // Within two seconds of the plug or unplug.
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), labelAfter, 2000);
}

QTEST_MAIN(TstReconnectWindow)
#include "tst_reconnectwindow.moc"
