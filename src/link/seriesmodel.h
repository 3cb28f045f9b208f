#pragma once
// The plot's data, without a widget: every value a good reply carries, kept
// per series against the reply's receive time, whatever sent the request.
// The view asks for a reduced set of points per series (at most the minimum
// and the maximum of each pixel column), the export for rows in time order.
//
// Series: the values of 0x36 (speed), 0x37 and 0x39 (positions) and the
// profile queries 0x26 .. 0x30 are lines; the run state and the limits of
// 0x3B and the inputs of 0x42 are 0/1 step lines (1: the byte is not zero,
// as the traffic log writes them).
#include "link/record.h"

#include <QIODevice>
#include <QList>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class SeriesModel {
public:
    enum class Shape { Line, Step };
    struct Series {
        quint8 code;  // the reply's command code
        int part;     // which byte of a status or input reply (0 for a value)
        QString name; // as the legend, the cursor and the export name it
        Shape shape;
    };
    struct Sample {
        qint64 timeUs; // the record's time on the session's clock
        double value;
    };
    struct Row {
        QString time;     // local ISO 8601 with microseconds and offset
        qint64 elapsedUs; // since the first sample the plot took
        QString series;
        QString value;
    };

    // Every series the model knows, by index.
    static const QList<Series> &series();
    // The series a reply of `code` feeds, first index and count (count 0: none).
    static std::pair<int, int> seriesOf(quint8 code);

    // Roughly four hours at 100 values a second in all; past that the oldest
    // samples go.
    static constexpr std::size_t DefaultCapacity = 1'500'000;
    explicit SeriesModel(std::size_t capacity = DefaultCapacity);

    // Wall-clock time (µs since the Unix epoch) at which the records' clock
    // read 0 (Session::epochUs()), for the export's time column.
    void setEpochUs(qint64 epochUs) { m_epochUs = epochUs; }

    // Takes what a record carries; returns the number of samples added
    // (0 for anything but a good reply with a value, status or inputs).
    int append(const Records::Record &r);
    void clear();

    const std::deque<Sample> &samples(int series) const { return m_samples.at(series); }
    std::size_t size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // Time of the first sample ever taken since the last clear (the plot's
    // zero), and of the newest kept.
    std::optional<qint64> originUs() const { return m_origin; }
    std::optional<qint64> lastUs() const;
    // Raised by every change, so a view redraws only when something changed.
    quint64 revision() const { return m_revision; }

    // The points to draw of one series between t0 and t1 (µs) on `columns`
    // pixel columns: per column its minimum and its maximum in time order
    // (one point when they are the same sample or value), plus the last
    // sample before t0 and the first after t1 so the line reaches the edges.
    // A step series gives only the samples where its value changes, plus the
    // last one drawn.
    std::vector<Sample> reduce(int series, qint64 t0, qint64 t1, int columns) const;
    // The sample in force at time t: the last one at or before it.
    std::optional<Sample> at(int series, qint64 t) const;
    // Smallest and largest value among the given points.
    static std::optional<std::pair<double, double>> range(const std::vector<Sample> &points);

    // Export rows of every series, in time order (ties in series order).
    void forEachRow(const std::function<void(const Row &)> &row) const;
    QList<Row> rows() const;
    // The CSV export: "time,elapsed_us,series,value", UTF-8 with a byte-order
    // mark, CR LF line ends. False with *error set when writing failed.
    bool writeCsv(QIODevice &out, QString *error) const;

    // A value as the export and the cursor write it: integers without a
    // fraction.
    static QString valueText(double v);

private:
    void add(int series, qint64 timeUs, double value);
    void dropOldest();

    std::vector<std::deque<Sample>> m_samples;
    std::size_t m_capacity;
    std::size_t m_size = 0;
    std::optional<qint64> m_origin;
    qint64 m_epochUs = 0;
    quint64 m_revision = 0;
};
