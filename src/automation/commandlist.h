#pragma once
// Lines of the command list: frame lines recorded from request buttons.
#include <QByteArray>
#include <QString>

namespace CommandList {

// Every byte of the frame as two uppercase hex digits and one blank; the line
// ends with a blank.
QString frameLine(const QByteArray &frame);

} // namespace CommandList
