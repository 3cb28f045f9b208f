#pragma once
// Which device each of the window's port names COM1 .. COM9 opens. On Windows
// COMn is the port COMn. Elsewhere, in order of precedence: a "COMn=PATH" given
// on the command line, the environment variable T3208_COMn, else the n-th serial
// port the system lists, USB adapters first, each group sorted by location.
//
// A port name that is open keeps its adapter (pin()): it is found again by its
// identity (vendor, product, serial number, else USB location) whatever device
// name the system gives it now, and the other listed ports take the remaining
// names in order.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct ListedPort {
    QString location; // e.g. /dev/ttyUSB0
    bool usb = false;
    // What the system tells of a USB adapter; empty or unset where it does not.
    bool hasIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serial;
    QString usbLocation; // the adapter's place on the bus, e.g. "1-2.3"
    QString description; // e.g. "FT232R USB UART"

    bool operator==(const ListedPort &) const = default;
    // Whether `other` is the same adapter as this one: same ids and serial
    // number; without a serial number, the same ids at the same USB location;
    // a port without ids is the same only at the same device path.
    bool sameAdapter(const ListedPort &other) const;
    // "/dev/ttyUSB0 · FT232R USB UART · A50285BI", leaving out what is unknown.
    QString label() const;
};

class PortMap {
public:
    using Lister = std::function<QList<ListedPort>()>;
    using Env = std::function<QString(const QString &name)>;

    // `overrides` are "COMn=PATH" texts; a malformed one is reported by
    // parseOverrides, not here.
    PortMap(const QStringList &overrides = {}, Env env = systemEnv(),
            Lister lister = systemPorts());

    // Checks "COMn=PATH" texts: the malformed ones, for the command line's error.
    static QStringList malformed(const QStringList &overrides);

    // The device that COMn opens; empty when nothing is mapped to it.
    QString device(int n) const;
    // The listed port COMn opens, when it comes from the system's list.
    std::optional<ListedPort> listedPort(int n) const;
    // What the window shows beside the port box: the device with its
    // description and serial number where known; empty when nothing is mapped.
    QString label(int n) const;
    // One line per mapped port: "COM1 → /dev/ttyUSB0".
    QString describe() const;

    // The ports listed: the last snapshot given to setListed(), else the
    // system's list taken now (slow).
    QList<ListedPort> listed() const;
    // Keeps a snapshot of the system's list (from a watcher); later lookups use it.
    void setListed(const QList<ListedPort> &ports);
    const Lister &lister() const { return m_lister; }

    // COMn keeps the adapter it opens now while it is pinned. Returns the
    // adapter pinned (nullopt when COMn does not come from the list).
    std::optional<ListedPort> pin(int n);
    void unpin(int n);

    // Where the device COMn opens is now, for waiting on it after a loss:
    // for a pinned adapter its device name in a fresh listing, else the path
    // when it exists; empty while it is missing. Safe to call on any thread.
    std::function<QString()> locator(int n) const;
    // How often a locator is worth asking: a path is cheap to look at, a
    // listing is not.
    int locatorIntervalMs(int n) const;

    static Env systemEnv();
    static Lister systemPorts();
    // The listed ports in the order COM1, COM2, ... take them.
    static QStringList ordered(QList<ListedPort> ports);
    static QList<ListedPort> orderedPorts(QList<ListedPort> ports);
    // The first of `ports` that is the same adapter as `adapter`.
    static std::optional<ListedPort> find(const QList<ListedPort> &ports,
                                          const ListedPort &adapter);
    // The USB location ("1-2.3") in a resolved sysfs path of a tty, e.g.
    // /sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.3/1-2.3:1.0/ttyUSB0/tty/ttyUSB0;
    // empty when the path holds none.
    static QString usbLocationIn(const QString &sysfsPath);

private:
    // The listed port of COMn (nullopt for an override, environment entry or
    // nothing); `ports` is the system's list in COMn order.
    std::optional<ListedPort> listedIn(int n, const QList<ListedPort> &ports) const;
    QString fixedDevice(int n) const;

    QHash<int, QString> m_overrides;
    Env m_env;
    Lister m_lister;
    std::optional<QList<ListedPort>> m_snapshot;
    QHash<int, ListedPort> m_pins;
};
