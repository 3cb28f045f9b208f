#include "link/portmap.h"

#include "link/portsettings.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <dirent.h>
#endif

PortMap::PortMap(const QStringList &overrides, Env env, Lister lister)
    : m_env(std::move(env)), m_lister(std::move(lister)) {
    for (const QString &o : overrides) {
        const qsizetype eq = o.indexOf(u'=');
        if (eq <= 0 || eq == o.size() - 1)
            continue;
        if (const auto n = PortSettings::portNumber(o.left(eq)))
            m_overrides.insert(*n, o.mid(eq + 1));
    }
}

QStringList PortMap::malformed(const QStringList &overrides) {
    QStringList bad;
    for (const QString &o : overrides) {
        const qsizetype eq = o.indexOf(u'=');
        if (eq <= 0 || eq == o.size() - 1 || !PortSettings::portNumber(o.left(eq)))
            bad << o;
    }
    return bad;
}

QString PortMap::device(int n) const {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    if (QString fixed = fixedDevice(n); !fixed.isEmpty())
        return fixed;
    const auto port = listedIn(n, orderedPorts(listed()));
    return port ? port->location : QString();
#endif
}

// The device of COMn given on the command line or in the environment.
QString PortMap::fixedDevice(int n) const {
    if (const auto it = m_overrides.constFind(n); it != m_overrides.cend())
        return *it;
    return m_env(QStringLiteral("T3208_COM%1").arg(n));
}

std::optional<ListedPort> PortMap::listedIn(int n, const QList<ListedPort> &ports) const {
    if (n < 1 || n > 9)
        return std::nullopt;
    if (const auto pin = m_pins.constFind(n); pin != m_pins.cend()) {
        // Unplugged, it opens nothing; no other adapter takes its name.
        return find(ports, *pin);
    }
    // The other ports take the names no adapter is pinned to, in order.
    qsizetype index = 0;
    for (int k = 1; k < n; ++k)
        index += m_pins.contains(k) ? 0 : 1;
    for (const ListedPort &p : ports) {
        const bool pinned = std::any_of(m_pins.cbegin(), m_pins.cend(),
                                        [&p](const ListedPort &pin) { return pin.sameAdapter(p); });
        if (pinned)
            continue;
        if (index-- == 0)
            return p;
    }
    return std::nullopt;
}

std::optional<ListedPort> PortMap::listedPort(int n) const {
#ifdef Q_OS_WIN
    Q_UNUSED(n);
    return std::nullopt;
#else
    if (!fixedDevice(n).isEmpty())
        return std::nullopt;
    return listedIn(n, orderedPorts(listed()));
#endif
}

QString PortMap::label(int n) const {
    const QList<ListedPort> ports = listed();
    if (const QString fixed = device(n); !fixed.isEmpty() && !fixedDevice(n).isEmpty()) {
        // A path given by the user: described when the system lists it (a
        // by-id link names the same device as its target).
        const QString target = QFileInfo(fixed).canonicalFilePath();
        for (const ListedPort &p : ports)
            if (p.location == fixed || (!target.isEmpty() && p.location == target)) {
                ListedPort shown = p;
                shown.location = fixed;
                return shown.label();
            }
        return fixed;
    }
    const auto port = listedIn(n, orderedPorts(ports));
    return port ? port->label() : QString();
}

QString PortMap::describe() const {
    QStringList lines;
#ifdef Q_OS_WIN
    for (int n = 1; n <= 9; ++n)
        lines << QStringLiteral("COM%1 → COM%1").arg(n);
#else
    // Listing the system's ports is slow: take it once for all nine names.
    const QList<ListedPort> ports = orderedPorts(listed());
    for (int n = 1; n <= 9; ++n) {
        QString d = fixedDevice(n);
        if (d.isEmpty())
            if (const auto port = listedIn(n, ports))
                d = port->location;
        if (!d.isEmpty())
            lines << QStringLiteral("COM%1 → %2").arg(n).arg(d);
    }
#endif
    return lines.join(u'\n');
}

QList<ListedPort> PortMap::listed() const {
    return m_snapshot ? *m_snapshot : m_lister();
}

void PortMap::setListed(const QList<ListedPort> &ports) {
    m_snapshot = ports;
}

std::optional<ListedPort> PortMap::pin(int n) {
    m_pins.remove(n);
    const auto port = listedPort(n);
    if (port)
        m_pins.insert(n, *port);
    return port;
}

void PortMap::unpin(int n) {
    m_pins.remove(n);
}

std::function<QString()> PortMap::locator(int n) const {
    if (const auto pin = m_pins.constFind(n); pin != m_pins.cend() && fixedDevice(n).isEmpty())
        return [lister = m_lister, adapter = *pin] {
            const auto now = find(lister(), adapter);
            return now ? now->location : QString();
        };
    return [path = device(n)] { return QFileInfo::exists(path) ? path : QString(); };
}

int PortMap::locatorIntervalMs(int n) const {
    return m_pins.contains(n) && fixedDevice(n).isEmpty() ? 250 : 50;
}

