#include "link/openfailure.h"

#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace OpenFailure {

namespace {

QString holderText(const QList<Holder> &holders) {
    QStringList parts;
    for (const Holder &h : holders)
        parts << (h.name.isEmpty() ? QStringLiteral("PID %1").arg(h.pid)
                                   : QStringLiteral("%1 (PID %2)").arg(h.name).arg(h.pid));
    return parts.join(QStringLiteral(", "));
}

QString processName(const QString &procRoot, qint64 pid) {
    QFile comm(QStringLiteral("%1/%2/comm").arg(procRoot).arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

// The PID a lock file names: ASCII digits, possibly padded (the old ten-column
// form) and followed by more lines.
std::optional<qint64> lockPid(const QString &file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qint64 pid = QString::fromLatin1(f.readLine(64)).trimmed().toLongLong(&ok);
    return ok && pid > 0 ? std::optional(pid) : std::nullopt;
}

} // namespace

QList<Holder> holdersOf(const QString &path, const QString &procRoot, const QStringList &lockDirs) {
    QList<Holder> out;
    auto add = [&out, &procRoot](qint64 pid) {
        for (const Holder &h : out)
            if (h.pid == pid)
                return;
        // Only a process that still runs holds anything.
        if (!QFileInfo::exists(QStringLiteral("%1/%2").arg(procRoot).arg(pid)))
            return;
        out.append({pid, processName(procRoot, pid)});
    };
    const QString target = QFileInfo(path).canonicalFilePath();
    QStringList names{QFileInfo(path).fileName()};
    if (!target.isEmpty() && QFileInfo(target).fileName() != names.first())
        names << QFileInfo(target).fileName();
    for (const QString &dir : lockDirs)
        for (const QString &name : names)
            if (const auto pid = lockPid(dir + QStringLiteral("/LCK..") + name))
                add(*pid);
    if (target.isEmpty())
        return out;
    // Processes whose open files include the device (only those this user may
    // look into).
    const QStringList pids =
        QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &p : pids) {
        bool ok = false;
        const qint64 pid = p.toLongLong(&ok);
        if (!ok)
            continue;
        const QDir fds(QStringLiteral("%1/%2/fd").arg(procRoot, p));
        for (const QFileInfo &fd :
             fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() == target) {
                add(pid);
                break;
            }
        }
    }
    return out;
}

Lookups Lookups::system(std::function<QStringList()> ports) {
    Lookups l;
#ifdef Q_OS_UNIX
    l.ownerGroup = [](const QString &path) -> std::optional<uint> {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return std::nullopt;
        return uint(st.st_gid);
    };
    l.mayOpen = [](const QString &path) {
        return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
    };
    l.groupName = [](uint gid) {
        const group *g = ::getgrgid(gid_t(gid));
        return g ? QString::fromLocal8Bit(g->gr_name) : QString();
    };
#else
    l.ownerGroup = [](const QString &path) -> std::optional<uint> {
        return QFileInfo::exists(path) ? std::optional<uint>(0) : std::nullopt;
    };
    l.mayOpen = [](const QString &) { return true; };
    l.groupName = [](uint) { return QString(); };
#endif
    l.holders = [](const QString &path) {
        return holdersOf(path, QStringLiteral("/proc"),
                         {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"),
                          QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                          QStringLiteral("/etc/locks"), QDir::tempPath()});
    };
    l.ports = std::move(ports);
    return l;
}

QString explain(const QString &device, Hint hint, const QString &systemText, const Lookups &sys) {
    const auto gid = sys.ownerGroup(device);
    if (!gid) {
        const QStringList ports = sys.ports ? sys.ports() : QStringList();
        return QCoreApplication::translate("OpenFailure", "%1 不存在。").arg(device) +
               (ports.isEmpty() ? QCoreApplication::translate("OpenFailure", "本机没有找到串口。")
                                : QCoreApplication::translate("OpenFailure", "现有的串口: ") +
                                      ports.join(QStringLiteral(", ")));
    }
    if (!sys.mayOpen(device)) {
        const QString group = sys.groupName(*gid);
        if (group.isEmpty())
            return QCoreApplication::translate("OpenFailure",
                                               "没有打开 %1 的权限（设备属于组 %2）。")
                .arg(device)
                .arg(*gid);
        return QCoreApplication::translate(
                   "OpenFailure", "没有打开 %1 的权限: 设备属于 %2 组。把当前用户加入该组: "
                                  "sudo usermod -aG %2 $USER，然后注销并重新登录。")
            .arg(device, group);
    }
    if (const QList<Holder> holders = sys.holders(device); !holders.isEmpty())
        return QCoreApplication::translate("OpenFailure", "%1 正被其他程序占用: %2")
            .arg(device, holderText(holders));
    // Allowed to open it, yet refused: held by a program the system does not
    // name (another user's, or one that locked it without a lock file).
    if (hint == Hint::Permission)
        return QCoreApplication::translate("OpenFailure", "%1 正被另一个程序占用。").arg(device);
    if (hint == Hint::NotFound)
        return QCoreApplication::translate("OpenFailure", "%1 无法打开（设备不可用）: %2")
            .arg(device, systemText);
    return QStringLiteral("%1: %2").arg(device, systemText);
}

} // namespace OpenFailure
