// Timestamps in the traffic views, the traffic log from the window, views that
// draw only what changed, and reply fields set once per screen refresh.
#include "link/recordqueue.h"
#include "support/csv.h"
#include "support/pty.h"
#include "support/wire.h"
#include "ui/frmmain.h"
#include "ui/replyview.h"
#include "ui/trafficview.h"
#include "windowfixture.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Fixture::child;
using Wire::bytes;

QByteArray positionReply(qint32 v) {
    const auto u = quint32(v);
    return Wire::rtu(bytes({0x01, 0x37, 0x04, int(u >> 24), int((u >> 16) & 0xFF),
                            int((u >> 8) & 0xFF), int(u & 0xFF)}));
}

QStringList viewLines(FrmMain &w, const char *view) {
    return child<QPlainTextEdit>(w, QString::fromLatin1(view))->toPlainText().split(u'\n');
}

Receive::Reply valueReply(quint8 code, qint64 value) {
    Receive::Reply r;
    r.code = code;
    r.value = value;
    return r;
}

Receive::Reply statusReply(const QByteArray &status) {
    Receive::Reply r;
    r.code = 0x3B;
    r.status = status;
    return r;
}

// A reply as the tests name it: "37=5", "status=0100".
QString describe(const Receive::Reply &r) {
    if (r.status) {
        QString f;
        for (char c : *r.status)
            f += c ? u'1' : u'0';
        return QStringLiteral("status=") + f;
    }
    return QStringLiteral("%1=%2").arg(*r.code, 2, 16, QLatin1Char('0')).arg(*r.value);
}

} // namespace

