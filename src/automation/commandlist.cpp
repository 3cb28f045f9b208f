#include "automation/commandlist.h"

#include "codec/hextext.h"
#include "codec/number.h"

namespace CommandList {

QString frameLine(const QByteArray &frame) {
    return HexText::spaced(frame);
}

QString delayLine(const QString &text) {
    return QStringLiteral("Delay:") + text;
}
QString jumpLine(const QString &text) {
    return QStringLiteral("GoIdx:") + text;
}

std::optional<QString> clampDelay(const QString &text) {
    const double v = Number::leading(text);
    if (v > 60000)
        return QStringLiteral("60000");
    if (v < 50)
        return QStringLiteral("50");
    return std::nullopt;
}

QByteArray frameBytes(const QString &line) {
    return HexText::parsePairs(line);
}

QString tag(const QString &line) {
    return line.size() > 5 ? line.left(5) : QString();
}

double numeric(const QString &text) {
    return Number::roundEven(Number::leading(text));
}

} // namespace CommandList
