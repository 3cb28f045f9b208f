// Which device each of COM1 .. COM9 opens: command-line "COMn=PATH", then the
// environment's T3208_COMn, then the n-th listed port (USB adapters first, each
// group in natural order of its location). The environment and the system's
// port list are stand-ins here.
#include "link/portmap.h"

#include <QtTest>

namespace {

// "usb:/dev/ttyUSB0" is a USB adapter, "/dev/ttyS0" is not.
QList<ListedPort> ports(const QStringList &entries) {
    QList<ListedPort> out;
    for (const QString &s : entries) {
        if (s.startsWith("usb:"))
            out.append({s.mid(4), true});
        else
            out.append({s, false});
    }
    return out;
}

// "NAME=VALUE" entries.
PortMap::Env env(const QStringList &vars) {
    return [vars](const QString &name) {
        for (const QString &v : vars)
            if (v.section(u'=', 0, 0) == name)
                return v.section(u'=', 1);
        return QString();
    };
}

PortMap::Lister lister(const QStringList &entries) {
    return [entries] { return ports(entries); };
}

} // namespace

class TstPortMap : public QObject {
    Q_OBJECT
private slots:
    void device_data();
    void device();
    void ordered_data();
    void ordered();
    void malformed_data();
    void malformed();
    void listing_data();
    void listing();
};

void TstPortMap::device_data() {
    QTest::addColumn<QStringList>("overrides");
    QTest::addColumn<QStringList>("vars");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("device");

    const QStringList two{"usb:/dev/ttyUSB0", "/dev/ttyS0"};
    QTest::newRow("command line beats environment and list")
        << QStringList{"COM1=/dev/cmd"} << QStringList{"T3208_COM1=/dev/env"} << two << 1
        << "/dev/cmd";
    QTest::newRow("environment beats list")
        << QStringList{} << QStringList{"T3208_COM1=/dev/env"} << two << 1 << "/dev/env";
    QTest::newRow("list when nothing else")
        << QStringList{} << QStringList{} << two << 1 << "/dev/ttyUSB0";
    QTest::newRow("second listed port")
        << QStringList{} << QStringList{} << two << 2 << "/dev/ttyS0";
    QTest::newRow("override of another port leaves COM1 to the list")
        << QStringList{"COM2=/dev/cmd"} << QStringList{} << two << 1 << "/dev/ttyUSB0";
    QTest::newRow("environment of another port leaves COM2 to the list")
        << QStringList{} << QStringList{"T3208_COM1=/dev/env"} << two << 2 << "/dev/ttyS0";
    QTest::newRow("empty environment value falls through to the list")
        << QStringList{} << QStringList{"T3208_COM1="} << two << 1 << "/dev/ttyUSB0";
    QTest::newRow("override beyond the list")
        << QStringList{"COM9=/dev/pts/7"} << QStringList{} << two << 9 << "/dev/pts/7";
    QTest::newRow("environment beyond the list")
        << QStringList{} << QStringList{"T3208_COM5=/dev/pts/3"} << two << 5 << "/dev/pts/3";
    QTest::newRow("beyond the listed count: nothing")
        << QStringList{} << QStringList{} << two << 3 << QString();
    QTest::newRow("no ports listed: nothing")
        << QStringList{} << QStringList{} << QStringList{} << 1 << QString();
    QTest::newRow("later override of the same port wins")
        << QStringList{"COM1=/dev/a", "COM1=/dev/b"} << QStringList{} << two << 1 << "/dev/b";
    QTest::newRow("path may hold an equals sign")
        << QStringList{"COM1=/dev/x=y"} << QStringList{} << two << 1 << "/dev/x=y";
    QTest::newRow("malformed override without path is ignored")
        << QStringList{"COM1="} << QStringList{} << two << 1 << "/dev/ttyUSB0";
    QTest::newRow("lowercase override is ignored")
        << QStringList{"com1=/dev/a"} << QStringList{} << two << 1 << "/dev/ttyUSB0";
    QTest::newRow("COM10 override is ignored, COM1 untouched")
        << QStringList{"COM10=/x"} << QStringList{} << two << 1 << "/dev/ttyUSB0";
    QTest::newRow("list sorted before numbering: USB first")
        << QStringList{} << QStringList{}
        << QStringList{"/dev/ttyS0", "/dev/ttyS1", "usb:/dev/ttyUSB3"} << 1 << "/dev/ttyUSB3";
}

void TstPortMap::device() {
    QFETCH(QStringList, overrides);
    QFETCH(QStringList, vars);
    QFETCH(QStringList, listed);
    QFETCH(int, n);
    QFETCH(QString, device);

    const PortMap map(overrides, env(vars), lister(listed));
    QCOMPARE(map.device(n), device);
}

