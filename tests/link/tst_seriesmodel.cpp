// The plot's series model: which samples a record gives, the reduction of a
// series to pixel columns (each column's minimum and maximum kept, in time
// order), and the export's rows and CSV bytes.
#include "codec/framing.h"
#include "link/receive.h"
#include "link/seriesmodel.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace {

using Samples = QList<QPair<qint64, double>>;

// A good reply record of the given request bytes (the CRC is added), read at timeUs.
Records::Record reply(const QByteArray &bytes, qint64 timeUs,
                      Records::Kind kind = Records::Kind::Good) {
    Frames::Frame f;
    f.kind = kind == Records::Kind::Good ? Frames::Kind::Good : Frames::Kind::ChecksumFailed;
    f.bytes = Framing::rtu(bytes);
    f.message = bytes;
    f.timeUs = timeUs;
    Records::Record r;
    r.direction = Records::Direction::Received;
    r.kind = kind;
    r.timeUs = timeUs;
    r.bytes = f.bytes;
    r.reply = Receive::CommRec(f);
    return r;
}

int seriesNamed(const QString &name) {
    const auto &all = SeriesModel::series();
    for (int i = 0; i < all.size(); ++i)
        if (all[i].name == name)
            return i;
    qFatal("no series %s", qPrintable(name));
}

// "name=value" for every sample the model holds, in export order.
QStringList contents(const SeriesModel &m) {
    QStringList out;
    for (const SeriesModel::Row &r : m.rows())
        out << r.series + u'=' + r.value;
    return out;
}

SeriesModel modelOf(const QString &series, const Samples &samples) {
    SeriesModel m;
    const int s = seriesNamed(series);
    const quint8 code = SeriesModel::series().at(s).code;
    for (const auto &[t, v] : samples) {
        const qint32 x = qint32(v);
        QByteArray b{"\x01", 1};
        b += char(code);
        b += '\x04';
        b += char(quint32(x) >> 24);
        b += char((quint32(x) >> 16) & 0xFF);
        b += char((quint32(x) >> 8) & 0xFF);
        b += char(quint32(x) & 0xFF);
        m.append(reply(b, t));
    }
    return m;
}

QString describe(const std::vector<SeriesModel::Sample> &points) {
    QStringList out;
    for (const auto &p : points)
        out << QStringLiteral("%1:%2").arg(p.timeUs).arg(SeriesModel::valueText(p.value));
    return out.join(u' ');
}

} // namespace

class TstSeriesModel : public QObject {
    Q_OBJECT
private slots:
    void append_data();
    void append();
    void reduce_data();
    void reduce();
    void reductionKeepsEveryColumnsExtremes_data();
    void reductionKeepsEveryColumnsExtremes();
    void exportRows();
    void csvBytes();
    void oldestGoPastCapacity();
    void cursorValue_data();
    void cursorValue();
};

void TstSeriesModel::append_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("samples");
    auto good = int(Records::Kind::Good);
    QTest::newRow("speed") << QByteArray::fromHex("0136040000 2710") << good
                           << QStringList{"运动速度=10000"};
    QTest::newRow("absolute position negative")
        << QByteArray::fromHex("013704FFFFFFFE") << good << QStringList{"绝对位置=-2"};
    QTest::newRow("relative position lowest")
        << QByteArray::fromHex("01390480000000") << good << QStringList{"相对位置=-2147483648"};
    QTest::newRow("initial speed is unsigned")
        << QByteArray::fromHex("012604FFFFFFFF") << good << QStringList{"初速度=4294967295"};
    QTest::newRow("homing speed") << QByteArray::fromHex("013004000003E8") << good
                                  << QStringList{"归零速度=1000"};
    QTest::newRow("status: moving, limits as their bytes")
        << QByteArray::fromHex("013B0405000102") << good
        << QStringList{"运动状态=1", "左限=0", "零点=1", "右限=1"};
    QTest::newRow("inputs") << QByteArray::fromHex("0142050100010001") << good
                            << QStringList{"IN1=1", "IN2=0", "IN3=1", "IN4=0", "IN5=1"};
    QTest::newRow("a failed checksum is not plotted")
        << QByteArray::fromHex("0136040000 2710") << int(Records::Kind::ChecksumFailed)
        << QStringList{};
    QTest::newRow("a reply without a value")
        << QByteArray::fromHex("012000") << good << QStringList{};
    QTest::newRow("too short for a value")
        << QByteArray::fromHex("01360400") << good << QStringList{};
    QTest::newRow("baud-rate reply carries no plotted value")
        << QByteArray::fromHex("01230106") << good << QStringList{};
    QTest::newRow("error reply") << QByteArray::fromHex("01B60103") << good << QStringList{};
}

