// The Debian package as a user gets it: built with CPack from this build tree,
// its file list and control fields, installed with dpkg into a throw-away root
// (never this machine's), its programs started from there, its desktop entry,
// metainfo and manual pages validated, lintian, and removal.
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString AppId = QStringLiteral("io.github.t3208tool.t3208tool");
constexpr bool HaveCtl = T3208_HAVE_CTL;

struct Run {
    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = {},
        const QByteArray &input = {}, int timeoutMs = 120000) {
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(10000)) {
        r.err = p.errorString();
        return r;
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString tool(const char *name) {
    return QStandardPaths::findExecutable(QLatin1String(name));
}

// A rendered manual page as plain text (no overstrike, no hyphenation marks).
QString plain(QString text) {
    static const QRegularExpression overstrike(QStringLiteral(".\\x08"));
    text.remove(overstrike);
    text.replace(QChar(0x2010), u'-').replace(QChar(0x2212), u'-');
    return text;
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_deb;
    QString m_arch;
    QString m_root;
    QMap<QString, QString> m_modes; // path in the package -> "drwxr-xr-x root/root"

    QString installed(const QString &path) const { return m_root + path; }

    // What the programs from the throw-away root run with: only the system's
    // libraries, a display-less platform, a settings folder of their own.
    QProcessEnvironment programEnv() const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), m_root + QStringLiteral("/usr/bin:/usr/bin:/bin"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_tmp.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_tmp.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("HOME"), m_tmp.path());
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        return env;
    }

    QStringList dpkgRoot() const {
        return {QStringLiteral("--root=") + m_root, QStringLiteral("--force-depends"),
                QStringLiteral("--force-script-chrootless"), QStringLiteral("--force-not-root"),
                QStringLiteral("--log=") + m_tmp.filePath(QStringLiteral("dpkg.log"))};
    }

