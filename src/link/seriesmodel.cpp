#include "link/seriesmodel.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

bool earlier(const SeriesModel::Sample &s, qint64 t) {
    return s.timeUs < t;
}

bool later(qint64 t, const SeriesModel::Sample &s) {
    return t < s.timeUs;
}

} // namespace

const QList<SeriesModel::Series> &SeriesModel::series() {
    using S = Shape;
    static const QList<Series> all{
        {0x36, 0, QCoreApplication::translate("SeriesModel", "运动速度"), S::Line},
        {0x37, 0, QCoreApplication::translate("SeriesModel", "绝对位置"), S::Line},
        {0x39, 0, QCoreApplication::translate("SeriesModel", "相对位置"), S::Line},
        {0x26, 0, QCoreApplication::translate("SeriesModel", "初速度"), S::Line},
        {0x28, 0, QCoreApplication::translate("SeriesModel", "最大速度"), S::Line},
        {0x2A, 0, QCoreApplication::translate("SeriesModel", "末速度"), S::Line},
        {0x2C, 0, QCoreApplication::translate("SeriesModel", "加速度"), S::Line},
        {0x2E, 0, QCoreApplication::translate("SeriesModel", "减速度"), S::Line},
        {0x30, 0, QCoreApplication::translate("SeriesModel", "归零速度"), S::Line},
        {0x3B, 0, QCoreApplication::translate("SeriesModel", "运动状态"), S::Step},
        {0x3B, 1, QCoreApplication::translate("SeriesModel", "左限"), S::Step},
        {0x3B, 2, QCoreApplication::translate("SeriesModel", "零点"), S::Step},
        {0x3B, 3, QCoreApplication::translate("SeriesModel", "右限"), S::Step},
        {0x42, 0, QStringLiteral("IN1"), S::Step},
        {0x42, 1, QStringLiteral("IN2"), S::Step},
        {0x42, 2, QStringLiteral("IN3"), S::Step},
        {0x42, 3, QStringLiteral("IN4"), S::Step},
        {0x42, 4, QStringLiteral("IN5"), S::Step},
    };
    return all;
}

std::pair<int, int> SeriesModel::seriesOf(quint8 code) {
    const QList<Series> &all = series();
    int first = -1;
    int count = 0;
    for (int i = 0; i < all.size(); ++i)
        if (all[i].code == code) {
            if (first < 0)
                first = i;
            ++count;
        }
    return {first, count};
}

SeriesModel::SeriesModel(std::size_t capacity)
    : m_samples(std::size_t(series().size())), m_capacity(std::max<std::size_t>(1, capacity)) {}

int SeriesModel::append(const Records::Record &r) {
    if (r.kind != Records::Kind::Good || !r.reply || !r.reply->code)
        return 0;
    const Receive::Reply &reply = *r.reply;
    const auto span = seriesOf(*reply.code);
    const int first = span.first;
    const int count = span.second;
    if (count == 0)
        return 0;
    int added = 0;
    auto flags = [&](const QByteArray &bytes) {
        for (int i = 0; i < std::min<int>(count, int(bytes.size())); ++i, ++added)
            add(first + i, r.timeUs, bytes.at(i) ? 1.0 : 0.0);
    };
    if (reply.value) {
        add(first, r.timeUs, double(*reply.value));
        added = 1;
    } else if (reply.status && *reply.code == 0x3B) {
        flags(*reply.status);
    } else if (reply.inputs && *reply.code == 0x42) {
        flags(*reply.inputs);
    }
    return added;
}

void SeriesModel::add(int series, qint64 timeUs, double value) {
    if (!m_origin)
        m_origin = timeUs;
    std::deque<Sample> &d = m_samples[std::size_t(series)];
    // Records come in time order; a stray older one is put in its place.
    if (d.empty() || d.back().timeUs <= timeUs)
        d.push_back({timeUs, value});
    else
        d.insert(std::upper_bound(d.begin(), d.end(), timeUs, later), Sample{timeUs, value});
    ++m_size;
    ++m_revision;
    while (m_size > m_capacity)
        dropOldest();
}

void SeriesModel::dropOldest() {
    std::deque<Sample> *oldest = nullptr;
    for (std::deque<Sample> &d : m_samples)
        if (!d.empty() && (!oldest || d.front().timeUs < oldest->front().timeUs))
            oldest = &d;
    if (!oldest)
        return;
    oldest->pop_front();
    --m_size;
}

void SeriesModel::clear() {
    for (std::deque<Sample> &d : m_samples)
        std::deque<Sample>().swap(d);
    m_size = 0;
    m_origin.reset();
    ++m_revision;
}

std::optional<qint64> SeriesModel::lastUs() const {
    std::optional<qint64> last;
    for (const std::deque<Sample> &d : m_samples)
        if (!d.empty() && (!last || d.back().timeUs > *last))
            last = d.back().timeUs;
    return last;
}

