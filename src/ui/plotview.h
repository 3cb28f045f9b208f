#pragma once
// The plot ("曲线"): every value the series model holds, drawn against its
// receive time; each line series on an axis of its own scaled to the data in
// view, the run state, limits and inputs as step lines in lanes of their own.
// Redrawn at most every RedrawMs, from a reduced set of points (the minimum
// and maximum of each pixel column); arriving records never draw by
// themselves.
//
// Following: the time axis ends at the session's clock and spans the chosen
// window (`PlotWindow`: 10 s, 60 s, 10 min, all). Pausing (`PlotPause`), the
// wheel and a rubber band over the chart fix the axis; data keeps coming in.
// Choosing a window or resuming follows again. The values under the cursor
// show below the chart (`PlotCursor`). Export: the data as CSV
// (`PlotExportCsv`), the chart as PNG (`PlotExportPng`).
#include "link/record.h"
#include "link/seriesmodel.h"

#include <QList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

class PlotView : public QWidget {
    Q_OBJECT
public:
    static constexpr int RedrawMs = 100;

    explicit PlotView(QWidget *parent = nullptr);
    ~PlotView() override;

    // The records the window took; samples are kept whether or not the plot
    // is shown.
    void take(const QList<Records::Record> &records);
    SeriesModel &model() { return m_model; }
    // The records' clock now (µs), which the following time axis ends at.
    void setClock(std::function<qint64()> nowUs) { m_clock = std::move(nowUs); }

    // Seams for the dialogs: a save path (empty: cancelled), a Yes/No
    // question, a message.
    std::function<QString(const QString &title, const QString &filter)> chooseSavePath;
    std::function<bool(const QString &text, const QString &title)> ask;
    std::function<void(const QString &text)> message;

    // The exports after their dialogs; false with *error set on failure.
    bool exportCsv(const QString &path, QString *error) const;
    bool exportPng(const QString &path, QString *error);

    // Draws now (scripted use) and what the last drawing showed.
    void redrawNow();
    int redraws() const { return m_redraws; }
    // Points the chart holds for a series (0 when it has none).
    int drawnPoints(int series) const;
    // The time axis drawn, in µs on the records' clock.
    std::pair<qint64, qint64> shownRange() const { return {m_shownT0, m_shownT1}; }
    int columns() const;
    // The text under the chart for a point in time.
    QString cursorText(qint64 timeUs) const;
    bool following() const { return m_follow; }

protected:
    // A change of language writes the axis title and the span choices again.
    void changeEvent(QEvent *event) override;

private:
    struct Drawn {
        QLineSeries *line = nullptr;
        QValueAxis *axis = nullptr; // null for a step series (they share m_stepAxis)
        int lane = 0;
    };
    void tick();
    void redraw();
    Drawn &ensure(int series);
    void zoomAround(double fraction, double factor);
    void fixView(qint64 t0, qint64 t1);
    void follow();
    void hover(const QPointF &pos);
    void exportCsvAsked();
    void exportPngAsked();
    qint64 windowUs() const;
    bool confirmOverwrite(const QString &path) const;

    SeriesModel m_model;
    std::function<qint64()> m_clock;
    QChart *m_chart;
    QChartView *m_view;
    QValueAxis *m_timeAxis;
    QValueAxis *m_stepAxis;
    QComboBox *m_window;
    QPushButton *m_pause;
    QLabel *m_cursor;
    std::vector<Drawn> m_drawn;
    int m_lanes = 0;
    int m_lineAxes = 0;
    QTimer m_timer;
    bool m_follow = true;
    bool m_viewDirty = true;
    bool m_settingAxes = false;
    qint64 m_viewT0 = 0, m_viewT1 = 0;   // the fixed view, when not following
    qint64 m_shownT0 = 0, m_shownT1 = 0; // the axis last drawn
    quint64 m_drawnRevision = ~0ULL;
    int m_redraws = 0;
};