private slots:
    void initTestCase() {
        for (const char *name : {"dpkg", "dpkg-deb", "dpkg-shlibdeps", "fakeroot"})
            if (tool(name).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(name))));
        QVERIFY(m_tmp.isValid());
        QVERIFY(QDir().mkpath(m_tmp.filePath(QStringLiteral("runtime"))));
        QFile::setPermissions(m_tmp.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const Run arch = run(tool("dpkg"), {QStringLiteral("--print-architecture")});
        QCOMPARE(arch.exitCode, 0);
        m_arch = arch.out.trimmed();

        // The package, as scripts/package.sh makes it, out of this build tree.
        const QString out = m_tmp.filePath(QStringLiteral("out"));
        const Run cpack =
            run(QStringLiteral(T3208_CPACK),
                {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out,
                 QStringLiteral("--config"), QStringLiteral(T3208_BUILD_DIR "/CPackConfig.cmake")},
                {}, {}, 300000);
        QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.out + cpack.err));
        const QStringList debs =
            QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files, QDir::Name);
        QCOMPARE(debs.size(), 1);
        m_deb = QDir(out).filePath(debs.first());

        const Run list = run(tool("dpkg-deb"), {QStringLiteral("--contents"), m_deb});
        QCOMPARE(list.exitCode, 0);
        // "-rwxr-xr-x root/root 214272 2026-12-10 01:44 ./usr/bin/t3208-sim"
        static const QRegularExpression line(
            QStringLiteral("^(\\S+)\\s+(\\S+)\\s+\\d+\\s+\\S+\\s+\\S+\\s+\\.(/\\S*?)/?$"));
        for (const QString &l : list.out.split(u'\n', Qt::SkipEmptyParts)) {
            const auto m = line.match(l);
            QVERIFY2(m.hasMatch(), qPrintable(l));
            if (m.captured(3) != QLatin1String("/"))
                m_modes.insert(m.captured(3), m.captured(1) + u' ' + m.captured(2));
        }

        // A throw-away root with an empty package database.
        m_root = m_tmp.filePath(QStringLiteral("root"));
        for (const char *dir : {"var/lib/dpkg/info", "var/lib/dpkg/updates"})
            QVERIFY(QDir(m_root).mkpath(QLatin1String(dir)));
        QFile status(m_root + QStringLiteral("/var/lib/dpkg/status"));
        QVERIFY(status.open(QIODevice::WriteOnly));
        status.close();
    }

    void fileName() {
        QCOMPARE(QFileInfo(m_deb).fileName(),
                 QStringLiteral("t3208tool_%1_%2.deb").arg(QStringLiteral(T3208_VERSION), m_arch));
    }

    void contents_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("needsCtl");
        const QString exe = QStringLiteral("-rwxr-xr-x root/root");
        const QString file = QStringLiteral("-rw-r--r-- root/root");
        QTest::newRow("window") << "/usr/bin/t3208tool" << exe << false;
        QTest::newRow("simulator") << "/usr/bin/t3208-sim" << exe << false;
        QTest::newRow("command line") << "/usr/bin/t3208ctl" << exe << true;
        QTest::newRow("desktop entry")
            << "/usr/share/applications/" + AppId + ".desktop" << file << false;
        QTest::newRow("metainfo") << "/usr/share/metainfo/" + AppId + ".metainfo.xml" << file
                                  << false;
        QTest::newRow("scalable icon")
            << "/usr/share/icons/hicolor/scalable/apps/" + AppId + ".svg" << file << false;
        QTest::newRow("48 px icon")
            << "/usr/share/icons/hicolor/48x48/apps/" + AppId + ".png" << file << false;
        QTest::newRow("256 px icon")
            << "/usr/share/icons/hicolor/256x256/apps/" + AppId + ".png" << file << false;
        QTest::newRow("window's page") << "/usr/share/man/man1/t3208tool.1.gz" << file << false;
        QTest::newRow("simulator's page") << "/usr/share/man/man1/t3208-sim.1.gz" << file << false;
        QTest::newRow("command line's page") << "/usr/share/man/man1/t3208ctl.1.gz" << file << true;
        QTest::newRow("copyright") << "/usr/share/doc/t3208tool/copyright" << file << false;
        QTest::newRow("changelog") << "/usr/share/doc/t3208tool/changelog.gz" << file << false;
        QTest::newRow("binaries' folder") << "/usr/bin"
                                          << "drwxr-xr-x root/root" << false;
    }
    void contents() {
        QFETCH(QString, path);
        QFETCH(QString, mode);
        QFETCH(bool, needsCtl);
        if (needsCtl && !HaveCtl)
            QSKIP("t3208ctl is not built in this tree");
        QVERIFY2(m_modes.contains(path),
                 qPrintable(path + QStringLiteral(" is not in the package")));
        QCOMPARE(m_modes.value(path), mode);
    }

    // Everything under /usr, owned by root, nothing writable by others, no
    // leftovers of the build.
    void nothingStray() {
        QVERIFY(!m_modes.isEmpty());
        for (auto it = m_modes.cbegin(); it != m_modes.cend(); ++it) {
            const QString &path = it.key();
            const QString &mode = it.value();
            QVERIFY2(path == QLatin1String("/usr") || path.startsWith(QLatin1String("/usr/")),
                     qPrintable(path));
            QVERIFY2(!path.startsWith(QLatin1String("/usr/local")), qPrintable(path));
            QVERIFY2(mode.endsWith(QLatin1String(" root/root")), qPrintable(path + u' ' + mode));
            QVERIFY2(mode[5] != u'w' && mode[8] != u'w', qPrintable(path + u' ' + mode));
            QVERIFY2(!path.contains(QLatin1String("_CPack")) && !path.endsWith(QLatin1String(".a")),
                     qPrintable(path));
        }
    }

    void controlFields_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("Package") << "Package"
                                 << "^t3208tool$";
        QTest::newRow("Version") << "Version"
                                 << "^" + QRegularExpression::escape(T3208_VERSION) + "$";
        QTest::newRow("Architecture") << "Architecture"
                                      << "^" + m_arch + "$";
        QTest::newRow("Section") << "Section"
                                 << "^electronics$";
        QTest::newRow("Priority") << "Priority"
                                  << "^optional$";
        QTest::newRow("Maintainer") << "Maintainer"
                                    << "^[^<>]+ <[^@<>]+@[^@<>]+>$";
        // A one-line synopsis, then a long description that does not repeat it.
        QTest::newRow("Description") << "Description"
                                     << "^[a-z][^\\n]{10,78}\\n( [^\\n]+\\n)+ [^\\n]+$";
        QTest::newRow("Depends: C++ runtime") << "Depends"
                                              << "(^|, )libstdc\\+\\+6 \\(>= ";
        QTest::newRow("Depends: Qt Core") << "Depends"
                                          << "(^|, )libqt6core6 \\(>= ";
        QTest::newRow("Depends: Qt Widgets") << "Depends"
                                             << "(^|, )libqt6widgets6 \\(>= ";
        QTest::newRow("Depends: Qt Serial Port") << "Depends"
                                                 << "(^|, )libqt6serialport6 \\(>= ";
        QTest::newRow("Recommends: a CJK face") << "Recommends"
                                                << "fonts-wqy-microhei";
        QTest::newRow("Installed-Size") << "Installed-Size"
                                        << "^[1-9][0-9]*$";
    }
    void controlFields() {
        QFETCH(QString, field);
        QFETCH(QString, pattern);
        const Run r = run(tool("dpkg-deb"), {QStringLiteral("--field"), m_deb, field});
        QCOMPARE(r.exitCode, 0);
        QString value = r.out;
        value.chop(value.endsWith(u'\n') ? 1 : 0);
        QVERIFY2(QRegularExpression(pattern).match(value).hasMatch(),
                 qPrintable(field + QStringLiteral(": ") + value));
        if (field == QLatin1String("Description")) {
            const QStringList lines = value.split(u'\n');
            QVERIFY2(lines.value(1).trimmed() != lines.value(0).trimmed(),
                     "the long description repeats the synopsis");
        }
    }

    void installIntoThrowAwayRoot() {
        const Run r = run(tool("dpkg"), dpkgRoot() << QStringLiteral("--install") << m_deb);
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        const Run s = run(tool("dpkg-query"),
                          {QStringLiteral("--admindir=") + m_root + QStringLiteral("/var/lib/dpkg"),
                           QStringLiteral("-W"), QStringLiteral("-f=${Status}"),
                           QStringLiteral("t3208tool")});
        QCOMPARE(s.out, QStringLiteral("install ok installed"));
        for (auto it = m_modes.cbegin(); it != m_modes.cend(); ++it)
            QVERIFY2(QFileInfo::exists(installed(it.key())), qPrintable(it.key()));
    }

    // The programs start from the throw-away root with the system's libraries.
    void programsRun_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expect"); // pattern over standard output
        QTest::addColumn<bool>("needsCtl");
        const QString version = QRegularExpression::escape(T3208_VERSION);
        QTest::newRow("t3208tool --version") << "t3208tool" << QStringList{"--version"}
                                             << QByteArray() << "^t3208tool " + version << false;
        QTest::newRow("t3208-sim --version") << "t3208-sim" << QStringList{"--version"}
                                             << QByteArray() << "^t3208-sim " + version << false;
        QTest::newRow("t3208ctl --version")
            << "t3208ctl" << QStringList{"--version"} << QByteArray() << version << true;
        // The simulator serves a terminal and answers on standard input.
        QTest::newRow("t3208-sim serves")
            << "t3208-sim" << QStringList{"--address", "5"} << QByteArray("status\nquit\n")
            << "serving on /dev/\\S+\\naddress 05, absolute 0" << false;
        // The window shows (on the display-less platform) and closes.
        QTest::newRow("t3208tool shows its window")
            << "t3208tool" << QStringList{"--simulate"} << QByteArray() << "^shown$" << false;
        QTest::newRow("t3208ctl asks the simulated controller")
            << "t3208ctl" << QStringList{"--simulate", "query-speed"} << QByteArray() << "."
            << true;
    }
    void programsRun() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, expect);
        QFETCH(bool, needsCtl);
        if (needsCtl && !HaveCtl)
            QSKIP("t3208ctl is not built in this tree");
        const QString exe = installed(QStringLiteral("/usr/bin/") + program);
        QVERIFY2(QFileInfo(exe).isExecutable(), qPrintable(exe));
        QProcessEnvironment env = programEnv();
        env.insert(QStringLiteral("T3208_REPORT_SHOWN"), QStringLiteral("1"));
        env.insert(QStringLiteral("T3208_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
        const Run r = run(exe, args, env, input, 60000);
        QVERIFY2(r.finished, "did not end");
        QVERIFY2(r.exitCode == 0, qPrintable(QString::number(r.exitCode) + u' ' + r.err));
        QVERIFY2(
            QRegularExpression(expect, QRegularExpression::MultilineOption).match(r.out).hasMatch(),
            qPrintable(r.out + r.err));
    }

    // The window run above kept its size and place where the user's settings go.
    void windowRememberedItsPlace() {
        QSettings settings(m_tmp.filePath(QStringLiteral("config/t3208tool/t3208tool.conf")),
                           QSettings::IniFormat);
        QVERIFY(!settings.value(QStringLiteral("window/geometry")).toByteArray().isEmpty());
    }

    void installedFilesValidate_data() {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList()
                                       << "/usr/share/applications/" + AppId + ".desktop";
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList{"validate", "--no-net", "--pedantic"}
                                  << "/usr/share/metainfo/" + AppId + ".metainfo.xml";
        for (const char *page : {"t3208tool", "t3208-sim", "t3208ctl"})
            QTest::newRow(page)
                << "man" << QStringList{"--warnings", "-l"}
                << QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(QLatin1String(page));
    }
    void installedFilesValidate() {
        QFETCH(QString, validator);
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        if (file.contains(QLatin1String("t3208ctl")) && !HaveCtl)
            QSKIP("t3208ctl is not built in this tree");
        const QString exe = QStandardPaths::findExecutable(validator);
        if (exe.isEmpty())
            QSKIP(qPrintable(validator + QStringLiteral(" is not installed")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        const Run r = run(exe, args << installed(file), env);
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        // desktop-file-validate and man print nothing when all is well.
        if (validator != QLatin1String("appstreamcli"))
            QVERIFY2(r.err.trimmed().isEmpty(), qPrintable(r.err));
        else
            QVERIFY2(!r.out.contains(QLatin1String("W:")), qPrintable(r.out));
    }

    // Each manual page names every option its program's --help lists (so the
    // page cannot fall behind the program), and t3208ctl's lists every
    // command and exit status.
    void manPagesCoverHelp_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("alsoNamed");
        QTest::addColumn<bool>("needsCtl");
        QTest::newRow("t3208tool")
            << "t3208tool" << QStringList{"T3208_COMn", "t3208tool.conf"} << false;
        QTest::newRow("t3208-sim")
            << "t3208-sim" << QStringList{"inputs", "status", "quit"} << false;
        QTest::newRow("t3208ctl") << "t3208ctl"
                                  << QStringList{"commands",     "send",        "run FILE",
                                                 "scan",         "monitor",     "--as-is",
                                                 "--interval",   "--loops",     "--duration",
                                                 "--wait-reply", "--addresses", "--bauds",
                                                 "--modes",      "EXIT STATUS", "^\\s+0\\s",
                                                 "^\\s+1\\s",    "^\\s+2\\s",   "^\\s+3\\s",
                                                 "^\\s+130\\s"}
                                  << true;
    }
    void manPagesCoverHelp() {
        QFETCH(QString, program);
        QFETCH(QStringList, alsoNamed);
        QFETCH(bool, needsCtl);
        if (needsCtl && !HaveCtl)
            QSKIP("t3208ctl is not built in this tree");
        if (tool("man").isEmpty())
            QSKIP("man is not installed");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("200"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        const Run page =
            run(tool("man"),
                {QStringLiteral("-l"),
                 installed(QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(program))},
                env);
        QCOMPARE(page.exitCode, 0);
        const QString text = plain(page.out);

        const Run help = run(installed(QStringLiteral("/usr/bin/") + program),
                             {QStringLiteral("--help")}, programEnv());
        QCOMPARE(help.exitCode, 0);
        static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z0-9-]*"));
        QStringList options;
        for (auto it = option.globalMatch(help.out); it.hasNext();)
            options << it.next().captured();
        options.removeDuplicates();
        QVERIFY2(options.size() >= 2, qPrintable(help.out));
        for (const QString &o : std::as_const(options))
            QVERIFY2(text.contains(o),
                     qPrintable(program + QStringLiteral("(1) does not name ") + o));
        // Words, or (starting with ^) patterns of a line, such as an exit status
        // at the start of its entry.
        for (const QString &word : std::as_const(alsoNamed))
            QVERIFY2(word.startsWith(u'^') ? text.contains(QRegularExpression(
                                                 word, QRegularExpression::MultilineOption))
                                           : text.contains(word),
                     qPrintable(program + QStringLiteral("(1) does not name ") + word));
    }

    // Only the simulator uses pseudo-terminals and raw terminal settings;
    // the window and t3208ctl reach the line through Qt alone, so they build
    // where those do not exist.
    void terminalCallsOnlyInTheSimulator_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("usesThem");
        QTest::addColumn<bool>("needsCtl");
        QTest::newRow("t3208tool") << "t3208tool" << false << false;
        QTest::newRow("t3208ctl") << "t3208ctl" << false << true;
        QTest::newRow("t3208-sim") << "t3208-sim" << true << false;
    }
    void terminalCallsOnlyInTheSimulator() {
        QFETCH(QString, program);
        QFETCH(bool, usesThem);
        QFETCH(bool, needsCtl);
        if (needsCtl && !HaveCtl)
            QSKIP("t3208ctl is not built in this tree");
        if (tool("nm").isEmpty())
            QSKIP("nm is not installed");
        const Run r = run(tool("nm"), {QStringLiteral("-D"), QStringLiteral("--undefined-only"),
                                       installed(QStringLiteral("/usr/bin/") + program)});
        QCOMPARE(r.exitCode, 0);
        static const QRegularExpression posixOnly(
            QStringLiteral("\\b(openpty|forkpty|posix_openpt|grantpt|unlockpt|ptsname|"
                           "cfmakeraw|tcsetattr)\\b"));
        const auto found = posixOnly.match(r.out);
        QVERIFY2(found.hasMatch() == usesThem,
                 qPrintable(program + QStringLiteral(": ") +
                            (found.hasMatch() ? found.captured() : QStringLiteral("none"))));
    }

    void lintianFindsNoErrors() {
        if (tool("lintian").isEmpty())
            QSKIP("lintian is not installed");
        const Run r = run(tool("lintian"),
                          {QStringLiteral("--tag-display-limit"), QStringLiteral("0"), m_deb}, {},
                          {}, 300000);
        QVERIFY(r.finished);
        for (const QString &l : r.out.split(u'\n', Qt::SkipEmptyParts))
            if (l.startsWith(QLatin1String("W:")))
                qInfo("lintian: %s", qPrintable(l));
        QVERIFY2(!r.out.contains(QRegularExpression(QStringLiteral("^E:"),
                                                    QRegularExpression::MultilineOption)),
                 qPrintable(r.out));
        QCOMPARE(r.exitCode, 0);
    }

    // Removal leaves nothing but dpkg's own records.
    void removalLeavesNothing() {
        const Run r = run(tool("dpkg"),
                          dpkgRoot() << QStringLiteral("--purge") << QStringLiteral("t3208tool"));
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QStringList left;
        QDirIterator it(m_root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next().mid(m_root.size());
            if (!path.startsWith(QLatin1String("/var")))
                left << path;
        }
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
        QVERIFY(!QFileInfo::exists(m_root + QStringLiteral("/var/lib/dpkg/info/t3208tool.list")));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
