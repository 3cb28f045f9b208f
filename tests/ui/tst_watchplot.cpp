// The window's watch and plot against a controller played by the test on a
// pseudo-terminal: the watch sends each ticked query exactly as its button
// builds it (mode, address), starts only on an open port, stops on a loss;
// the plot takes every good reply with a value whatever sent it, draws a
// reduced set, and exports its data and picture through the save dialog.
#include "codec/hextext.h"
#include "link/seriesmodel.h"
#include "link/watch.h"
#include "support/pty.h"
#include "ui/plotview.h"
#include "windowfixture.h"

#include <QChartView>
#include <QCheckBox>
#include <QDockWidget>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QWheelEvent>

using Fixture::child;
using Fixture::click;

namespace {

QByteArray rtu(const QByteArray &hex) {
    return Framing::rtu(QByteArray::fromHex(hex));
}

int seriesNamed(const QString &name) {
    const auto &all = SeriesModel::series();
    for (int i = 0; i < all.size(); ++i)
        if (all[i].name == name)
            return i;
    qFatal("no series %s", qPrintable(name));
}

} // namespace

class TstWatchPlot : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void panelControls_data() {
        QTest::addColumn<QString>("kind");
        for (const char *name : {"Watch36", "Watch37", "Watch39", "Watch3B", "Watch42", "Watch26",
                                 "Watch28", "Watch2A", "Watch2C", "Watch2E", "Watch30"})
            QTest::newRow(name) << "QCheckBox";
        QTest::newRow("WatchInterval") << "QSpinBox";
        QTest::newRow("WatchRun") << "QPushButton";
        QTest::newRow("PlotExportCsv") << "QPushButton";
        QTest::newRow("PlotExportPng") << "QPushButton";
    }
    void panelControls() {
        QFETCH(QString, kind);
        FrmMain w;
        auto *c = child<QWidget>(w, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(QString::fromLatin1(c->metaObject()->className()), kind);
        QVERIFY(child<QWidget>(w, QStringLiteral("Watch"))->isAncestorOf(c) ||
                child<QDockWidget>(w, QStringLiteral("Plot"))->isAncestorOf(c));
        if (auto *box = qobject_cast<QCheckBox *>(c))
            QVERIFY(!box->isChecked());
    }

    void choicesRoundTrip_data() {
        QTest::addColumn<QList<quint8>>("codes");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("shown"); // what the interval box takes
        QTest::newRow("nothing, default") << QList<quint8>{} << 100 << 100;
        QTest::newRow("speed and position") << QList<quint8>{0x36, 0x37} << 20 << 20;
        QTest::newRow("given out of order: panel order")
            << QList<quint8>{0x30, 0x3B, 0x26} << 65535 << 65535;
        QTest::newRow("interval below the range") << QList<quint8>{0x42} << 5 << 10;
        QTest::newRow("unknown codes ignored") << QList<quint8>{0x20, 0x39} << 70000 << 65535;
    }
    void choicesRoundTrip() {
        QFETCH(QList<quint8>, codes);
        QFETCH(int, interval);
        QFETCH(int, shown);
        FrmMain w;
        QCOMPARE(w.watchInterval(), 100);
        w.setWatchCodes(codes);
        w.setWatchInterval(interval);
        QList<quint8> want;
        for (const quint8 c : Watch::codes())
            if (codes.contains(c))
                want << c;
        QCOMPARE(w.watchCodes(), want);
        QCOMPARE(w.watchInterval(), shown);
        for (const quint8 c : Watch::codes())
            QCOMPARE(child<QCheckBox>(w, QStringLiteral("Watch") + HexText::pair(c))->isChecked(),
                     codes.contains(c));
    }

    // The first round of the watch equals the button's frame, byte for byte.
    void watchSendsWhatTheButtonSends_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("address");
        QTest::newRow("speed RTU") << 0x36 << "Command28"
                                   << "Modbus RTU"
                                   << "1";
        QTest::newRow("absolute position ASCII 1F") << 0x37 << "Command30"
                                                    << "Modbus ASC"
                                                    << "1F";
        QTest::newRow("relative position RTU 10") << 0x39 << "Command31"
                                                  << "Modbus RTU"
                                                  << "10";
        QTest::newRow("status ASCII") << 0x3B << "Command29"
                                      << "Modbus ASC"
                                      << "2";
        QTest::newRow("inputs RTU A") << 0x42 << "Command94"
                                      << "Modbus RTU"
                                      << "A";
        QTest::newRow("initial speed ASCII") << 0x26 << "Command57"
                                             << "Modbus ASC"
                                             << "1";
        QTest::newRow("homing speed RTU FF") << 0x30 << "Command62"
                                             << "Modbus RTU"
                                             << "FF";
    }
    void watchSendsWhatTheButtonSends() {
        QFETCH(int, code);
        QFETCH(QString, button);
        QFETCH(QString, mode);
        QFETCH(QString, address);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        Fixture::setTexts(*w,
                          {{QStringLiteral("Combo7"), mode}, {QStringLiteral("Text23"), address}});
        click(*w, button);
        const QByteArray expected = pty.readMaster(64, 300);
        QVERIFY(!expected.isEmpty());

        w->setWatchCodes({quint8(code)});
        w->setWatchInterval(5000); // one round within the test
        click(*w, QStringLiteral("WatchRun"));
        QVERIFY(w->watching());
        QCOMPARE(pty.readMaster(int(expected.size()), 2000), expected);
        click(*w, QStringLiteral("WatchRun"));
        QTRY_VERIFY(!w->watching());
        QVERIFY(!child<QPushButton>(*w, QStringLiteral("WatchRun"))->isChecked());
    }

    void watchNeedsAnOpenPortAndATick_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QList<quint8>>("codes");
        QTest::newRow("port closed") << false << QList<quint8>{0x36};
        QTest::newRow("nothing ticked") << true << QList<quint8>{};
    }
    void watchNeedsAnOpenPortAndATick() {
        QFETCH(bool, open);
        QFETCH(QList<quint8>, codes);
        PtyPair pty;
        QVERIFY(pty.isValid());
        std::unique_ptr<FrmMain> w =
            open ? Fixture::openWindow(pty)
                 : std::make_unique<FrmMain>(Fixture::com1(pty.slavePath()));
        w->setWatchCodes(codes);
        click(*w, QStringLiteral("WatchRun"));
        QVERIFY(!w->watching());
        QVERIFY(!child<QPushButton>(*w, QStringLiteral("WatchRun"))->isChecked());
        QCOMPARE(pty.readMaster(1, 200), QByteArray());
    }

    void lossStopsTheWatch() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        w->setWatchCodes({0x36, 0x37});
        w->setWatchInterval(20);
        click(*w, QStringLiteral("WatchRun"));
        QVERIFY(!pty.readMaster(10, 500).isEmpty());
        pty.closeSlaveKeeper();
        pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!w->watching(), 3000);
        QTRY_VERIFY(!child<QPushButton>(*w, QStringLiteral("WatchRun"))->isChecked());
    }

    // Replies to anything (here: no request at all, another master on the
    // bus) land on the plot; other frames do not.
    void plotTakesEveryGoodReplyWithAValue() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        const QList<QByteArray> replies{rtu("01360400000064"),
                                        rtu("013704000003E8"),
                                        rtu("012000"),
                                        QByteArray::fromHex("01360400000064FFFF"), // bad CRC
                                        rtu("013B0401010100"),
                                        rtu("013704000007D0")};
        for (const QByteArray &r : replies) {
            pty.writeMaster(r);
            QTest::qWait(150); // each its own frame (the RTU silence)
        }
        QTRY_COMPARE_WITH_TIMEOUT(w->plot()->model().size(), std::size_t(1 + 2 + 4), 3000);
        const SeriesModel &m = w->plot()->model();
        QCOMPARE(m.samples(seriesNamed(QStringLiteral("运动速度"))).size(), std::size_t(1));
        QCOMPARE(m.samples(seriesNamed(QStringLiteral("绝对位置"))).back().value, 2000.0);
        QCOMPARE(m.samples(seriesNamed(QStringLiteral("右限"))).back().value, 0.0);
    }

    // An hour at 100 values a second: the chart holds about two points per
    // pixel column, the axis spans the chosen window.
    void plotDrawsAReducedSet_data() {
        QTest::addColumn<int>("window"); // index of PlotWindow
        QTest::addColumn<qint64>("span");
        QTest::newRow("10 s") << 0 << 10'000'000LL;
        QTest::newRow("10 min") << 2 << 600'000'000LL;
        QTest::newRow("all") << 3 << 3'600'000'000LL;
    }
    void plotDrawsAReducedSet() {
        QFETCH(int, window);
        QFETCH(qint64, span);
        FrmMain w;
        PlotView *plot = w.plot();
        plot->setClock({}); // the axis ends at the newest sample
        child<QDockWidget>(w, QStringLiteral("Plot"))->show();
        plot->resize(900, 400);
        QTest::qWait(50);
        QList<Records::Record> batch;
        for (int i = 0; i < 360'000; ++i) {
            Frames::Frame f;
            f.kind = Frames::Kind::Good;
            const qint32 v = (i % 1000) * (i % 7 == 0 ? -1 : 1);
            f.bytes = Framing::rtu(
                QByteArray::fromHex("013704") +
                QByteArray::fromHex(QByteArray::number(quint32(v), 16).rightJustified(8, '0')));
            f.timeUs = qint64(i) * 10'000;
            Records::Record r;
            r.direction = Records::Direction::Received;
            r.kind = Records::Kind::Good;
            r.timeUs = f.timeUs;
            r.reply = Receive::CommRec(f);
            batch << r;
        }
        plot->take(batch);
        auto *combo = child<QComboBox>(w, QStringLiteral("PlotWindow"));
        combo->setCurrentIndex(window);
        emit combo->activated(window);
        plot->redrawNow();
        QTest::qWait(50); // the chart lays out the new axis
        plot->redrawNow();
        const int series = seriesNamed(QStringLiteral("绝对位置"));
        QVERIFY(plot->drawnPoints(series) > 0);
        QVERIFY2(plot->drawnPoints(series) <= 2 * plot->columns() + 2,
                 qPrintable(QStringLiteral("%1 points on %2 columns")
                                .arg(plot->drawnPoints(series))
                                .arg(plot->columns())));
        const auto [t0, t1] = plot->shownRange();
        QCOMPARE(t1, 3'599'990'000LL);
        QCOMPARE(t1 - t0, std::min(span, t1));
        QVERIFY(plot->following());
    }

    // What fixes the time axis and what follows again: new data moves a
    // following axis and leaves a fixed one where it is.
    void viewFollowsOrStays_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("following");
        QTest::addColumn<double>("spanFactor"); // shown span against the 10 s window
        QTest::newRow("nothing: follows") << "" << true << 1.0;
        QTest::newRow("pause") << "pause" << false << 1.0;
        QTest::newRow("pause and resume") << "pause,pause" << true << 1.0;
        QTest::newRow("wheel in") << "wheel+" << false << 0.8;
        QTest::newRow("wheel out") << "wheel-" << false << 1.25;
        QTest::newRow("rubber band over the middle") << "band" << false << 0.5;
        QTest::newRow("a window chosen after a zoom") << "wheel+,window" << true << 1.0;
    }
    void viewFollowsOrStays() {
        QFETCH(QString, action);
        QFETCH(bool, following);
        QFETCH(double, spanFactor);
        FrmMain w;
        PlotView *plot = w.plot();
        qint64 now = 20'000'000;
        plot->setClock([&now] { return now; });
        // The plot as the menu item opens it: a window of its own.
        auto *dock = child<QDockWidget>(w, QStringLiteral("Plot"));
        dock->setFloating(true);
        dock->resize(1100, 460);
        dock->show();
        QVERIFY(QTest::qWaitForWindowExposed(dock));
        auto feed = [&](qint64 from, qint64 to) {
            QList<Records::Record> batch;
            for (qint64 t = from; t < to; t += 100'000) {
                Frames::Frame f;
                f.kind = Frames::Kind::Good;
                f.bytes = rtu("01360400000064");
                f.timeUs = t;
                Records::Record r;
                r.kind = Records::Kind::Good;
                r.direction = Records::Direction::Received;
                r.timeUs = t;
                r.reply = Receive::CommRec(f);
                batch << r;
            }
            plot->take(batch);
        };
        feed(0, now);
        auto *combo = child<QComboBox>(w, QStringLiteral("PlotWindow"));
        combo->setCurrentIndex(0); // 10 s
        emit combo->activated(0);
        plot->redrawNow();
        QTest::qWait(50); // the chart lays out its new axes
        plot->redrawNow();
        QCOMPARE(plot->shownRange(), (std::pair<qint64, qint64>(10'000'000, 20'000'000)));
        auto *view = child<QChartView>(w, QStringLiteral("PlotChart"));
        const QRectF area = view->chart()->plotArea();
        QVERIFY2(area.width() > 100, qPrintable(QStringLiteral("%1x%2 cols %3 view %4")
                                                    .arg(area.width())
                                                    .arg(area.height())
                                                    .arg(plot->columns())
                                                    .arg(view->width())));
        for (const QString &a : action.split(u',', Qt::SkipEmptyParts)) {
            if (a == QLatin1String("pause")) {
                click(w, QStringLiteral("PlotPause"));
            } else if (a.startsWith(QLatin1String("wheel"))) {
                // At the middle of the plot area: the middle stays where it is.
                QWheelEvent wheel(area.center(), view->mapToGlobal(area.center().toPoint()),
                                  QPoint(), QPoint(0, a.endsWith(u'+') ? 120 : -120), Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(view->viewport(), &wheel);
            } else if (a == QLatin1String("band")) {
                // What the rubber band does with the rectangle dragged.
                view->chart()->zoomIn(QRectF(area.left() + area.width() / 4, area.top(),
                                             area.width() / 2, area.height()));
            } else if (a == QLatin1String("window")) {
                emit combo->activated(0);
            }
            plot->redrawNow();
        }
        QCOMPARE(plot->following(), following);
        const auto [t0, t1] = plot->shownRange();
        QVERIFY2(std::abs(double(t1 - t0) - 10e6 * spanFactor) < 10e6 * 0.01,
                 qPrintable(QStringLiteral("%1 .. %2").arg(t0).arg(t1)));
        // Zooms keep the middle where it was.
        if (!following && spanFactor != 1.0)
            QVERIFY(std::abs(double(t0 + t1) / 2 - 15e6) < 10e6 * 0.01);
        // Five seconds later: a following axis moves with the data.
        feed(now, now + 5'000'000);
        now += 5'000'000;
        plot->redrawNow();
        const auto [u0, u1] = plot->shownRange();
        QCOMPARE(u1 - t1, following ? 5'000'000LL : 0LL);
        QCOMPARE(u0 - t0, following ? 5'000'000LL : 0LL);
    }

    void cursorShowsTheValuesInForce_data() {
        QTest::addColumn<qint64>("t"); // on the records' clock
        QTest::addColumn<QString>("text");
        // The plot's zero is its first value: the speed at 0.5 s.
        QTest::newRow("before the first") << 400'000LL << "t = -0.100 s";
        QTest::newRow("speed only") << 600'000LL << "t = 0.100 s   运动速度 = 100";
        QTest::newRow("the newest of each")
            << 3'000'000LL
            << "t = 2.500 s   运动速度 = 200   绝对位置 = -2   运动状态 = 1   左限 = 1   零点 = 1"
               "   右限 = 0";
    }
    void cursorShowsTheValuesInForce() {
        QFETCH(qint64, t);
        QFETCH(QString, text);
        PlotView plot;
        QList<Records::Record> batch;
        for (const auto &[us, hex] :
             QList<QPair<qint64, const char *>>{{0, "012000"},
                                                {500'000, "01360400000064"},
                                                {1'000'000, "013704FFFFFFFE"},
                                                {2'000'000, "013604000000C8"},
                                                {2'400'000, "013B0401010100"}}) {
            Frames::Frame f;
            f.kind = Frames::Kind::Good;
            f.bytes = rtu(hex);
            f.timeUs = us;
            Records::Record r;
            r.kind = Records::Kind::Good;
            r.direction = Records::Direction::Received;
            r.timeUs = us;
            r.reply = Receive::CommRec(f);
            batch << r;
        }
        plot.take(batch);
        QCOMPARE(plot.cursorText(t), text);
    }

    void exports_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("file");
        QTest::newRow("CSV") << "PlotExportCsv"
                             << "curve.csv";
        QTest::newRow("PNG") << "PlotExportPng"
                             << "curve.png";
    }
    void exports() {
        QFETCH(QString, button);
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString path = dir.filePath(file);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        child<QDockWidget>(*w, QStringLiteral("Plot"))->show();
        for (const char *hex : {"01360400000064", "013604000000C8"}) {
            pty.writeMaster(rtu(hex));
            QTest::qWait(150);
        }
        QTRY_COMPARE_WITH_TIMEOUT(w->plot()->model().size(), std::size_t(2), 3000);
        QStringList asked;
        w->chooseFile = [&](bool save, const QString &title, const QString &) {
            asked << title;
            return save ? path : QString();
        };
        int overwrites = 0;
        w->ask = [&](const QString &, const QString &) { return ++overwrites, false; };
        click(*w, button);
        QCOMPARE(asked.size(), 1);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray data = f.readAll();
        f.close();
        if (file.endsWith(QLatin1String(".csv"))) {
            const QList<QByteArray> lines = data.split('\n');
            QCOMPARE(lines.size(), 4); // header, two rows, the empty rest
            QCOMPARE(lines[0], QByteArray("\xEF\xBB\xBFtime,elapsed_us,series,value\r"));
            QVERIFY(lines[1].endsWith(QStringLiteral(",0,运动速度,100\r").toUtf8()));
            QVERIFY(lines[2].endsWith(QStringLiteral(",运动速度,200\r").toUtf8()));
        } else {
            QImage image;
            QVERIFY(image.loadFromData(data, "PNG"));
            QVERIFY(image.width() > 100 && image.height() > 100);
        }
        // Again onto the same file: asked first, and a No leaves it as it was.
        QFile::resize(path, 3);
        click(*w, button);
        QCOMPARE(overwrites, 1);
        QCOMPARE(QFileInfo(path).size(), 3);
    }

    void exportFailureIsReported() {
        FrmMain w;
        QSignalSpy messages(&w, &FrmMain::messageShown);
        w.chooseFile = [](bool, const QString &, const QString &) {
            return QStringLiteral("/nonexistent-dir/curve.csv");
        };
        click(w, QStringLiteral("PlotExportCsv"));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.at(0).at(0).toString().startsWith(QStringLiteral("文件保存失败:")));
    }
};

QTEST_MAIN(TstWatchPlot)
#include "tst_watchplot.moc"
