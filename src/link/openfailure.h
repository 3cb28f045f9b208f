#pragma once
// What to tell the user when a serial device does not open: the device, the
// cause as far as the system tells it, and what to do about it.
//   - no such device: the serial ports that do exist;
//   - permission denied: the group that owns the device and how to join it;
//   - in use: the program holding it (name and PID) where the system tells,
//     from the lock file or the processes' open files.
// The file-system and process lookups are injectable for tests. Qt Core only.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace OpenFailure {

// What the serial layer said went wrong, as far as it tells.
enum class Hint { NotFound, Permission, Other };

struct Holder {
    qint64 pid = 0;
    QString name;
    bool operator==(const Holder &) const = default;
};

struct Lookups {
    // The group id owning the device (links followed); nullopt when it does not exist.
    std::function<std::optional<uint>(const QString &path)> ownerGroup;
    // Whether this user may open the device for reading and writing.
    std::function<bool(const QString &path)> mayOpen;
    // The name of a group id; empty when unknown.
    std::function<QString(uint gid)> groupName;
    // The processes that hold the device open or locked.
    std::function<QList<Holder>(const QString &path)> holders;
    // The serial ports that exist.
    std::function<QStringList()> ports;

    // The running system's; `ports` lists the serial ports.
    static Lookups system(std::function<QStringList()> ports);
};

// The message for a device that did not open; `systemText` is the serial
// layer's own reason, used when nothing better is known.
QString explain(const QString &device, Hint hint, const QString &systemText, const Lookups &sys);

// The processes holding `path` according to lock files in `lockDirs` (named
// LCK..NAME, holding the PID) and the open files under `procRoot` (/proc).
QList<Holder> holdersOf(const QString &path, const QString &procRoot, const QStringList &lockDirs);

} // namespace OpenFailure
