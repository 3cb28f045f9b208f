#pragma once
// How a decoded reply shows in the window: a queried value in the field of its
// command code, the run state with its label and the switch lamps, the input
// lamps, the IO-substitution read-back.
#include "link/receive.h"

#include <QColor>

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

} // namespace ReplyView
