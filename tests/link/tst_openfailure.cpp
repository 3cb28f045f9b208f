// What a failed open tells the user: the device, the cause and what to do.
// The causes through stand-in lookups, the process lookup against a made-up
// /proc and lock directory, and the real thing: a missing device, a device in
// use by this very process, and a device opened by a user outside its group.
#include "link/openfailure.h"
#include "link/seriallink.h"
#include "support/pty.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using OpenFailure::Hint;
using OpenFailure::Holder;

namespace {

// A system that says: `exists`, owned by group 20 named `group`, `allowed`
// for this user, held by `holders`, with these ports.
OpenFailure::Lookups fake(bool exists, const QString &group, bool allowed,
                          const QList<Holder> &holders, const QStringList &ports) {
    OpenFailure::Lookups l;
    l.ownerGroup = [exists](const QString &) {
        return exists ? std::optional<uint>(20) : std::nullopt;
    };
    l.mayOpen = [allowed](const QString &) { return allowed; };
    l.groupName = [group](uint gid) { return gid == 20 ? group : QString(); };
    l.holders = [holders](const QString &) { return holders; };
    l.ports = [ports] { return ports; };
    return l;
}

PortSettings::Line line9600() {
    PortSettings::Line line;
    line.baud = 9600;
    return line;
}

} // namespace

class TstOpenFailure : public QObject {
    Q_OBJECT
private slots:
    void explain_data();
    void explain();
    void holders_data();
    void holders();
    void realFailures_data();
    void realFailures();
    void outsideTheGroup_data();
    void outsideTheGroup();

private:
    QTemporaryDir m_dir;
};

void TstOpenFailure::explain_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("group");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QList<Holder>>("holders");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<int>("hint");
    QTest::addColumn<QString>("text");

    const QString dev = "/dev/ttyUSB0";
    const QList<Holder> none;
    QTest::newRow("missing: the ports that exist")
        << false << "dialout" << true << none << QStringList{"/dev/ttyUSB1", "/dev/ttyS0"}
        << int(Hint::NotFound) << "/dev/ttyUSB0 不存在。现有的串口: /dev/ttyUSB1, /dev/ttyS0";
    QTest::newRow("missing, no port at all")
        << false << "dialout" << true << none << QStringList{} << int(Hint::Other)
        << "/dev/ttyUSB0 不存在。本机没有找到串口。";
    QTest::newRow("permission: the group and the fix")
        << true << "dialout" << false << none << QStringList{dev} << int(Hint::Permission)
        << "没有打开 /dev/ttyUSB0 的权限: 设备属于 dialout 组。把当前用户加入该组: sudo "
           "usermod -aG dialout $USER，然后注销并重新登录。";
    QTest::newRow("permission, another group name")
        << true << "uucp" << false << none << QStringList{dev} << int(Hint::Permission)
        << "没有打开 /dev/ttyUSB0 的权限: 设备属于 uucp 组。把当前用户加入该组: sudo "
           "usermod -aG uucp $USER，然后注销并重新登录。";
    QTest::newRow("permission, group without a name")
        << true << QString() << false << none << QStringList{dev} << int(Hint::Permission)
        << "没有打开 /dev/ttyUSB0 的权限（设备属于组 20）。";
    QTest::newRow("in use by a named process")
        << true << "dialout" << true << QList<Holder>{{4242, "minicom"}} << QStringList{dev}
        << int(Hint::Permission) << "/dev/ttyUSB0 正被其他程序占用: minicom (PID 4242)";
    QTest::newRow("in use by two, one without a name")
        << true << "dialout" << true << QList<Holder>{{7, "screen"}, {9, QString()}}
        << QStringList{dev} << int(Hint::Other)
        << "/dev/ttyUSB0 正被其他程序占用: screen (PID 7), PID 9";
    QTest::newRow("refused although allowed, nobody named: another program")
        << true << "dialout" << true << none << QStringList{dev} << int(Hint::Permission)
        << "/dev/ttyUSB0 正被另一个程序占用。";
    QTest::newRow("permission outranks a holder")
        << true << "dialout" << false << QList<Holder>{{1, "init"}} << QStringList{dev}
        << int(Hint::Permission)
        << "没有打开 /dev/ttyUSB0 的权限: 设备属于 dialout 组。把当前用户加入该组: sudo "
           "usermod -aG dialout $USER，然后注销并重新登录。";
    QTest::newRow("anything else: the system's reason")
        << true << "dialout" << true << none << QStringList{dev} << int(Hint::Other)
        << "/dev/ttyUSB0: Inappropriate ioctl for device";
}

