// The command list in the window: insert buttons, the delay limits, the pop-up
// menu, the list runner replaying against a controller on a pseudo-terminal,
// and list files through the open and save buttons.
#include "support/pty.h"
#include "support/wire.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <poll.h>
#include <unistd.h>

using Fixture::child;
using Fixture::click;

namespace {

QStringList listLines(FrmMain &w) {
    QStringList out;
    auto *list = child<QListWidget>(w, QStringLiteral("List1"));
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void setLines(FrmMain &w, const QStringList &lines) {
    auto *list = child<QListWidget>(w, QStringLiteral("List1"));
    list->clear();
    list->addItems(lines);
}

QAction *action(FrmMain &w, const char *name) {
    return child<QMenu>(w, QStringLiteral("MenuCMD"))->findChild<QAction *>(QLatin1String(name));
}

// Reads the master until `n` bytes have come, processing events; the time of
// arrival in ms on `clock`, or -1 on time-out.
qint64 arrival(PtyPair &pty, int n, QByteArray *got, const QElapsedTimer &clock, int timeoutMs) {
    QElapsedTimer wait;
    wait.start();
    while (got->size() < n && wait.elapsed() < timeoutMs) {
        QCoreApplication::processEvents();
        pollfd p{pty.masterFd(), POLLIN, 0};
        if (::poll(&p, 1, 1) > 0) {
            char buf[256];
            const ssize_t r =
                ::read(pty.masterFd(), buf, std::min<size_t>(sizeof buf, n - got->size()));
            if (r > 0)
                got->append(buf, r);
        }
    }
    return got->size() >= n ? clock.elapsed() : -1;
}

} // namespace

class TestListWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void insertButtonsAppendDelayAndJumpLines() {
        FrmMain w;
        click(w, QStringLiteral("Command34"));
        child<QLineEdit>(w, QStringLiteral("Text21"))->setText(QStringLiteral("3"));
        click(w, QStringLiteral("Command35"));
        child<QLineEdit>(w, QStringLiteral("Text21"))->clear();
        click(w, QStringLiteral("Command35"));
        QCOMPARE(listLines(w), (QStringList{QStringLiteral("Delay:1000"), QStringLiteral("GoIdx:3"),
                                            QStringLiteral("GoIdx:")}));
    }