std::vector<SeriesModel::Sample> SeriesModel::reduce(int series, qint64 t0, qint64 t1,
                                                     int columns) const {
    std::vector<Sample> out;
    const std::deque<Sample> &d = m_samples.at(std::size_t(series));
    if (d.empty() || columns < 1 || t1 <= t0)
        return out;
    const auto lo = std::lower_bound(d.begin(), d.end(), t0, earlier);
    const auto hi = std::upper_bound(lo, d.end(), t1, later);
    out.reserve(std::size_t(std::min<qint64>(hi - lo, 2LL * columns)) + 2);
    if (lo != d.begin())
        out.push_back(*(lo - 1));
    const qint64 span = t1 - t0;
    int column = -1;
    Sample low{}, high{};
    auto flush = [&] {
        if (column < 0)
            return;
        if (low.timeUs == high.timeUs || low.value == high.value) {
            out.push_back(low);
        } else if (low.timeUs < high.timeUs) {
            out.push_back(low);
            out.push_back(high);
        } else {
            out.push_back(high);
            out.push_back(low);
        }
    };
    for (auto it = lo; it != hi; ++it) {
        const int c = int(std::min<qint64>(columns - 1, (it->timeUs - t0) * columns / span));
        if (c != column) {
            flush();
            column = c;
            low = high = *it;
            continue;
        }
        if (it->value < low.value)
            low = *it;
        if (it->value > high.value)
            high = *it;
    }
    flush();
    if (hi != d.end())
        out.push_back(*hi);
    if (SeriesModel::series().at(series).shape == Shape::Step && out.size() > 1) {
        std::vector<Sample> changes{out.front()};
        for (std::size_t i = 1; i < out.size(); ++i)
            if (out[i].value != changes.back().value)
                changes.push_back(out[i]);
        if (changes.back().timeUs != out.back().timeUs)
            changes.push_back(out.back()); // the line runs on to the last sample
        out = std::move(changes);
    }
    return out;
}

std::optional<SeriesModel::Sample> SeriesModel::at(int series, qint64 t) const {
    const std::deque<Sample> &d = m_samples.at(std::size_t(series));
    const auto it = std::upper_bound(d.begin(), d.end(), t, later);
    if (it == d.begin())
        return std::nullopt;
    return *(it - 1);
}

std::optional<std::pair<double, double>> SeriesModel::range(const std::vector<Sample> &points) {
    if (points.empty())
        return std::nullopt;
    const auto [lo, hi] =
        std::minmax_element(points.begin(), points.end(),
                            [](const Sample &a, const Sample &b) { return a.value < b.value; });
    return std::pair{lo->value, hi->value};
}

QString SeriesModel::valueText(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::abs(v) < 9.0e15)
        return QString::number(qint64(v));
    return QString::number(v, 'g', 15);
}

void SeriesModel::forEachRow(const std::function<void(const Row &)> &row) const {
    const qint64 origin = m_origin.value_or(0);
    std::vector<std::size_t> next(m_samples.size(), 0);
    const QList<Series> &names = series();
    for (;;) {
        int pick = -1;
        for (std::size_t s = 0; s < m_samples.size(); ++s) {
            if (next[s] >= m_samples[s].size())
                continue;
            if (pick < 0 || m_samples[s][next[s]].timeUs <
                                m_samples[std::size_t(pick)][next[std::size_t(pick)]].timeUs)
                pick = int(s);
        }
        if (pick < 0)
            return;
        const Sample &s = m_samples[std::size_t(pick)][next[std::size_t(pick)]++];
        row(Row{Records::isoTime(m_epochUs + s.timeUs), s.timeUs - origin, names.at(pick).name,
                valueText(s.value)});
    }
}

QList<SeriesModel::Row> SeriesModel::rows() const {
    QList<Row> out;
    out.reserve(qsizetype(m_size));
    forEachRow([&out](const Row &r) { out.push_back(r); });
    return out;
}

bool SeriesModel::writeCsv(QIODevice &out, QString *error) const {
    QByteArray buffer("\xEF\xBB\xBF"
                      "time,elapsed_us,series,value\r\n");
    bool ok = true;
    auto flush = [&] {
        if (ok && out.write(buffer) != buffer.size()) {
            ok = false;
            if (error)
                *error = out.errorString();
        }
        buffer.clear();
    };
    forEachRow([&](const Row &r) {
        // No field holds a comma, a quote or a line break: the names are fixed.
        buffer += r.time.toUtf8() + ',' + QByteArray::number(r.elapsedUs) + ',' +
                  r.series.toUtf8() + ',' + r.value.toUtf8() + "\r\n";
        if (buffer.size() >= 1 << 16)
            flush();
    });
    flush();
    return ok;
}
