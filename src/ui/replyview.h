#pragma once
// How a decoded reply shows in the window: a queried value in the field of its
// command code, the run state with its label and the switch lamps, the input
// lamps, the IO-substitution read-back.
#include "link/receive.h"

#include <QColor>
#include <QList>
#include <QMap>

namespace Ui {
class FrmMain;
}

namespace ReplyView {

// The lamps' alert colour (pure red); the normal colour is the window text's.
inline const QColor AlertColour{255, 0, 0};

// Writes what the reply carries into the window's controls; the traffic view
// is not touched.
void showReply(Ui::FrmMain &ui, const Receive::Reply &r, const QColor &normal);

// The run-state label: "停止" or "运动中" in the installed language.
void showRunState(Ui::FrmMain &ui, bool moving);
// Writes the label again in the installed language, keeping the state it shows.
void retranslateRunState(Ui::FrmMain &ui);
// The replies waiting to be shown, of which only the newest for each control
// matters: a control is set at most once per batch, to its last value.
class Latest {
public:
    void add(const Receive::Reply &r);
    bool isEmpty() const { return m_replies.isEmpty(); }
    // The replies that are the newest for at least one control, oldest first;
    // showing them in this order leaves every control with its newest value.
    QList<Receive::Reply> take();

private:
    quint64 m_seq = 0;
    QMap<quint64, Receive::Reply> m_replies; // by arrival
    QMap<int, quint64> m_newest;             // control group -> arrival
};

} // namespace ReplyView
