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
        ListedPort p;
        p.usb = s.startsWith("usb:");
        p.location = p.usb ? s.mid(4) : s;
        out.append(p);
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

// An adapter as the system lists it: "PATH|VID:PID|SERIAL|USB-LOCATION|DESCRIPTION";
// the fields after the path may be left out or empty.
ListedPort adapter(const QString &fields) {
    const QStringList f = fields.split(u'|');
    ListedPort p;
    p.location = f.value(0);
    p.usb = f.size() > 1;
    if (const QString ids = f.value(1); !ids.isEmpty()) {
        p.hasIds = true;
        p.vendorId = quint16(ids.section(u':', 0, 0).toUInt(nullptr, 16));
        p.productId = quint16(ids.section(u':', 1, 1).toUInt(nullptr, 16));
    }
    p.serial = f.value(2);
    p.usbLocation = f.value(3);
    p.description = f.value(4);
    return p;
}

QList<ListedPort> adapters(const QStringList &rows) {
    QList<ListedPort> out;
    for (const QString &s : rows)
        out << adapter(s);
    return out;
}

// A system list that the test changes while the map is in use.
struct Plugged {
    std::shared_ptr<QList<ListedPort>> now = std::make_shared<QList<ListedPort>>();
    PortMap::Lister lister() const {
        return [now = now] { return *now; };
    }
};

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
    void sameAdapter_data();
    void sameAdapter();
    void pinned_data();
    void pinned();
    void label_data();
    void label();
    void usbLocation_data();
    void usbLocation();
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

void TstPortMap::sameAdapter_data() {
    QTest::addColumn<QString>("was");
    QTest::addColumn<QString>("now");
    QTest::addColumn<bool>("same");

    QTest::newRow("same ids and serial, new name") << "/dev/ttyUSB0|0403:6001|A50285BI|1-2"
                                                   << "/dev/ttyUSB3|0403:6001|A50285BI|1-4" << true;
    QTest::newRow("same ids, another serial") << "/dev/ttyUSB0|0403:6001|A50285BI|1-2"
                                              << "/dev/ttyUSB0|0403:6001|A50285BJ|1-2" << false;
    QTest::newRow("same serial, another product") << "/dev/ttyUSB0|0403:6001|A50285BI"
                                                  << "/dev/ttyUSB0|0403:6015|A50285BI" << false;
    QTest::newRow("same serial, another vendor") << "/dev/ttyUSB0|0403:6001|A50285BI"
                                                 << "/dev/ttyUSB0|1a86:6001|A50285BI" << false;
    QTest::newRow("no serial: same ids at the same USB location")
        << "/dev/ttyUSB0|1a86:7523||1-1.4"
        << "/dev/ttyUSB1|1a86:7523||1-1.4" << true;
    QTest::newRow("no serial: same ids at another USB location")
        << "/dev/ttyUSB0|1a86:7523||1-1.4"
        << "/dev/ttyUSB0|1a86:7523||1-1.3" << false;
    QTest::newRow("no serial: one with a serial at that location is another")
        << "/dev/ttyUSB0|1a86:7523||1-1.4"
        << "/dev/ttyUSB0|1a86:7523|X1|1-1.4" << false;
    QTest::newRow("no serial, no location: the same name") << "/dev/ttyACM0|2341:0043"
                                                           << "/dev/ttyACM0|2341:0043" << true;
    QTest::newRow("no serial, no location: another name") << "/dev/ttyACM0|2341:0043"
                                                          << "/dev/ttyACM1|2341:0043" << false;
    QTest::newRow("without ids: the same path") << "/dev/ttyS0"
                                                << "/dev/ttyS0" << true;
    QTest::newRow("without ids: another path") << "/dev/ttyS0"
                                               << "/dev/ttyS1" << false;
    QTest::newRow("an adapter is not a port without ids") << "/dev/ttyUSB0|0403:6001|A5"
                                                          << "/dev/ttyUSB0" << false;
}

void TstPortMap::sameAdapter() {
    QFETCH(QString, was);
    QFETCH(QString, now);
    QFETCH(bool, same);
    QCOMPARE(adapter(was).sameAdapter(adapter(now)), same);
    QCOMPARE(PortMap::find(adapters({"/dev/ttyS9", now}), adapter(was)).has_value(), same);
}

