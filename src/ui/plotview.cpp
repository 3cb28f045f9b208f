#include "ui/plotview.h"

#include "ui/codetexts.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// The windows the time axis can span, µs (0: everything kept).
constexpr std::array<std::pair<const char *, qint64>, 4> Windows{{
    {QT_TRANSLATE_NOOP("PlotView", "10 秒"), 10'000'000},
    {QT_TRANSLATE_NOOP("PlotView", "60 秒"), 60'000'000},
    {QT_TRANSLATE_NOOP("PlotView", "10 分钟"), 600'000'000},
    {QT_TRANSLATE_NOOP("PlotView", "全部"), 0},
}};
constexpr int DefaultWindow = 1;

// A step series' lane: 0/1 drawn at lane * LaneStep + 0 .. 0.8.
constexpr double LaneStep = 1.2;
constexpr double LaneHigh = 0.8;

// A range on round numbers (steps of 1, 2 or 5 times a power of ten) around
// lo..hi with a margin, so small changes of the data leave the axis as it is.
std::pair<double, double> roundRange(double lo, double hi) {
    const double span = hi > lo ? hi - lo : std::max(1.0, std::abs(lo) * 0.1);
    const double raw = span / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power * 10;
    for (const double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) {
            step = m * power;
            break;
        }
    return {std::floor((lo - span * 0.05) / step) * step,
            std::ceil((hi + span * 0.05) / step) * step};
}

// The chart view with the wheel zooming the time axis and the cursor
// reported.
class ChartView : public QChartView {
public:
    using QChartView::QChartView;
    std::function<void(const QPointF &pos, int delta)> wheeled;
    std::function<void(const QPointF &pos)> hovered;

protected:
    void wheelEvent(QWheelEvent *e) override {
        if (wheeled && e->angleDelta().y() != 0) {
            wheeled(e->position(), e->angleDelta().y());
            e->accept();
            return;
        }
        QChartView::wheelEvent(e);
    }
    void mouseMoveEvent(QMouseEvent *e) override {
        if (hovered)
            hovered(e->position());
        QChartView::mouseMoveEvent(e);
    }
};

} // namespace

