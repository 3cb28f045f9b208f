// Record times as the traffic log and the command-line tool write them: local
// ISO 8601 with microseconds and the zone's offset from UTC.
#include "link/record.h"

#include <QtTest>

#include <cstdlib>
#include <ctime>

class TstRecord : public QObject {
    Q_OBJECT
private slots:
    void isoTime_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("epochUs");
        QTest::addColumn<QString>("expected");

        QTest::newRow("UTC, epoch")
            << QByteArray("UTC") << qint64(0) << "1970-01-01T00:00:00.000000+00:00";
        QTest::newRow("UTC, microseconds kept")
            << QByteArray("UTC") << qint64(1'796'859'667'123'456)
            << "2026-12-09T23:41:07.123456+00:00";
        QTest::newRow("east of UTC") << QByteArray("Asia/Shanghai") << qint64(1'796'859'667'123'456)
                                     << "2026-12-10T07:41:07.123456+08:00";
        QTest::newRow("west of UTC, sign and padding")
            << QByteArray("America/St_Johns") << qint64(1'796'859'667'000'001)
            << "2026-12-09T20:11:07.000001-03:30";
        QTest::newRow("before the epoch")
            << QByteArray("UTC") << qint64(-1) << "1969-12-31T23:59:59.999999+00:00";
    }
    void isoTime() {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, epochUs);
        QFETCH(QString, expected);
        qputenv("TZ", zone);
        ::tzset();
        QCOMPARE(Records::isoTime(epochUs), expected);
    }
};

QTEST_GUILESS_MAIN(TstRecord)
#include "tst_record.moc"
