// The window driving t3208-sim over a real pseudo-terminal: queries land in
// their fields and lamps, a move changes position and status over time, a
// recorded list replays against it, injected faults show on the traffic lines
// only, and a Modbus master reads and writes its registers.
#include "../ui/windowfixture.h"
#include "ui/indicator.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>

using Fixture::child;
using Fixture::click;

using namespace Qt::StringLiterals;

namespace {

// A t3208-sim process; path() is the terminal it serves.
class Simulator {
public:
    explicit Simulator(const QStringList &args) {
        m_proc.setProgram(QStringLiteral(T3208_SIM_PATH));
        m_proc.setArguments(args);
        m_proc.start();
        if (!m_proc.waitForStarted(5000))
            return;
        QElapsedTimer t;
        t.start();
        while (!m_proc.canReadLine() && t.elapsed() < 5000)
            m_proc.waitForReadyRead(100);
        const QString line = QString::fromLocal8Bit(m_proc.readLine()).trimmed();
        const QString prefix = QStringLiteral("t3208-sim: serving on ");
        if (line.startsWith(prefix))
            m_path = line.mid(prefix.size());
    }
    ~Simulator() {
        m_proc.kill();
        m_proc.waitForFinished(2000);
    }
    QString path() const { return m_path; }

private:
    QProcess m_proc;
    QString m_path;
};

std::unique_ptr<FrmMain> windowOn(const Simulator &sim) {
    auto w = std::make_unique<FrmMain>(Fixture::com1(sim.path()));
    click(*w, QStringLiteral("Command32"));
    return w;
}

QString text(FrmMain &w, const char *name) {
    return child<QLineEdit>(w, QString::fromLatin1(name))->text();
}

} // namespace