void TstPortMap::pinned_data() {
    QTest::addColumn<QStringList>("before");  // listed when COMn is opened
    QTest::addColumn<int>("n");               // the COMn opened (pinned)
    QTest::addColumn<QStringList>("after");   // listed later
    QTest::addColumn<QStringList>("devices"); // COM1, COM2, COM3 after the change
    QTest::addColumn<QString>("located");     // where the pinned adapter is now

    const QString a = "/dev/ttyUSB0|0403:6001|AAA|1-1|FT232R USB UART";
    const QString b = "/dev/ttyUSB1|0403:6001|BBB|1-2|FT232R USB UART";
    QTest::newRow("others unplugged: COM2 keeps its adapter")
        << QStringList{a, b} << 2 << QStringList{"/dev/ttyUSB1|0403:6001|BBB|1-2"}
        << QStringList{QString(), "/dev/ttyUSB1", QString()} << "/dev/ttyUSB1";
    QTest::newRow("a new adapter sorts first: COM1 keeps its own")
        << QStringList{a} << 1 << QStringList{"/dev/ttyACM0|2341:0043|N1|1-3", a}
        << QStringList{"/dev/ttyUSB0", "/dev/ttyACM0", QString()} << "/dev/ttyUSB0";
    QTest::newRow("replugged under another name")
        << QStringList{a, b} << 1
        << QStringList{"/dev/ttyUSB1|0403:6001|BBB|1-2", "/dev/ttyUSB2|0403:6001|AAA|1-1"}
        << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB1", QString()} << "/dev/ttyUSB2";
    QTest::newRow("unplugged: it opens nothing, the others keep their names")
        << QStringList{a, b} << 1 << QStringList{"/dev/ttyUSB1|0403:6001|BBB|1-2"}
        << QStringList{QString(), "/dev/ttyUSB1", QString()} << QString();
    QTest::newRow("an identical adapter elsewhere is not taken")
        << QStringList{"/dev/ttyUSB0|1a86:7523||1-1.4"} << 1
        << QStringList{"/dev/ttyUSB0|1a86:7523||1-1.3"}
        << QStringList{QString(), "/dev/ttyUSB0", QString()} << QString();
    QTest::newRow("serial-less adapter back at its place under a new name")
        << QStringList{"/dev/ttyUSB0|1a86:7523||1-1.4"} << 1
        << QStringList{"/dev/ttyUSB0|1a86:7523||1-1.3", "/dev/ttyUSB1|1a86:7523||1-1.4"}
        << QStringList{"/dev/ttyUSB1", "/dev/ttyUSB0", QString()} << "/dev/ttyUSB1";
}

void TstPortMap::pinned() {
    QFETCH(QStringList, before);
    QFETCH(int, n);
    QFETCH(QStringList, after);
    QFETCH(QStringList, devices);
    QFETCH(QString, located);

    Plugged system;
    *system.now = adapters(before);
    PortMap map({}, env({}), system.lister());
    QVERIFY(map.pin(n).has_value());
    const auto locate = map.locator(n);
    *system.now = adapters(after);
    // Fresh listings and a watcher's snapshot give the same mapping.
    for (bool snapshot : {false, true}) {
        if (snapshot)
            map.setListed(adapters(after));
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(map.device(k), devices[k - 1]);
    }
    QCOMPARE(locate(), located);
    // Unpinned, the names follow the list again.
    map.unpin(n);
    QCOMPARE(map.device(1), PortMap::ordered(adapters(after)).value(0));
}

void TstPortMap::label_data() {
    QTest::addColumn<QStringList>("overrides");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("label");

    QTest::newRow("adapter with description and serial")
        << QStringList{} << QStringList{"/dev/ttyUSB0|0403:6001|A50285BI|1-2|FT232R USB UART"} << 1
        << "/dev/ttyUSB0 · FT232R USB UART · A50285BI";
    QTest::newRow("no serial number")
        << QStringList{} << QStringList{"/dev/ttyUSB0|1a86:7523||1-1|USB Serial"} << 1
        << "/dev/ttyUSB0 · USB Serial";
    QTest::newRow("built-in port: the path alone")
        << QStringList{} << QStringList{"/dev/ttyS0"} << 1 << "/dev/ttyS0";
    QTest::newRow("nothing mapped") << QStringList{} << QStringList{"/dev/ttyS0"} << 2 << QString();
    QTest::newRow("a path given, described by the list")
        << QStringList{"COM3=/dev/ttyUSB0"}
        << QStringList{"/dev/ttyUSB0|0403:6001|A50285BI|1-2|FT232R USB UART"} << 3
        << "/dev/ttyUSB0 · FT232R USB UART · A50285BI";
    QTest::newRow("a path given that the list does not know")
        << QStringList{"COM1=/dev/pts/4"} << QStringList{} << 1 << "/dev/pts/4";
}

void TstPortMap::label() {
    QFETCH(QStringList, overrides);
    QFETCH(QStringList, listed);
    QFETCH(int, n);
    QFETCH(QString, label);

    const QList<ListedPort> ports = adapters(listed);
    const PortMap map(overrides, env({}), [ports] { return ports; });
    QCOMPARE(map.label(n), label);
}

void TstPortMap::usbLocation_data() {
    QTest::addColumn<QString>("sysfs");
    QTest::addColumn<QString>("location");

    QTest::newRow("adapter on a root port")
        << "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0"
        << "1-2";
    QTest::newRow("adapter behind a hub")
        << "/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4.2/3-1.4.2:1.0/ttyUSB1"
        << "3-1.4.2";
    QTest::newRow("CDC ACM device")
        << "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-11/1-11:1.0/tty/ttyACM0"
        << "1-11";
    QTest::newRow("built-in port") << "/sys/devices/platform/serial8250/tty/ttyS0" << QString();
    QTest::newRow("nothing") << QString() << QString();
}

void TstPortMap::usbLocation() {
    QFETCH(QString, sysfs);
    QFETCH(QString, location);
    QCOMPARE(PortMap::usbLocationIn(sysfs), location);
}

QTEST_GUILESS_MAIN(TstPortMap)
#include "tst_portmap.moc"