void TstSeriesModel::append() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QFETCH(QStringList, samples);
    SeriesModel m;
    const int added = m.append(reply(bytes, 5000, Records::Kind(kind)));
    QCOMPARE(added, samples.size());
    QCOMPARE(contents(m), samples);
    QCOMPARE(m.originUs().has_value(), !samples.isEmpty());
    // A sent request or an event with the same bytes gives nothing.
    Records::Record sent = reply(bytes, 6000, Records::Kind(kind));
    sent.direction = Records::Direction::Sent;
    sent.kind = Records::Kind::Request;
    QCOMPARE(m.append(sent), 0);
}

void TstSeriesModel::reduce_data() {
    QTest::addColumn<Samples>("samples");
    QTest::addColumn<qint64>("t0");
    QTest::addColumn<qint64>("t1");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("points");
    // Columns of 10 µs each between 0 and 40.
    QTest::newRow("one sample per column stays")
        << Samples{{0, 1}, {10, 2}, {20, 3}, {30, 4}} << 0LL << 40LL << 4 << "0:1 10:2 20:3 30:4";
    QTest::newRow("min before max in a column")
        << Samples{{0, 5}, {2, 1}, {4, 3}, {6, 9}, {8, 4}} << 0LL << 40LL << 4 << "2:1 6:9";
    QTest::newRow("max before min in a column")
        << Samples{{0, 5}, {2, 9}, {4, 3}, {6, 1}, {8, 4}} << 0LL << 40LL << 4 << "2:9 6:1";
    QTest::newRow("flat column gives its first sample")
        << Samples{{10, 7}, {12, 7}, {15, 7}, {30, 8}} << 0LL << 40LL << 4 << "10:7 30:8";
    QTest::newRow("a spike survives among many")
        << Samples{{0, 0}, {1, 0}, {2, 0}, {3, 100}, {4, 0}, {5, 0}, {6, 0}} << 0LL << 10LL << 1
        << "0:0 3:100";
    QTest::newRow("neighbours outside the range reach the edges")
        << Samples{{-50, 1}, {-5, 2}, {15, 3}, {45, 4}, {90, 5}} << 0LL << 40LL << 4
        << "-5:2 15:3 45:4";
    QTest::newRow("nothing inside: only the neighbours")
        << Samples{{-5, 2}, {45, 4}} << 0LL << 40LL << 4 << "-5:2 45:4";
    QTest::newRow("the end of the range is inside")
        << Samples{{0, 1}, {40, 2}} << 0LL << 40LL << 4 << "0:1 40:2";
    QTest::newRow("empty range") << Samples{{0, 1}} << 40LL << 40LL << 4 << "";
    QTest::newRow("no columns") << Samples{{0, 1}} << 0LL << 40LL << 0 << "";
}

void TstSeriesModel::reduce() {
    QFETCH(Samples, samples);
    QFETCH(qint64, t0);
    QFETCH(qint64, t1);
    QFETCH(int, columns);
    QFETCH(QString, points);
    const SeriesModel m = modelOf(QStringLiteral("运动速度"), samples);
    QCOMPARE(describe(m.reduce(seriesNamed(QStringLiteral("运动速度")), t0, t1, columns)), points);
}

// Many samples on few columns: never more than two points per column (plus
// the two edge neighbours), every column's extremes among them, in time order.
void TstSeriesModel::reductionKeepsEveryColumnsExtremes_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("shape"); // 0 noise, 1 ramp, 2 square wave
    QTest::newRow("noise 100k on 800") << 100000 << 800 << 0;
    QTest::newRow("ramp 50k on 300") << 50000 << 300 << 1;
    QTest::newRow("square 20k on 1000") << 20000 << 1000 << 2;
    QTest::newRow("fewer samples than columns") << 300 << 1000 << 0;
}