class TestWindowVsSim : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void queryRepliesLandInTheirFields_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("RTU") << "Modbus RTU";
        QTest::newRow("ASCII") << "Modbus ASC";
    }
    void queryRepliesLandInTheirFields() {
        QFETCH(QString, mode);
        Simulator sim({QStringLiteral("--inputs"), QStringLiteral("00101")});
        QVERIFY(!sim.path().isEmpty());
        auto w = windowOn(sim);
        child<QComboBox>(*w, QStringLiteral("Combo7"))->setCurrentText(mode);
        // The factory profile of the controller.
        const QList<std::pair<const char *, const char *>> queries{
            {"Command57", "Text27"}, {"Command58", "Text26"}, {"Command59", "Text25"},
            {"Command60", "Text24"}, {"Command61", "Text6"},  {"Command62", "Text28"}};
        const QStringList expected{" 100", " 10000", " 1000", " 10000", " 10000", " 10000"};
        for (int i = 0; i < queries.size(); ++i) {
            click(*w, QString::fromLatin1(queries[i].first));
            QTRY_COMPARE_WITH_TIMEOUT(text(*w, queries[i].second), expected[i], 3000);
        }
        click(*w, QStringLiteral("Command30"));
        QTRY_COMPARE_WITH_TIMEOUT(text(*w, "Text18"), QStringLiteral(" 0"), 3000);
        // Inputs IN1 and IN3 on: their lamps in the alert colour, the others normal.
        const QColor normal = palette().color(QPalette::WindowText);
        click(*w, QStringLiteral("Command94"));
        auto lamp = [&](int n) {
            return child<Indicator>(*w, QStringLiteral("Shape%1").arg(n))->fillColor();
        };
        QTRY_COMPARE_WITH_TIMEOUT(lamp(5), QColor(255, 0, 0), 3000);
        QCOMPARE(lamp(6), normal);
        QCOMPARE(lamp(7), QColor(255, 0, 0));
        QCOMPARE(lamp(8), normal);
        QCOMPARE(lamp(9), normal);
        click(*w, QStringLiteral("Command13"));
        QTRY_VERIFY_WITH_TIMEOUT(
            w->received().log.lines().contains(QStringLiteral("查询设备地址:当前地址为1\n\r")),
            3000);
    }

    void moveChangesPositionAndStatusOverTime() {
        Simulator sim({});
        QVERIFY(!sim.path().isEmpty());
        auto w = windowOn(sim);
        child<QLineEdit>(*w, QStringLiteral("Text8"))->setText(QStringLiteral("5000"));
        click(*w, QStringLiteral("Command18"));
        QTest::qWait(300);
        click(*w, QStringLiteral("Command29"));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(*w, QStringLiteral("Label15"))->text(),
                                  QStringLiteral("运动中"), 3000);
        QCOMPARE(child<Indicator>(*w, QStringLiteral("Shape1"))->fillColor(), QColor(255, 0, 0));
        click(*w, QStringLiteral("Command30"));
        QTRY_VERIFY_WITH_TIMEOUT(text(*w, "Text18").trimmed().toInt() > 0, 3000);
        const int midway = text(*w, "Text18").trimmed().toInt();
        QVERIFY2(midway < 5000, qPrintable(QString::number(midway)));
        // The move ends on its target and the controller reports it stopped.
        QElapsedTimer t;
        t.start();
        while (text(*w, "Text18") != QLatin1String(" 5000") && t.elapsed() < 6000) {
            click(*w, QStringLiteral("Command30"));
            QTest::qWait(250);
        }
        QCOMPARE(text(*w, "Text18"), QStringLiteral(" 5000"));
        click(*w, QStringLiteral("Command29"));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(*w, QStringLiteral("Label15"))->text(),
                                  QStringLiteral("停止"), 3000);
    }

    void recordedListReplaysAgainstTheController() {
        Simulator sim({});
        QVERIFY(!sim.path().isEmpty());
        auto w = windowOn(sim);
        click(*w, QStringLiteral("Command43")); // ">" of the status query
        click(*w, QStringLiteral("Command52")); // ">" of the absolute position query
        child<QLineEdit>(*w, QStringLiteral("Text20"))->setText(QStringLiteral("300"));
        click(*w, QStringLiteral("Command34"));
        QCOMPARE(child<QListWidget>(*w, QStringLiteral("List1"))->count(), 3);
        QTest::qWait(300);
        const qint64 before = w->receivedTotal();
        child<QLineEdit>(*w, QStringLiteral("Text22"))->setText(QStringLiteral("200"));
        click(*w, QStringLiteral("Check1"));
        // Two replies of 9 bytes (status, position) every 500 ms.
        QTRY_VERIFY_WITH_TIMEOUT(w->receivedTotal() - before >= 4 * 9, 3000);
        click(*w, QStringLiteral("Check1"));
    }

    void injectedFaultsShowOnTheTrafficLinesOnly_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("frames");        // receive lines "RecHex:" expected
        QTest::addColumn<QStringList>("marks"); // caption lines, oldest first
        QTest::newRow("error reply") << "error" << 1 << QStringList{};
        QTest::newRow("dropped reply") << "drop" << 0 << QStringList{};
        QTest::newRow("corrupted reply") << "corrupt" << 1 << QStringList{u"校验错误:"_s};
        // The halves come 300 ms apart, longer than the RTU silence: each is
        // given up on its own and neither fills the field.
        QTest::newRow("split reply") << "split" << 2 << QStringList{u"帧不完整:"_s, u"帧不完整:"_s};
    }
    void injectedFaultsShowOnTheTrafficLinesOnly() {
        QFETCH(QString, fault);
        QFETCH(int, frames);
        QFETCH(QStringList, marks);
        Simulator sim({QStringLiteral("--fault"), fault});
        QVERIFY(!sim.path().isEmpty());
        auto w = windowOn(sim);
        click(*w, QStringLiteral("Command57"));
        QTest::qWait(1000);
        const QStringList lines = w->received().log.lines();
        QCOMPARE(lines.filter(QStringLiteral("RecHex:")).size(), frames);
        QStringList shown;
        for (const QString &line : lines)
            if (line.endsWith(QStringLiteral("\n\r")))
                shown.prepend(line.chopped(2));
        QCOMPARE(shown, marks);
        QCOMPARE(text(*w, "Text27"), QStringLiteral("0"));
    }

    void splitReplyWithinTheSilenceLandsWhole() {
        Simulator sim({QStringLiteral("--fault"), QStringLiteral("split"),
                       QStringLiteral("--split-gap"), QStringLiteral("40")});
        QVERIFY(!sim.path().isEmpty());
        auto w = windowOn(sim);
        click(*w, QStringLiteral("Command57"));
        QTRY_COMPARE_WITH_TIMEOUT(text(*w, "Text27"), QStringLiteral(" 100"), 3000);
        QCOMPARE(w->received().log.lines().filter(QStringLiteral("RecHex:")).size(), 1);
    }

    void modbusMasterReadsAndWritesRegisters() {
        const QString mbpoll = QStandardPaths::findExecutable(QStringLiteral("mbpoll"));
        if (mbpoll.isEmpty())
            QSKIP("mbpoll is not installed");
        Simulator sim({});
        QVERIFY(!sim.path().isEmpty());
        auto run = [&](const QStringList &args, const QStringList &values = {}) {
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(mbpoll, QStringList{"-m", "rtu", "-b", "9600", "-P", "none", "-a", "1", "-t",
                                        "4", "-0", "-1", "-o", "1"} +
                                args + QStringList{sim.path()} + values);
            p.waitForFinished(10000);
            return std::pair{p.exitCode(), QString::fromLocal8Bit(p.readAll())};
        };
        // Initial speed: command 0x26 reads it as two registers, high word first.
        auto [rc, out] = run({"-r", "38", "-c", "2"});
        QVERIFY2(rc == 0 && out.contains(QStringLiteral("[39]: \t100")), qPrintable(out));
        // Command 0x25 sets it from two registers.
        std::tie(rc, out) = run({"-r", "37"}, {"0", "250"});
        QVERIFY2(rc == 0, qPrintable(out));
        std::tie(rc, out) = run({"-r", "38", "-c", "2"});
        QVERIFY2(rc == 0 && out.contains(QStringLiteral("[39]: \t250")), qPrintable(out));
        // Register 0x10 is no command: illegal data address.
        std::tie(rc, out) = run({"-r", "16", "-c", "2"});
        QVERIFY2(rc != 0, qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("Illegal data address")), qPrintable(out));
    }

private:
    static QPalette palette() { return QApplication::palette(); }
};

QTEST_MAIN(TestWindowVsSim)
#include "tst_windowvssim.moc"
