#pragma once
// Lines of the command list: frame lines recorded from request buttons, delay
// lines ("Delay:" + milliseconds) and jump lines ("GoIdx:" + line position).
#include <QByteArray>
#include <QString>
#include <optional>

namespace CommandList {

// Every byte of the frame as two uppercase hex digits and one blank; the line
// ends with a blank.
QString frameLine(const QByteArray &frame);
// "Delay:" / "GoIdx:" followed by the text as typed, unchecked.
QString delayLine(const QString &text);
QString jumpLine(const QString &text);

// The delay field keeps its value within 50..60000 ms: the text it must be
// replaced with, or nullopt when the text may stay.
std::optional<QString> clampDelay(const QString &text);

// The bytes of a frame line as the runner replays it: blanks removed, a "0" put
// before the last digit of an odd count, then each pair read as hex up to its
// first non-hex character ("1Z" is 0x01, "Z1" 0x00).
QByteArray frameBytes(const QString &line);

// The tag of a line: its first five characters when it is longer than five.
QString tag(const QString &line);

// The numeric value of a text by the leading-number rule, rounded to the
// nearest integer, ties to even.
double numeric(const QString &text);

} // namespace CommandList