class TstLogViews : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    // TrafficView: after every step the control holds exactly what the log
    // renders, and only a clear or a new mode sets the whole text again.
    void viewDrawsOnlyChanges_data() {
        QTest::addColumn<QStringList>("steps"); // "+N" frames, "clear", "abs", "none", "-"
        QTest::addColumn<QStringList>("draws"); // after each step

        QTest::newRow("first draw sets, then inserts")
            << QStringList{"+1", "+2", "+1"} << QStringList{"reset", "inserted", "inserted"};
        QTest::newRow("nothing new draws nothing")
            << QStringList{"+1", "-", "+1", "-"}
            << QStringList{"reset", "nothing", "inserted", "nothing"};
        QTest::newRow("clear sets again") << QStringList{"+2", "clear", "+1", "+1"}
                                          << QStringList{"reset", "reset", "inserted", "inserted"};
        QTest::newRow("clear and refilled between draws")
            << QStringList{"+2", "clear+3", "+1"} << QStringList{"reset", "reset", "inserted"};
        QTest::newRow("new mode sets again")
            << QStringList{"+2", "abs", "+1", "none", "+1"}
            << QStringList{"reset", "reset", "inserted", "reset", "inserted"};
        QTest::newRow("bound empties the view")
            << QStringList{"+1", "big", "+1"} << QStringList{"reset", "inserted", "reset"};
    }
    void viewDrawsOnlyChanges() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, draws);

        QPlainTextEdit edit;
        TrafficView view(&edit);
        TrafficSide side;
        Timestamps mode = Timestamps::None;
        int frame = 0;
        auto addFrames = [&](int n) {
            for (int i = 0; i < n; ++i, ++frame)
                side.add({QStringLiteral("C%1:\n\r").arg(frame),
                          QStringLiteral("H%1\r\n").arg(frame), QStringLiteral("A%1\n").arg(frame)},
                         3, Stamp{true, 1'765'323'667'000'000 + frame, frame * 10, 10});
        };
        for (int i = 0; i < steps.size(); ++i) {
            const QString step = steps.at(i);
            if (step.startsWith(u'+'))
                addFrames(step.mid(1).toInt());
            else if (step.startsWith(QStringLiteral("clear"))) {
                side.clear();
                addFrames(step.mid(6).toInt());
            } else if (step == QStringLiteral("abs"))
                mode = Timestamps::Absolute;
            else if (step == QStringLiteral("none"))
                mode = Timestamps::None;
            else if (step == QStringLiteral("big"))
                side.add({QString(TrafficLog::Bound, u'x') + u'\n'}, 1);
            view.show(side.log, mode);
            QCOMPARE(edit.toPlainText(), side.log.rendered(mode));
            const char *names[] = {"nothing", "inserted", "reset"};
            QCOMPARE(QString::fromLatin1(names[int(view.lastDraw())]), draws.at(i));
        }
    }

    // Only the newest reply for each control is shown; showing the survivors
    // in order leaves every control with its newest value.
    void latestReplies_data() {
        QTest::addColumn<QList<Receive::Reply>>("replies");
        QTest::addColumn<QStringList>("shown");

        const QByteArray stopped("\x00\x01\x01\x01", 4);
        const QByteArray moving("\x01\x01\x00\x01", 4);
        QTest::newRow("one field, last wins")
            << QList<Receive::Reply>{valueReply(0x37, 1), valueReply(0x37, 2), valueReply(0x37, 3)}
            << QStringList{"37=3"};
        QTest::newRow("two fields keep their own newest")
            << QList<Receive::Reply>{valueReply(0x37, 1), valueReply(0x36, 10), valueReply(0x37, 2),
                                     valueReply(0x36, 20)}
            << QStringList{"37=2", "36=20"};
        QTest::newRow("status lamps last wins, order kept")
            << QList<Receive::Reply>{statusReply(stopped), valueReply(0x37, -5),
                                     statusReply(moving)}
            << QStringList{"37=-5", "status=1101"};
        QTest::newRow("a reply that writes nothing is dropped")
            << QList<Receive::Reply>{Receive::Reply{}, valueReply(0x39, 7)} << QStringList{"39=7"};
    }
    void latestReplies() {
        QFETCH(QList<Receive::Reply>, replies);
        QFETCH(QStringList, shown);
        ReplyView::Latest latest;
        for (const Receive::Reply &r : replies)
            latest.add(r);
        QStringList got;
        for (const Receive::Reply &r : latest.take())
            got << describe(r);
        QCOMPARE(got, shown);
        QVERIFY(latest.isEmpty());
    }

    void timestampMenu() {
        FrmMain w(Fixture::com1(QStringLiteral("/nonexistent")));
        auto *menu = w.menuBar()->findChild<QMenu *>(QStringLiteral("Timestamps"));
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("时间戳"));
        QStringList texts;
        for (QAction *a : menu->actions()) {
            texts << a->text();
            QVERIFY(a->isCheckable());
            QVERIFY(a->actionGroup() && a->actionGroup()->isExclusive());
        }
        QCOMPARE(texts, (QStringList{"无", "绝对时间", "相对时间", "间隔"}));
        QVERIFY(menu->actions().first()->isChecked());
        QCOMPARE(w.timestamps(), Timestamps::None);
        // The setter moves the check mark, as a choice in the menu does.
        w.setTimestamps(Timestamps::Interval);
        QVERIFY(menu->actions().at(3)->isChecked());
        QVERIFY(!menu->actions().first()->isChecked());
        menu->actions().at(1)->trigger();
        QCOMPARE(w.timestamps(), Timestamps::Absolute);
    }

    void timestampsInViews_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("prefix"); // a pattern; empty: the line as without stamps

        QTest::newRow("none") << "TimestampNone" << QString();
        QTest::newRow("absolute") << "TimestampAbsolute"
                                  << R"(\[\d\d:\d\d:\d\d\.\d{6}\] )";
        QTest::newRow("relative") << "TimestampRelative"
                                  << R"(\[\+\d+\.\d{6}\] )";
        QTest::newRow("interval") << "TimestampInterval"
                                  << R"(\[Δ-?\d+\.\d{6}\] )";
    }
    void timestampsInViews() {
        QFETCH(QString, item);
        QFETCH(QString, prefix);

        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        const QByteArray handshake = Wire::rtu(bytes({0x01, 0x20, 0x00}));
        Fixture::click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(int(handshake.size()), 2000), handshake);
        QVERIFY(pty.writeMaster(handshake));
        QTRY_VERIFY_WITH_TIMEOUT(w->received().count == handshake.size(), 3000);
        QTest::qWait(150);
        w->findChild<QAction *>(item)->trigger();
        w->settle();

        for (const auto &[view, side] :
             {std::pair{"RichTextBox2", w->sent()}, std::pair{"RichTextBox1", w->received()}}) {
            const QStringList shown = viewLines(*w, view);
            const QStringList plain = side.log.rendered().split(u'\n');
            QCOMPARE(shown.size(), plain.size());
            QCOMPARE(shown.size(), 3); // caption, hex, characters (newest first: reversed)
            for (int i = 0; i < shown.size(); ++i) {
                // Only the frame's first line, its caption line, carries the time.
                const bool caption = plain.at(i) == QStringLiteral("请求握手命令:");
                if (prefix.isEmpty() || !caption) {
                    QCOMPARE(shown.at(i), plain.at(i));
                } else {
                    const QRegularExpression re(u'^' + prefix +
                                                QRegularExpression::escape(plain.at(i)) + u'$');
                    QVERIFY2(re.match(shown.at(i)).hasMatch(), qPrintable(shown.at(i)));
                }
            }
        }
        // The text the views are kept from is the same in every mode.
        QCOMPARE(w->sent().log.text().count(u'['), 0);
    }

    void logFromTheWindow() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("window.csv"));
        auto w = Fixture::openWindow(pty);
        w->setLogFolder(dir.path());
        QVERIFY(QRegularExpression(QRegularExpression::escape(dir.path()) +
                                   R"(/t3208-\d{8}-\d{6}\.csv$)")
                    .match(w->suggestedLogPath())
                    .hasMatch());
        bool asked = false;
        w->chooseFile = [&](bool save, const QString &, const QString &) {
            asked = save;
            return path;
        };
        auto *start = w->findChild<QAction *>(QStringLiteral("LogStart"));
        auto *stop = w->findChild<QAction *>(QStringLiteral("LogStop"));
        QVERIFY(start && stop);
        QCOMPARE(start->text(), QStringLiteral("开始记录..."));
        QCOMPARE(stop->text(), QStringLiteral("停止记录"));
        QVERIFY(!stop->isEnabled());
        start->trigger();
        QVERIFY(asked);
        QCOMPARE(w->logFile(), path);
        auto *label = child<QLabel>(*w, QStringLiteral("LogFile"));
        QVERIFY(!label->isHidden());
        QVERIFY(label->text().contains(path));
        QVERIFY(stop->isEnabled());

        // Requests, replies, a bad checksum and noise.
        const QByteArray query = Wire::rtu(bytes({0x01, 0x37, 0x00}));
        const QList<QByteArray> replies{positionReply(1000), positionReply(-3),
                                        Wire::badCrc(bytes({0x01, 0x37, 0x04, 0, 0, 0, 1})),
                                        bytes({0xEE, 0xEE})};
        for (const QByteArray &reply : replies) {
            Fixture::click(*w, QStringLiteral("Command30"));
            QCOMPARE(pty.readMaster(int(query.size()), 2000), query);
            const qint64 before = w->receivedTotal();
            QVERIFY(pty.writeMaster(reply));
            QTRY_VERIFY_WITH_TIMEOUT(w->receivedTotal() == before + reply.size(), 3000);
            QTest::qWait(150);
        }
        w->settle();
        QTRY_COMPARE_WITH_TIMEOUT(w->received().count, w->receivedTotal(), 3000);
        w->settle();
        stop->trigger();
        QVERIFY(w->logFile().isEmpty());
        QVERIFY(label->isHidden());
        QCOMPARE(w->logFolder(), dir.path());

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const TestCsv::Csv csv = TestCsv::readCsv(f.readAll());
        QVERIFY(csv.bom && csv.complete);
        qint64 tx = 0;
        qint64 rx = 0;
        QStringList values;
        for (const QStringList &row : csv.rows.mid(1)) {
            const qint64 n = row.at(9).split(u' ', Qt::SkipEmptyParts).size();
            if (row.at(2) == QStringLiteral("tx"))
                tx += n;
            else if (row.at(2) == QStringLiteral("rx")) {
                rx += n;
                if (!row.at(8).isEmpty())
                    values << row.at(8);
            }
        }
        // The log adds up to the counters the window shows.
        QCOMPARE(QString::number(tx), child<QLabel>(*w, QStringLiteral("Label44"))->text());
        QCOMPARE(QString::number(rx), child<QLabel>(*w, QStringLiteral("Label45"))->text());
        QCOMPARE(values, (QStringList{"1000", "-3"}));
    }

    void logThatCannotStartSaysSo() {
        FrmMain w(Fixture::com1(QStringLiteral("/nonexistent")));
        QSignalSpy shown(&w, &FrmMain::messageShown);
        QVERIFY(!w.startLog(QStringLiteral("/nonexistent-folder-t3208/x.csv")));
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().first().toString().contains(QStringLiteral("x.csv")));
        QVERIFY(w.logFile().isEmpty());
        QVERIFY(child<QLabel>(w, QStringLiteral("LogFile"))->isHidden());
    }

    // A burst of replies sets the field at most once per screen refresh, to
    // the last value; the records keep every value.
    void burstSetsFieldOncePerRefresh() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        RecordQueue records;
        connect(w->session(), &Session::recorded, &records, &RecordQueue::push,
                Qt::DirectConnection);
        auto *field = child<QLineEdit>(*w, QStringLiteral("Text18"));
        int changes = 0;
        QElapsedTimer clock;
        qint64 lastChangeMs = 0;
        connect(field, &QLineEdit::textChanged, [&] {
            ++changes;
            lastChangeMs = clock.elapsed();
        });
        constexpr int Replies = 300;
        QByteArray burst;
        for (int i = 1; i <= Replies; ++i)
            burst += positionReply(i);
        clock.start();
        QVERIFY(pty.writeMaster(burst));
        QTRY_COMPARE_WITH_TIMEOUT(field->text().trimmed(), QString::number(Replies), 5000);
        w->settle();
        int good = 0;
        for (const Records::Record &r : records.take())
            good += r.kind == Records::Kind::Good ? 1 : 0;
        QCOMPARE(good, Replies);
        // One setting per 16 ms refresh at most, and the first at once.
        QVERIFY2(changes <= lastChangeMs / 16 + 2,
                 qPrintable(QStringLiteral("%1 changes in %2 ms").arg(changes).arg(lastChangeMs)));
        QVERIFY(changes < Replies);
    }
};

QTEST_MAIN(TstLogViews)
#include "tst_logviews.moc"