    void delayFieldStaysWithinLimits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("cleared") << ""
                                 << "50";
        QTest::newRow("below") << "49"
                               << "50";
        QTest::newRow("lower limit") << "50"
                                     << "50";
        QTest::newRow("upper limit") << "60000"
                                     << "60000";
        QTest::newRow("above") << "70000"
                               << "60000";
        QTest::newRow("not a number") << "x"
                                      << "50";
        QTest::newRow("inside") << "300"
                                << "300";
    }
    void delayFieldStaysWithinLimits() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        FrmMain w;
        auto *edit = child<QLineEdit>(w, QStringLiteral("Text20"));
        edit->setText(typed);
        QCOMPARE(edit->text(), shown);
    }

    void menuDeletesFirstSelectedLineOrAll() {
        FrmMain w;
        auto *menu = child<QMenu>(w, QStringLiteral("MenuCMD"));
        QCOMPARE(menu->title(), QStringLiteral("命令操作"));
        QCOMPARE(action(w, "DelectList")->text(), QStringLiteral("删除"));
        QCOMPARE(action(w, "DelectAll")->text(), QStringLiteral("清空"));

        setLines(w, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        action(w, "DelectList")->trigger(); // nothing selected
        QCOMPARE(listLines(w).size(), 3);
        auto *list = child<QListWidget>(w, QStringLiteral("List1"));
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        list->item(1)->setSelected(true);
        list->item(2)->setSelected(true);
        action(w, "DelectList")->trigger();
        QCOMPARE(listLines(w), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
        action(w, "DelectAll")->trigger();
        QVERIFY(listLines(w).isEmpty());
        action(w, "DelectAll")->trigger();
        QVERIFY(listLines(w).isEmpty());
    }

    void baseIntervalOutOfRangeDoesNotStart_data() {
        QTest::addColumn<QString>("base");
        QTest::newRow("above 65535") << "70000";
        QTest::newRow("negative") << "-1";
    }
    void baseIntervalOutOfRangeDoesNotStart() {
        QFETCH(QString, base);
        FrmMain w;
        QSignalSpy messages(&w, &FrmMain::messageShown);
        child<QLineEdit>(w, QStringLiteral("Text22"))->setText(base);
        click(w, QStringLiteral("Check1"));
        QCOMPARE(messages.size(), 1);
        QVERIFY(!child<QCheckBox>(w, QStringLiteral("Check1"))->isChecked());
        QVERIFY(child<QLineEdit>(w, QStringLiteral("Text22"))->isEnabled());
        QTRY_VERIFY(!w.running());
    }

    void delayLineGivesItsWaitBetweenTwoFrames() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(Fixture::com1(pty.slavePath()));
        click(w, QStringLiteral("Command32"));
        const QByteArray a = Wire::rtu(Wire::bytes({1, 0x36, 0}));
        const QByteArray b = Wire::rtu(Wire::bytes({1, 0x37, 0}));
        setLines(w, {a.toHex(' ').toUpper() + ' ', QStringLiteral("Delay:300"),
                     b.toHex(' ').toUpper() + ' '});
        child<QLineEdit>(w, QStringLiteral("Text22"))->setText(QStringLiteral("100"));
        QElapsedTimer clock;
        clock.start();
        click(w, QStringLiteral("Check1"));
        QVERIFY(!child<QLineEdit>(w, QStringLiteral("Text22"))->isEnabled());

        QByteArray gotA, gotB, gotA2;
        const qint64 tA = arrival(pty, 5, &gotA, clock, 2000);
        const qint64 tB = arrival(pty, 5, &gotB, clock, 2000);
        const qint64 tA2 = arrival(pty, 5, &gotA2, clock, 2000);
        QCOMPARE(gotA, a);
        QCOMPARE(gotB, b);
        QCOMPARE(gotA2, a);
        QVERIFY2(qAbs(tA - 100) <= 20, qPrintable(QString::number(tA)));
        QVERIFY2(qAbs(tB - tA - 300) <= 20, qPrintable(QString::number(tB - tA)));
        QVERIFY2(qAbs(tA2 - tB - 100) <= 20, qPrintable(QString::number(tA2 - tB)));

        // The line being run is marked; the selection that "删除" uses is not touched.
        auto *list = child<QListWidget>(w, QStringLiteral("List1"));
        QVERIFY(list->selectedItems().isEmpty());
        QTRY_VERIFY(list->item(0)->data(Qt::BackgroundRole).isValid());
        QVERIFY(!list->item(2)->data(Qt::BackgroundRole).isValid());

        click(w, QStringLiteral("Check1"));
        QTRY_VERIFY(!w.running());
        QVERIFY(child<QLineEdit>(w, QStringLiteral("Text22"))->isEnabled());
        QVERIFY(!list->item(0)->data(Qt::BackgroundRole).isValid());
    }

    void recordedAsciiLineReplaysAsRecorded() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        FrmMain w(Fixture::com1(pty.slavePath()));
        click(w, QStringLiteral("Command32"));
        child<QComboBox>(w, QStringLiteral("Combo7"))->setCurrentText(QStringLiteral("Modbus ASC"));
        click(w, QStringLiteral("Command43")); // ">" of the status query: recorded and sent
        QCOMPARE(pty.readMaster(11, 2000), QByteArray(":013B00C4\r\n"));
        QCOMPARE(listLines(w), QStringList{QStringLiteral("3A 30 31 33 42 30 30 43 34 0D 0A ")});
        child<QComboBox>(w, QStringLiteral("Combo7"))->setCurrentText(QStringLiteral("Modbus RTU"));
        child<QLineEdit>(w, QStringLiteral("Text22"))->setText(QStringLiteral("50"));
        click(w, QStringLiteral("Check1"));
        QCOMPARE(pty.readMaster(11, 2000), QByteArray(":013B00C4\r\n"));
        click(w, QStringLiteral("Check1"));
    }

    void listFileRoundTripThroughTheButtons() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.txt"));
        FrmMain w;
        QStringList asked;
        w.chooseFile = [&](bool, const QString &title, const QString &) {
            asked << title;
            return path;
        };
        bool overwrite = true;
        w.ask = [&](const QString &text, const QString &title) {
            asked << text + u'|' + title;
            return overwrite;
        };
        const QStringList lines{QStringLiteral("01 20 00 39 C0 "), QStringLiteral("Delay:300"),
                                QString(), QStringLiteral("GoIdx:0")};
        setLines(w, lines);
        click(w, QStringLiteral("Command55"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("01 20 00 39 C0 \r\nDelay:300\r\nGoIdx:0\r\n"));
        f.close();
        QCOMPARE(asked, QStringList{QStringLiteral("保存文件")});

        setLines(w, {QStringLiteral("other")});
        click(w, QStringLiteral("Command54"));
        QCOMPARE(listLines(w), (QStringList{lines[0], lines[1], lines[3]}));

        // Answering No keeps the file as it was.
        overwrite = false;
        setLines(w, {QStringLiteral("x")});
        click(w, QStringLiteral("Command55"));
        QVERIFY(asked.contains(QStringLiteral("是否覆盖文件？|文件保存")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("01 20 00 39 C0 \r\nDelay:300\r\nGoIdx:0\r\n"));
    }

    void openingAMissingFileSaysSo() {
        FrmMain w;
        QSignalSpy messages(&w, &FrmMain::messageShown);
        w.chooseFile = [](bool, const QString &, const QString &) {
            return QStringLiteral("/nonexistent/t3208/list.txt");
        };
        setLines(w, {QStringLiteral("kept")});
        click(w, QStringLiteral("Command54"));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("文件名无效,请重新打开!"));
        QCOMPARE(listLines(w), QStringList{QStringLiteral("kept")});
    }

    void failedSaveIsReported() {
        FrmMain w;
        QSignalSpy messages(&w, &FrmMain::messageShown);
        w.chooseFile = [](bool, const QString &, const QString &) {
            return QStringLiteral("/nonexistent/t3208/list.txt");
        };
        setLines(w, {QStringLiteral("01 ")});
        click(w, QStringLiteral("Command55"));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.at(0).at(0).toString().startsWith(QStringLiteral("文件保存失败")));
    }

    void cancelledDialogChangesNothing() {
        FrmMain w;
        QSignalSpy messages(&w, &FrmMain::messageShown);
        w.chooseFile = [](bool, const QString &, const QString &) { return QString(); };
        setLines(w, {QStringLiteral("kept")});
        click(w, QStringLiteral("Command54"));
        click(w, QStringLiteral("Command55"));
        QCOMPARE(messages.size(), 0);
        QCOMPARE(listLines(w), QStringList{QStringLiteral("kept")});
    }
};

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