PlotView::PlotView(QWidget *parent)
    : QWidget(parent), m_chart(new QChart), m_timeAxis(new QValueAxis(this)),
      m_stepAxis(new QValueAxis(this)) {
    setObjectName(QStringLiteral("PlotView"));
    auto *view = new ChartView(m_chart, this);
    m_view = view;
    view->setObjectName(QStringLiteral("PlotChart"));
    view->setRenderHint(QPainter::Antialiasing, false);
    view->setRubberBand(QChartView::HorizontalRubberBand);
    view->setMouseTracking(true);
    view->wheeled = [this](const QPointF &pos, int delta) {
        const QRectF area = m_chart->plotArea();
        if (area.width() <= 0)
            return;
        zoomAround(std::clamp((pos.x() - area.left()) / area.width(), 0.0, 1.0),
                   delta > 0 ? 0.8 : 1.25);
    };
    view->hovered = [this](const QPointF &pos) { hover(pos); };

    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_timeAxis->setTitleText(tr("时间 (s)"));
    m_timeAxis->setLabelFormat(QStringLiteral("%.1f"));
    m_timeAxis->setRange(0, 60);
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_stepAxis->setVisible(false);
    m_stepAxis->setRange(-0.2, LaneStep);
    m_chart->addAxis(m_stepAxis, Qt::AlignRight);
    // A rubber band or a right click changes the time axis: the view is fixed there.
    connect(m_timeAxis, &QValueAxis::rangeChanged, this, [this](qreal min, qreal max) {
        if (m_settingAxes || !m_model.originUs())
            return;
        const qint64 origin = *m_model.originUs();
        fixView(origin + qint64(min * 1e6), origin + qint64(max * 1e6));
    });

    m_window = new QComboBox(this);
    m_window->setObjectName(QStringLiteral("PlotWindow"));
    for (const auto &[text, us] : Windows)
        m_window->addItem(tr(text), QVariant::fromValue(us));
    m_window->setCurrentIndex(DefaultWindow);
    connect(m_window, &QComboBox::activated, this, [this] { follow(); });

    m_pause = new QPushButton(this);
    CodeTexts::bind(m_pause, "PlotView", QT_TRANSLATE_NOOP("PlotView", "暂停"));
    m_pause->setObjectName(QStringLiteral("PlotPause"));
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, [this](bool paused) {
        CodeTexts::bind(m_pause, "PlotView",
                        paused ? QT_TRANSLATE_NOOP("PlotView", "继续")
                               : QT_TRANSLATE_NOOP("PlotView", "暂停"));
        if (paused)
            fixView(m_shownT0, m_shownT1);
        else
            follow();
    });
    auto *clear = new QPushButton(this);
    CodeTexts::bind(clear, "PlotView", QT_TRANSLATE_NOOP("PlotView", "清空"));
    clear->setObjectName(QStringLiteral("PlotClear"));
    connect(clear, &QPushButton::clicked, this, [this] {
        m_model.clear();
        follow();
    });
    auto *csv = new QPushButton(this);
    CodeTexts::bind(csv, "PlotView", QT_TRANSLATE_NOOP("PlotView", "导出CSV..."));
    csv->setObjectName(QStringLiteral("PlotExportCsv"));
    connect(csv, &QPushButton::clicked, this, &PlotView::exportCsvAsked);
    auto *png = new QPushButton(this);
    CodeTexts::bind(png, "PlotView", QT_TRANSLATE_NOOP("PlotView", "导出PNG..."));
    png->setObjectName(QStringLiteral("PlotExportPng"));
    connect(png, &QPushButton::clicked, this, &PlotView::exportPngAsked);

    m_cursor = new QLabel(this);
    m_cursor->setObjectName(QStringLiteral("PlotCursor"));
    m_cursor->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cursor->setMinimumWidth(100);
    m_cursor->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *bar = new QHBoxLayout;
    auto *span = new QLabel(this);
    CodeTexts::bind(span, "PlotView", QT_TRANSLATE_NOOP("PlotView", "时间范围:"));
    bar->addWidget(span);
    bar->addWidget(m_window);
    bar->addWidget(m_pause);
    bar->addWidget(clear);
    bar->addStretch(1);
    bar->addWidget(csv);
    bar->addWidget(png);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_cursor);

    m_drawn.resize(std::size_t(SeriesModel::series().size()));
    m_timer.setInterval(RedrawMs);
    connect(&m_timer, &QTimer::timeout, this, &PlotView::tick);
    m_timer.start();
}

PlotView::~PlotView() {
    // The chart goes first, while the members its signals reach still stand.
    m_timer.stop();
    delete m_view;
}

void PlotView::take(const QList<Records::Record> &records) {
    for (const Records::Record &r : records)
        m_model.append(r);
}

qint64 PlotView::windowUs() const {
    return m_window->currentData().toLongLong();
}

void PlotView::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        m_timeAxis->setTitleText(tr("时间 (s)"));
        for (int i = 0; i < m_window->count() && i < int(Windows.size()); ++i)
            m_window->setItemText(i, tr(Windows[std::size_t(i)].first));
    }
    QWidget::changeEvent(event);
}

int PlotView::columns() const {
    return std::max(1, int(m_chart->plotArea().width()));
}

void PlotView::follow() {
    m_follow = true;
    if (m_pause->isChecked()) {
        const QSignalBlocker block(m_pause);
        m_pause->setChecked(false);
        CodeTexts::bind(m_pause, "PlotView", QT_TRANSLATE_NOOP("PlotView", "暂停"));
    }
    m_viewDirty = true;
}