void TstOpenFailure::explain() {
    QFETCH(bool, exists);
    QFETCH(QString, group);
    QFETCH(bool, allowed);
    QFETCH(QList<Holder>, holders);
    QFETCH(QStringList, ports);
    QFETCH(int, hint);
    QFETCH(QString, text);

    QCOMPARE(OpenFailure::explain("/dev/ttyUSB0", Hint(hint), "Inappropriate ioctl for device",
                                  fake(exists, group, allowed, holders, ports)),
             text);
}

void TstOpenFailure::holders_data() {
    QTest::addColumn<QStringList>("procs"); // "PID:NAME:FD->TARGET" (TARGET: dev, other, -)
    QTest::addColumn<QStringList>("locks"); // "FILE:CONTENT"
    QTest::addColumn<QList<Holder>>("holders");

    QTest::newRow("a process with the device open")
        << QStringList{"100:minicom:3->dev", "200:bash:0->other"} << QStringList{}
        << QList<Holder>{{100, "minicom"}};
    QTest::newRow("the lock file names the PID")
        << QStringList{"300:screen:-"} << QStringList{"LCK..ttyT0:300\nscreen\nhost\n"}
        << QList<Holder>{{300, "screen"}};
    QTest::newRow("old padded lock format")
        << QStringList{"42:cu:-"} << QStringList{"LCK..ttyT0:        42\n"}
        << QList<Holder>{{42, "cu"}};
    QTest::newRow("a stale lock of a process gone is no holder")
        << QStringList{} << QStringList{"LCK..ttyT0:999\n"} << QList<Holder>{};
    QTest::newRow("lock and open file of the same process: once")
        << QStringList{"77:picocom:5->dev"} << QStringList{"LCK..ttyT0:77\n"}
        << QList<Holder>{{77, "picocom"}};
    QTest::newRow("a lock file of another device does not count")
        << QStringList{"55:x:-"} << QStringList{"LCK..ttyT1:55\n"} << QList<Holder>{};
    QTest::newRow("garbage in the lock file")
        << QStringList{"5:y:-"} << QStringList{"LCK..ttyT0:abc\n"} << QList<Holder>{};
    QTest::newRow("nobody") << QStringList{"1:init:0->other"} << QStringList{} << QList<Holder>{};
}

void TstOpenFailure::holders() {
    QFETCH(QStringList, procs);
    QFETCH(QStringList, locks);
    QFETCH(QList<Holder>, holders);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir dir(root.path());
    QVERIFY(dir.mkpath("proc") && dir.mkpath("lock"));
    const QString device = root.filePath("ttyT0");
    const QString other = root.filePath("ttyT1");
    for (const QString &f : {device, other}) {
        QFile file(f);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    for (const QString &p : procs) {
        const QStringList parts = p.split(u':');
        const QString pdir = "proc/" + parts[0];
        QVERIFY(dir.mkpath(pdir + "/fd"));
        QFile comm(root.filePath(pdir + "/comm"));
        QVERIFY(comm.open(QIODevice::WriteOnly));
        comm.write(parts[1].toUtf8() + "\n");
        if (parts[2] != "-") {
            const QStringList fd = parts[2].split("->");
            QVERIFY(
                QFile::link(fd[1] == "dev" ? device : other, root.filePath(pdir + "/fd/" + fd[0])));
        }
    }
    for (const QString &l : locks) {
        QFile lock(root.filePath("lock/" + l.section(u':', 0, 0)));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(l.section(u':', 1).toUtf8());
    }
    // Named by a link, as /dev/serial/by-id names its device.
    const QString byId = root.filePath("by-id-link");
    QVERIFY(QFile::link(device, byId));
    for (const QString &path : {device, byId})
        QCOMPARE(OpenFailure::holdersOf(path, root.filePath("proc"), {root.filePath("lock")}),
                 holders);
}

void TstOpenFailure::realFailures_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("expected"); // a part of the message, %1 the device

    QTest::newRow("missing") << "missing"
                             << "%1 不存在。";
    QTest::newRow("missing in a missing folder") << "missing-dir"
                                                 << "%1 不存在。";
    QTest::newRow("in use by this process") << "in-use"
                                            << "%1 正被其他程序占用: ";
}

