#pragma once
// Which device each of the window's port names COM1 .. COM9 opens. On Windows
// COMn is the port COMn. Elsewhere, in order of precedence: a "COMn=PATH" given
// on the command line, the environment variable T3208_COMn, else the n-th serial
// port the system lists, USB adapters first, each group sorted by location.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct ListedPort {
    QString location; // e.g. /dev/ttyUSB0
    bool usb = false;
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
    // One line per mapped port: "COM1 → /dev/ttyUSB0".
    QString describe() const;

    static Env systemEnv();
    static Lister systemPorts();
    // The listed ports in the order COM1, COM2, ... take them.
    static QStringList ordered(QList<ListedPort> ports);

private:
    QString deviceIn(int n, const QStringList *listed) const;

    QHash<int, QString> m_overrides;
    Env m_env;
    Lister m_lister;
};
