#pragma once
// Draws a traffic view's text into its plain-text control, touching only what
// changed: lines put in front since the last draw are inserted at the top; the
// whole text is set again only when the view was emptied (the bound, a clear)
// or the timestamps changed. The control then holds exactly
// TrafficLog::rendered(mode).
#include "link/trafficlog.h"

class QPlainTextEdit;

class TrafficView {
public:
    // Lines inserted are not kept for undo.
    explicit TrafficView(QPlainTextEdit *edit = nullptr);

    // Brings the control to `log` as shown with `mode`.
    void show(const TrafficLog &log, Timestamps mode);
    // How the last show() brought the control up to date; for tests.
    enum class Drawn { Nothing, Inserted, Reset };
    Drawn lastDraw() const { return m_lastDraw; }

private:
    QPlainTextEdit *m_edit;
    bool m_valid = false;
    quint64 m_added = 0;
    quint64 m_clears = 0;
    qsizetype m_lines = 0;
    Timestamps m_mode = Timestamps::None;
    Drawn m_lastDraw = Drawn::Nothing;
};