void TstSeriesModel::reductionKeepsEveryColumnsExtremes() {
    QFETCH(int, count);
    QFETCH(int, columns);
    QFETCH(int, shape);
    QRandomGenerator rng(42);
    Samples samples;
    for (int i = 0; i < count; ++i) {
        const double v = shape == 0   ? double(rng.bounded(-100000, 100000))
                         : shape == 1 ? double(i)
                                      : double((i / 37) % 2 * 500);
        samples.append({qint64(i) * 10'000, v}); // 100 a second
    }
    const SeriesModel m = modelOf(QStringLiteral("绝对位置"), samples);
    const qint64 t0 = 10'000LL * count / 10, t1 = 10'000LL * count * 9 / 10;
    const auto points = m.reduce(seriesNamed(QStringLiteral("绝对位置")), t0, t1, columns);
    QVERIFY(int(points.size()) <= 2 * columns + 2);
    for (std::size_t i = 1; i < points.size(); ++i)
        QVERIFY(points[i - 1].timeUs < points[i].timeUs);
    // Per column, the extremes of the samples match those of the points.
    QHash<int, QPair<double, double>> want, got;
    auto note = [&](QHash<int, QPair<double, double>> &h, qint64 t, double v) {
        if (t < t0 || t > t1)
            return;
        const int c = int(std::min<qint64>(columns - 1, (t - t0) * columns / (t1 - t0)));
        auto it = h.find(c);
        if (it == h.end())
            h.insert(c, {v, v});
        else
            *it = {std::min(it->first, v), std::max(it->second, v)};
    };
    for (const auto &[t, v] : samples)
        note(want, t, v);
    for (const auto &p : points)
        note(got, p.timeUs, p.value);
    QCOMPARE(got, want);
}

void TstSeriesModel::exportRows() {
    SeriesModel m;
    m.setEpochUs(1'765'324'867'000'000); // 2025-12-10T00:01:07Z
    m.append(reply(QByteArray::fromHex("013704000003E8"), 2'000'123));
    m.append(reply(QByteArray::fromHex("01360400000064"), 2'000'123));
    m.append(reply(QByteArray::fromHex("013B0401010100"), 2'500'000));
    m.append(reply(QByteArray::fromHex("013704000007D0"), 3'000'000));
    QStringList got;
    for (const SeriesModel::Row &r : m.rows())
        got << QStringLiteral("%1,%2,%3,%4").arg(r.time).arg(r.elapsedUs).arg(r.series, r.value);
    // Same time: series order (speed before position); status bytes in order.
    const QStringList want{
        "2025-12-10T00:01:09.000123+00:00,0,运动速度,100",
        "2025-12-10T00:01:09.000123+00:00,0,绝对位置,1000",
        "2025-12-10T00:01:09.500000+00:00,499877,运动状态,1",
        "2025-12-10T00:01:09.500000+00:00,499877,左限,1",
        "2025-12-10T00:01:09.500000+00:00,499877,零点,1",
        "2025-12-10T00:01:09.500000+00:00,499877,右限,0",
        "2025-12-10T00:01:10.000000+00:00,999877,绝对位置,2000",
    };
    QCOMPARE(got, want);
}

void TstSeriesModel::csvBytes() {
    SeriesModel m;
    m.setEpochUs(0);
    m.append(reply(QByteArray::fromHex("013904FFFFFC18"), 1'000'000));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY(m.writeCsv(out, &error));
    QCOMPARE(out.data(), QByteArray("\xEF\xBB\xBFtime,elapsed_us,series,value\r\n"
                                    "1970-01-01T00:00:01.000000+00:00,0,") +
                             QStringLiteral("相对位置").toUtf8() + QByteArray(",-1000\r\n"));
    // A device that refuses the bytes: failure reported, with the reason.
    QBuffer closed;
    closed.open(QIODevice::ReadOnly);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*ReadOnly.*"));
    QVERIFY(!m.writeCsv(closed, &error));
    QVERIFY(!error.isEmpty());
}

void TstSeriesModel::oldestGoPastCapacity() {
    SeriesModel m(5);
    for (int i = 0; i < 4; ++i) {
        m.append(reply(QByteArray::fromHex("01360400000064"), i * 10));
        m.append(reply(QByteArray::fromHex("01370400000001"), i * 10 + 5));
    }
    QCOMPARE(m.size(), std::size_t(5));
    // The five newest stay: 20 (speed) .. 35 (position), whichever series.
    QStringList times;
    for (const SeriesModel::Row &r : m.rows())
        times << QString::number(r.elapsedUs);
    QCOMPARE(times, (QStringList{"15", "20", "25", "30", "35"}));
    QCOMPARE(m.originUs(), std::optional<qint64>(0));
}

void TstSeriesModel::cursorValue_data() {
    QTest::addColumn<qint64>("t");
    QTest::addColumn<QString>("value"); // empty: none
    QTest::newRow("before the first") << 5LL << "";
    QTest::newRow("on a sample") << 10LL << "100";
    QTest::newRow("between: the one in force") << 29LL << "200";
    QTest::newRow("after the last") << 1000LL << "300";
}

void TstSeriesModel::cursorValue() {
    QFETCH(qint64, t);
    QFETCH(QString, value);
    const SeriesModel m =
        modelOf(QStringLiteral("运动速度"), Samples{{10, 100}, {20, 200}, {30, 300}});
    const auto s = m.at(seriesNamed(QStringLiteral("运动速度")), t);
    QCOMPARE(s ? SeriesModel::valueText(s->value) : QString(), value);
}

int main(int argc, char **argv) {
    // The export writes local time; the expected rows are in UTC.
    qputenv("TZ", "UTC");
    tzset();
    QCoreApplication app(argc, argv);
    TstSeriesModel t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_seriesmodel.moc"