void PlotView::fixView(qint64 t0, qint64 t1) {
    if (t1 <= t0)
        return;
    m_follow = false;
    m_viewT0 = t0;
    m_viewT1 = t1;
    m_viewDirty = true;
}

void PlotView::zoomAround(double fraction, double factor) {
    if (!m_model.originUs())
        return;
    const double span = double(m_shownT1 - m_shownT0);
    const double centre = double(m_shownT0) + fraction * span;
    const double next = std::max(1000.0, span * factor); // no closer than 1 ms across
    const qint64 t0 = qint64(centre - fraction * next);
    fixView(t0, t0 + qint64(next));
}

void PlotView::tick() {
    if (!isVisible() || !m_model.originUs())
        return;
    // Paused or zoomed: drawn again only when the view or, inside it, the data changed.
    const bool changed = m_model.revision() != m_drawnRevision;
    if (m_viewDirty || (!m_pause->isChecked() && (m_follow || changed)))
        redraw();
}

void PlotView::redrawNow() {
    redraw();
}

PlotView::Drawn &PlotView::ensure(int series) {
    Drawn &d = m_drawn[std::size_t(series)];
    if (d.line)
        return d;
    const SeriesModel::Series &s = SeriesModel::series().at(series);
    d.line = new QLineSeries(this);
    d.line->setName(s.name);
    m_chart->addSeries(d.line);
    d.line->attachAxis(m_timeAxis);
    if (s.shape == SeriesModel::Shape::Step) {
        d.lane = m_lanes++;
        d.line->attachAxis(m_stepAxis);
        m_settingAxes = true;
        m_stepAxis->setRange(-0.2, m_lanes * LaneStep);
        m_settingAxes = false;
    } else {
        d.axis = new QValueAxis(this);
        d.axis->setTitleText(s.name);
        d.axis->setLabelFormat(QStringLiteral("%.0f"));
        m_chart->addAxis(d.axis, m_lineAxes++ % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
        d.line->attachAxis(d.axis);
        const QColor colour = d.line->pen().color();
        d.axis->setLinePenColor(colour);
        d.axis->setLabelsColor(colour);
        d.axis->setTitleBrush(colour);
    }
    // A click on the legend hides or shows the series and its axis.
    for (QLegendMarker *marker : m_chart->legend()->markers(d.line))
        connect(marker, &QLegendMarker::clicked, this, [this, line = d.line, axis = d.axis] {
            line->setVisible(!line->isVisible());
            if (axis)
                axis->setVisible(line->isVisible());
            for (QLegendMarker *m : m_chart->legend()->markers(line)) {
                m->setVisible(true);
                QFont f = m->font();
                f.setStrikeOut(!line->isVisible());
                m->setFont(f);
            }
            m_viewDirty = true;
        });
    return d;
}

void PlotView::redraw() {
    const auto origin = m_model.originUs();
    if (!origin)
        return;
    ++m_redraws;
    m_viewDirty = false;
    m_drawnRevision = m_model.revision();
    qint64 t0 = m_viewT0, t1 = m_viewT1;
    if (m_follow) {
        const qint64 last = m_model.lastUs().value_or(*origin);
        t1 = std::max(last, m_clock ? m_clock() : last);
        const qint64 window = windowUs();
        t0 = window > 0 ? t1 - window : *origin;
        if (t1 <= t0)
            t1 = t0 + 1'000'000;
    }
    m_shownT0 = t0;
    m_shownT1 = t1;
    const QList<SeriesModel::Series> &all = SeriesModel::series();
    for (int i = 0; i < all.size(); ++i)
        if (!m_model.samples(i).empty())
            ensure(i);
    const int cols = columns();
    auto seconds = [o = *origin](qint64 t) { return double(t - o) / 1e6; };

    m_settingAxes = true;
    m_timeAxis->setRange(seconds(t0), seconds(t1));
    for (int i = 0; i < all.size(); ++i) {
        if (!m_drawn[std::size_t(i)].line)
            continue;
        Drawn &d = m_drawn[std::size_t(i)];
        const std::vector<SeriesModel::Sample> points = m_model.reduce(i, t0, t1, cols);
        QList<QPointF> xy;
        if (all[i].shape == SeriesModel::Shape::Step) {
            const double base = d.lane * LaneStep;
            xy.reserve(qsizetype(points.size() * 2));
            for (std::size_t k = 0; k < points.size(); ++k) {
                const double x = seconds(points[k].timeUs);
                if (k > 0)
                    xy.append({x, base + points[k - 1].value * LaneHigh});
                xy.append({x, base + points[k].value * LaneHigh});
            }
        } else {
            xy.reserve(qsizetype(points.size()));
            std::vector<SeriesModel::Sample> inside;
            for (const SeriesModel::Sample &p : points) {
                xy.append({seconds(p.timeUs), p.value});
                if (p.timeUs >= t0 && p.timeUs <= t1)
                    inside.push_back(p);
            }
            if (const auto r = SeriesModel::range(inside.empty() ? points : inside)) {
                // Kept while the data fits and fills more than half of it:
                // a new range re-lays out the whole chart.
                const auto [lo, hi] = roundRange(r->first, r->second);
                const bool fits = d.axis->min() <= r->first && d.axis->max() >= r->second;
                if (!fits || d.axis->max() - d.axis->min() > 2 * (hi - lo))
                    d.axis->setRange(lo, hi);
            }
        }
        d.line->replace(xy);
    }
    m_settingAxes = false;
}

int PlotView::drawnPoints(int series) const {
    const Drawn &d = m_drawn.at(std::size_t(series));
    return d.line ? int(d.line->count()) : 0;
}

QString PlotView::cursorText(qint64 timeUs) const {
    const auto origin = m_model.originUs();
    if (!origin)
        return {};
    QStringList parts{QStringLiteral("t = %1 s").arg(double(timeUs - *origin) / 1e6, 0, 'f', 3)};
    const QList<SeriesModel::Series> &all = SeriesModel::series();
    for (int i = 0; i < all.size(); ++i) {
        const Drawn &d = m_drawn.at(std::size_t(i));
        if (d.line && !d.line->isVisible())
            continue;
        if (const auto s = m_model.at(i, timeUs))
            parts << all[i].name + QStringLiteral(" = ") + SeriesModel::valueText(s->value);
    }
    return parts.join(QStringLiteral("   "));
}

void PlotView::hover(const QPointF &pos) {
    const QRectF area = m_chart->plotArea();
    if (area.width() <= 0 || !area.contains(pos) || m_shownT1 <= m_shownT0)
        return;
    const double fraction = (pos.x() - area.left()) / area.width();
    m_cursor->setText(cursorText(m_shownT0 + qint64(fraction * double(m_shownT1 - m_shownT0))));
}

bool PlotView::confirmOverwrite(const QString &path) const {
    return !QFileInfo::exists(path) || !ask || ask(tr("是否覆盖文件？"), tr("文件保存"));
}

bool PlotView::exportCsv(const QString &path, QString *error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!m_model.writeCsv(file, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool PlotView::exportPng(const QString &path, QString *error) {
    redraw();
    const QPixmap image = m_view->grab();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void PlotView::exportCsvAsked() {
    if (!chooseSavePath)
        return;
    const QString path = chooseSavePath(tr("导出CSV"), tr("CSV文件(*.csv)"));
    if (path.isEmpty() || !confirmOverwrite(path))
        return;
    QString error;
    if (!exportCsv(path, &error) && message)
        message(tr("文件保存失败:") + error);
}

void PlotView::exportPngAsked() {
    if (!chooseSavePath)
        return;
    const QString path = chooseSavePath(tr("导出PNG"), tr("PNG图片(*.png)"));
    if (path.isEmpty() || !confirmOverwrite(path))
        return;
    QString error;
    if (!exportPng(path, &error) && message)
        message(tr("文件保存失败:") + error);
}
