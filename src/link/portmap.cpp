#include "link/portmap.h"

#include "link/portsettings.h"

#include <QSerialPortInfo>
#include <algorithm>

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
    return deviceIn(n, nullptr);
#endif
}

// The device of COMn; `listed` is the system's listing when already taken,
// else it is taken only if COMn has neither override nor environment entry.
QString PortMap::deviceIn(int n, const QStringList *listed) const {
    if (const auto it = m_overrides.constFind(n); it != m_overrides.cend())
        return *it;
    if (const QString env = m_env(QStringLiteral("T3208_COM%1").arg(n)); !env.isEmpty())
        return env;
    const QStringList own = listed ? QStringList() : ordered(m_lister());
    const QStringList &ports = listed ? *listed : own;
    return n >= 1 && n <= ports.size() ? ports.at(n - 1) : QString();
}

QString PortMap::describe() const {
    QStringList lines;
#ifdef Q_OS_WIN
    for (int n = 1; n <= 9; ++n)
        lines << QStringLiteral("COM%1 → COM%1").arg(n);
#else
    // Listing the system's ports is slow: take it once for all nine names.
    const QStringList listed = ordered(m_lister());
    for (int n = 1; n <= 9; ++n)
        if (const QString d = deviceIn(n, &listed); !d.isEmpty())
            lines << QStringLiteral("COM%1 → %2").arg(n).arg(d);
#endif
    return lines.join(u'\n');
}

PortMap::Env PortMap::systemEnv() {
    return [](const QString &name) { return qEnvironmentVariable(name.toLatin1().constData()); };
}

PortMap::Lister PortMap::systemPorts() {
    return [] {
        QList<ListedPort> ports;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
            const QString loc = info.systemLocation();
            const bool usb = info.hasVendorIdentifier() || loc.contains(QLatin1String("ttyUSB")) ||
                             loc.contains(QLatin1String("ttyACM"));
            ports.append({loc, usb});
        }
        return ports;
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
    std::stable_sort(ports.begin(), ports.end(), [](const ListedPort &a, const ListedPort &b) {
        if (a.usb != b.usb)
            return a.usb;
        return naturalLess(a.location, b.location);
    });
    QStringList out;
    for (const ListedPort &p : ports)
        out << p.location;
    return out;
}