void TstPortMap::ordered_data() {
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("USB adapters before built-in ports")
        << QStringList{"/dev/ttyS0", "usb:/dev/ttyUSB0"}
        << QStringList{"/dev/ttyUSB0", "/dev/ttyS0"};
    QTest::newRow("ttyUSB2 before ttyUSB10")
        << QStringList{"usb:/dev/ttyUSB10", "usb:/dev/ttyUSB2", "usb:/dev/ttyUSB1"}
        << QStringList{"/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB10"};
    QTest::newRow("ttyS2 before ttyS10") << QStringList{"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyS0"}
                                         << QStringList{"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10"};
    QTest::newRow("each group sorted on its own")
        << QStringList{"/dev/ttyS11", "usb:/dev/ttyUSB10", "/dev/ttyS3", "usb:/dev/ttyUSB9"}
        << QStringList{"/dev/ttyUSB9", "/dev/ttyUSB10", "/dev/ttyS3", "/dev/ttyS11"};
    QTest::newRow("ACM before USB by name, both adapters")
        << QStringList{"usb:/dev/ttyUSB0", "usb:/dev/ttyACM0"}
        << QStringList{"/dev/ttyACM0", "/dev/ttyUSB0"};
    QTest::newRow("USB-flagged location without ttyUSB name still first")
        << QStringList{"/dev/ttyS0", "usb:/dev/ttyXR0"} << QStringList{"/dev/ttyXR0", "/dev/ttyS0"};
    QTest::newRow("number of 100 after 99")
        << QStringList{"usb:/dev/ttyUSB100", "usb:/dev/ttyUSB99"}
        << QStringList{"/dev/ttyUSB99", "/dev/ttyUSB100"};
    QTest::newRow("already ordered stays") << QStringList{"usb:/dev/ttyUSB0", "/dev/ttyS0"}
                                           << QStringList{"/dev/ttyUSB0", "/dev/ttyS0"};
    QTest::newRow("nothing listed") << QStringList{} << QStringList{};
}

void TstPortMap::ordered() {
    QFETCH(QStringList, listed);
    QFETCH(QStringList, order);

    QCOMPARE(PortMap::ordered(ports(listed)), order);
    // COMn take the listed ports in the same order.
    const PortMap map({}, env({}), lister(listed));
    for (int n = 1; n <= 9; ++n)
        QCOMPARE(map.device(n), n <= order.size() ? order.at(n - 1) : QString());
}

void TstPortMap::malformed_data() {
    QTest::addColumn<QStringList>("overrides");
    QTest::addColumn<QStringList>("bad");

    QTest::newRow("well-formed") << QStringList{"COM1=/dev/ttyUSB0", "COM9=/dev/pts/2"}
                                 << QStringList{};
    QTest::newRow("no equals sign") << QStringList{"COM1"} << QStringList{"COM1"};
    QTest::newRow("no number") << QStringList{"COMx=/dev/a"} << QStringList{"COMx=/dev/a"};
    QTest::newRow("COM10") << QStringList{"COM10=/x"} << QStringList{"COM10=/x"};
    QTest::newRow("COM0") << QStringList{"COM0=/x"} << QStringList{"COM0=/x"};
    QTest::newRow("lowercase name") << QStringList{"com1=/x"} << QStringList{"com1=/x"};
    QTest::newRow("empty path") << QStringList{"COM1="} << QStringList{"COM1="};
    QTest::newRow("no name") << QStringList{"=/dev/a"} << QStringList{"=/dev/a"};
    QTest::newRow("empty text") << QStringList{""} << QStringList{""};
    QTest::newRow("only the bad ones, in order")
        << QStringList{"COMx=/dev/a", "COM2=/dev/b", "COM1", "COM3=/dev/c", "COM10=/x"}
        << QStringList{"COMx=/dev/a", "COM1", "COM10=/x"};
}

void TstPortMap::malformed() {
    QFETCH(QStringList, overrides);
    QFETCH(QStringList, bad);
    QCOMPARE(PortMap::malformed(overrides), bad);
}

void TstPortMap::listing_data() {
    QTest::addColumn<QStringList>("overrides");
    QTest::addColumn<QStringList>("vars");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("text");

    QTest::newRow("two listed adapters")
        << QStringList{} << QStringList{} << QStringList{"usb:/dev/ttyUSB1", "usb:/dev/ttyUSB0"}
        << QString("COM1 → /dev/ttyUSB0\nCOM2 → /dev/ttyUSB1");
    QTest::newRow("gaps are left out")
        << QStringList{"COM3=/dev/pts/4"} << QStringList{"T3208_COM7=/dev/pts/5"} << QStringList{}
        << QString("COM3 → /dev/pts/4\nCOM7 → /dev/pts/5");
    QTest::newRow("all three sources")
        << QStringList{"COM2=/dev/cmd"} << QStringList{"T3208_COM3=/dev/env"}
        << QStringList{"/dev/ttyS0", "usb:/dev/ttyUSB0"}
        << QString("COM1 → /dev/ttyUSB0\nCOM2 → /dev/cmd\nCOM3 → /dev/env");
    QTest::newRow("only nine names")
        << QStringList{} << QStringList{}
        << QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3", "/dev/ttyS4",
                       "/dev/ttyS5", "/dev/ttyS6", "/dev/ttyS7", "/dev/ttyS8", "/dev/ttyS9"}
        << QString("COM1 → /dev/ttyS0\nCOM2 → /dev/ttyS1\n"
                   "COM3 → /dev/ttyS2\nCOM4 → /dev/ttyS3\n"
                   "COM5 → /dev/ttyS4\nCOM6 → /dev/ttyS5\n"
                   "COM7 → /dev/ttyS6\nCOM8 → /dev/ttyS7\n"
                   "COM9 → /dev/ttyS8");
    QTest::newRow("nothing mapped") << QStringList{} << QStringList{} << QStringList{} << QString();
}

void TstPortMap::listing() {
    QFETCH(QStringList, overrides);
    QFETCH(QStringList, vars);
    QFETCH(QStringList, listed);
    QFETCH(QString, text);

    const PortMap map(overrides, env(vars), lister(listed));
    QCOMPARE(map.describe(), text);
}

QTEST_GUILESS_MAIN(TstPortMap)
#include "tst_portmap.moc"
