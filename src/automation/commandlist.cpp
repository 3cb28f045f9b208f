#include "automation/commandlist.h"

#include "codec/hextext.h"

namespace CommandList {

QString frameLine(const QByteArray &frame) { return HexText::spaced(frame); }

} // namespace CommandList
