#pragma once
// The text of a traffic view (sent or received) as a model: lines put in front
// of the older ones, each with its exact line-end characters, newest first. The
// text is bounded: a view holding more than 10000 characters at the start of a
// send or a receive is emptied (a text of exactly 10000 stays).
//
// The first line of each frame may carry the frame's time (a Stamp). The time
// is not part of the text: it is shown in front of the line only when the view
// asks for timestamps, so the text, its length and the bound are the same
// whatever the view shows.
#include <QList>
#include <QString>
#include <QStringList>

// What a view shows in front of a frame's first line.
enum class Timestamps {
    None,     // nothing: every line exactly as the text holds it
    Absolute, // "[23:41:07.123456]": the local wall-clock time
    Relative, // "[+12.345678]": seconds since the port was opened
    Interval, // "[Δ0.012345]": seconds since the previous frame of either view
};

// A frame's time, in microseconds, as each mode shows it.
struct Stamp {
    bool set = false;
    qint64 epochUs = 0;     // wall clock, since the Unix epoch
    qint64 sinceOpenUs = 0; // since the port was opened
    qint64 sincePrevUs = 0; // since the previous frame of either view
};

class TrafficLog {
public:
    static constexpr qsizetype Bound = 10000;

    // Puts one line (its end characters included) in front of the text; the
    // stamp, when set, is shown in front of it in a view with timestamps.
    void prepend(const QString &line, const Stamp &stamp = Stamp());
    void clear();

    // Empties the text when it is longer than Bound; true when it did.
    bool enforceBound();

    qsizetype length() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }
    // The exact text: every line, newest first, with its end characters.
    QString text() const;
    // The lines, newest first.
    const QStringList &lines() const { return m_lines; }
    // Their stamps, in the same order.
    const QList<Stamp> &stamps() const { return m_stamps; }

    // For a view that draws only what changed: lines put in front since the
    // log was made, and times it was emptied. A view that showed the log at
    // (added, clears) and sees the same clears now only lacks the newest
    // added() - added lines.
    quint64 added() const { return m_added; }
    quint64 clears() const { return m_clears; }

    // The text for a plain-text view: one visual line per stored line, its end
    // characters removed; control characters inside a line are shown as their
    // visible pictures (U+2400 block) so a received CR or NUL cannot break or
    // hide a line. Stamped lines start with their time in the given mode and a
    // blank.
    QString rendered(Timestamps mode = Timestamps::None) const;
    // The same for the newest `count` lines only (all when count exceeds them).
    QString renderedNewest(qsizetype count, Timestamps mode = Timestamps::None) const;

    // The time as a view shows it in front of a line: "[23:41:07.123456]",
    // "[+12.345678]", "[Δ0.012345]"; empty for None or an unset stamp.
    static QString stampText(const Stamp &stamp, Timestamps mode);

private:
    QStringList m_lines; // newest first
    QList<Stamp> m_stamps;
    qsizetype m_length = 0;
    quint64 m_added = 0;
    quint64 m_clears = 0;
};