std::optional<ListedPort> PortMap::find(const QList<ListedPort> &ports, const ListedPort &adapter) {
    for (const ListedPort &p : ports)
        if (adapter.sameAdapter(p))
            return p;
    return std::nullopt;
}

QString PortMap::usbLocationIn(const QString &sysfsPath) {
    // The USB device's own directory is named BUS-PORT[.PORT...]; its
    // interfaces below it add ":CONFIG.INTERFACE".
    static const QRegularExpression usbDevice(QStringLiteral("^\\d+-\\d+(\\.\\d+)*$"));
    QString found;
    for (const QString &part : sysfsPath.split(u'/', Qt::SkipEmptyParts))
        if (usbDevice.match(part).hasMatch())
            found = part;
    return found;
}

bool ListedPort::sameAdapter(const ListedPort &other) const {
    if (!hasIds)
        return !other.hasIds && other.location == location;
    if (!other.hasIds || other.vendorId != vendorId || other.productId != productId)
        return false;
    if (!serial.isEmpty())
        return other.serial == serial;
    if (!usbLocation.isEmpty())
        return other.serial.isEmpty() && other.usbLocation == usbLocation;
    return other.location == location;
}

QString ListedPort::label() const {
    QStringList parts{location};
    if (!description.isEmpty())
        parts << description;
    if (!serial.isEmpty())
        parts << serial;
    return parts.join(QStringLiteral(" · "));
}

PortMap::Env PortMap::systemEnv() {
    return [](const QString &name) { return qEnvironmentVariable(name.toLatin1().constData()); };
}

namespace {

// Listing the system's ports through the serial port module costs tens of
// milliseconds of CPU here (it walks the whole device database). A tty
// appearing or going shows as an entry of /sys/class/tty with a new inode, so
// the entries' names and inodes, cheap to read, say whether the last listing
// still holds.
QByteArray ttySignature() {
    QByteArray sig;
#ifdef Q_OS_LINUX
    DIR *dir = ::opendir("/sys/class/tty");
    if (!dir)
        return sig;
    while (const dirent *e = ::readdir(dir)) {
        sig += e->d_name;
        sig += ':';
        sig += QByteArray::number(quint64(e->d_ino));
        sig += '\n';
    }
    ::closedir(dir);
#endif
    return sig;
}

QList<ListedPort> listSystemPorts() {
    QList<ListedPort> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString loc = info.systemLocation();
        ListedPort p;
        p.location = loc;
        p.usb = info.hasVendorIdentifier() || loc.contains(QLatin1String("ttyUSB")) ||
                loc.contains(QLatin1String("ttyACM"));
        p.hasIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        p.vendorId = info.vendorIdentifier();
        p.productId = info.productIdentifier();
        p.serial = info.serialNumber();
        p.description = info.description();
        // The adapter's place on the bus, from sysfs; reading the link opens
        // nothing.
        p.usbLocation =
            PortMap::usbLocationIn(QFileInfo(QStringLiteral("/sys/class/tty/") + info.portName() +
                                             QStringLiteral("/device"))
                                       .canonicalFilePath());
        ports.append(p);
    }
    return ports;
}

} // namespace

PortMap::Lister PortMap::systemPorts() {
    return [] {
        static QMutex lock;
        static QByteArray lastSignature;
        static QList<ListedPort> last;
        static QElapsedTimer changed;
        const QByteArray sig = ttySignature();
        QMutexLocker locker(&lock);
        // For a few seconds after a change the system may still be filling
        // in an adapter's details (serial number, group): listed afresh.
        if (sig.isEmpty() || sig != lastSignature || !changed.isValid() ||
            changed.elapsed() < 3000) {
            if (sig != lastSignature || !changed.isValid())
                changed.start();
            last = listSystemPorts();
            lastSignature = sig;
        }
        return last;
    };
}

namespace {
// Natural order of device paths: /dev/ttyS2 before /dev/ttyS10.
bool naturalLess(const QString &a, const QString &b) {
    auto split = [](const QString &s) {
        qsizetype i = s.size();
        while (i > 0 && s.at(i - 1).isDigit())
            --i;
        return std::pair{s.left(i), s.mid(i).toULongLong()};
    };
    const auto [pa, na] = split(a);
    const auto [pb, nb] = split(b);
    if (pa != pb)
        return pa < pb;
    if (na != nb)
        return na < nb;
    return a < b;
}
} // namespace

QStringList PortMap::ordered(QList<ListedPort> ports) {
    QStringList out;
    for (const ListedPort &p : orderedPorts(std::move(ports)))
        out << p.location;
    return out;
}

QList<ListedPort> PortMap::orderedPorts(QList<ListedPort> ports) {
    std::stable_sort(ports.begin(), ports.end(), [](const ListedPort &a, const ListedPort &b) {
        if (a.usb != b.usb)
            return a.usb;
        return naturalLess(a.location, b.location);
    });
    return ports;
}
