#pragma once
// The list runner's tick as a pure step: the command list and the position in;
// the bytes to send (if any), the next timer interval and the next position out.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace Runner {

// The timer takes intervals of 0..65535 ms; 0 stops it ticking.
constexpr int MaxInterval = 65535;
// The interval every tick starts from.
constexpr int DefaultInterval = 1000;

struct Tick {
    std::optional<QByteArray> send; // bytes for the transmit pipeline
    int interval = DefaultInterval; // next interval in ms, 0..65535 (0: the timer stops)
    int index = 0;                  // position the next tick processes
    bool wrapped = false;           // the run moved from the last line back to the first
};

// The interval the timer would take for a text, nullopt for one it refuses.
std::optional<int> intervalOf(const QString &text);

// One tick at position `index` with the base interval text of the window.
// `lineAt` gives the text of a line 0..count-1; the runner reads only the
// current line and the one after it.
Tick tick(const std::function<QString(int)> &lineAt, int count, int index,
          const QString &baseInterval);
Tick tick(const QStringList &lines, int index, const QString &baseInterval);

} // namespace Runner
