#pragma once
// The text of a traffic view (sent or received) as a model: lines put in front
// of the older ones, each with its exact line-end characters, newest first. The
// text is bounded: a view holding more than 10000 characters at the start of a
// send or a receive is emptied (a text of exactly 10000 stays).
#include <QString>
#include <QStringList>

class TrafficLog {
public:
    static constexpr qsizetype Bound = 10000;

    // Puts one line (its end characters included) in front of the text.
    void prepend(const QString &line);
    void clear();

    // Empties the text when it is longer than Bound; true when it did.
    bool enforceBound();

    qsizetype length() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }
    // The exact text: every line, newest first, with its end characters.
    QString text() const;
    // The lines, newest first.
    const QStringList &lines() const { return m_lines; }

    // The text for a plain-text view: one visual line per stored line, its end
    // characters removed; control characters inside a line are shown as their
    // visible pictures (U+2400 block) so a received CR or NUL cannot break or
    // hide a line.
    QString rendered() const;

private:
    QStringList m_lines; // newest first
    qsizetype m_length = 0;
};