void TstOpenFailure::realFailures() {
    QFETCH(QString, what);
    QFETCH(QString, expected);

    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.error()));
    PortLink holder;
    QString device = pty.slavePath();
    QString error;
    if (what == "missing")
        device = "/dev/t3208-no-such-tty";
    else if (what == "missing-dir")
        device = "/nonexistent/t3208/ttyUSB0";
    else
        QVERIFY2(holder.open(device, line9600(), &error), qPrintable(error));
    PortLink link;
    QVERIFY(!link.open(device, line9600(), &error));
    QVERIFY2(error.startsWith(expected.arg(device)), qPrintable(error));
    if (what == "in-use") {
        // This test's own process, by name and PID.
        const QString me = QStringLiteral("(PID %1)").arg(::getpid());
        QVERIFY2(error.contains(me), qPrintable(error));
    }
}

void TstOpenFailure::outsideTheGroup_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("pseudo-terminal owned by dialout") << "pty";
    QTest::newRow("plain file owned by dialout") << "file";
}

// A real run as a user outside the device's group: this test program, started
// again as nobody, opens the device and prints what it was told.
void TstOpenFailure::outsideTheGroup() {
    QFETCH(QString, kind);
    if (::geteuid() != 0)
        QSKIP("needs root to start a process as another user");
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (setpriv.isEmpty())
        QSKIP("setpriv is not installed");
    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.error()));
    QString device = pty.slavePath();
    if (kind == "file") {
        QTemporaryDir dir(QDir::tempPath() + "/t3208-perm-XXXXXX");
        dir.setAutoRemove(false);
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        device = dir.filePath("ttyFAKE0");
        QFile f(device);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QByteArray path = QFile::encodeName(device);
    QVERIFY(::chown(path.constData(), 0, 20) == 0); // group dialout (20)
    QVERIFY(::chmod(path.constData(), 0660) == 0);
    const QString group = OpenFailure::Lookups::system({}).groupName(20);
    QVERIFY(!group.isEmpty());

    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("T3208_OPEN_PROBE", device);
    probe.setProcessEnvironment(env);
    probe.start(setpriv, {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                          QCoreApplication::applicationFilePath()});
    QVERIFY(probe.waitForFinished(10000));
    const QString out = QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
    const QString err = QString::fromUtf8(probe.readAllStandardError());
    if (probe.exitCode() == 126 || probe.exitCode() == 127) // setpriv could not start it
        QSKIP(qPrintable("the sandbox does not let nobody run this program: " + err));
    QCOMPARE(probe.exitCode(), 1);
    QCOMPARE(out, QStringLiteral("没有打开 %1 的权限: 设备属于 %2 组。把当前用户加入该组: "
                                 "sudo usermod -aG %2 $USER，然后注销并重新登录。")
                      .arg(device, group));
    if (kind == "file")
        QDir(QFileInfo(device).path()).removeRecursively();
}

int main(int argc, char *argv[]) {
    // Probe mode: open the device named and print the failure (exit 1), or
    // exit 0 when it opened.
    if (const QByteArray probe = qgetenv("T3208_OPEN_PROBE"); !probe.isEmpty()) {
        QCoreApplication app(argc, argv);
        PortLink link;
        QString error;
        if (link.open(QFile::decodeName(probe), line9600(), &error))
            return 0;
        std::printf("%s\n", error.toUtf8().constData());
        return 1;
    }
    QCoreApplication app(argc, argv);
    TstOpenFailure t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_openfailure.moc"
