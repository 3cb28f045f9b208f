#include "automation/runner.h"

#include "automation/commandlist.h"

#include <cmath>
#include <limits>

namespace Runner {

namespace {
const QString DelayTag = QStringLiteral("Delay");
const QString JumpTag = QStringLiteral("GoIdx");

bool isControl(const QString &tag) {
    return tag == DelayTag || tag == JumpTag;
}
} // namespace

std::optional<int> intervalOf(const QString &text) {
    const double v = CommandList::numeric(text);
    if (!(v >= 0 && v <= MaxInterval)) // also an infinite value
        return std::nullopt;
    return int(v);
}

Tick tick(const QStringList &lines, int index, const QString &baseInterval) {
    return tick([&lines](int i) { return lines.at(i); }, int(lines.size()), index, baseInterval);
}

Tick tick(const std::function<QString(int)> &lineAt, int count, int index,
          const QString &baseInterval) {
    Tick t;
    t.index = index;
    const QString current = index >= 0 && index < count ? lineAt(index) : QString();
    // An empty line, or a position outside the list, holds the run where it is.
    if (current.isEmpty())
        return t;

    // A frame line; one without any digit gives no bytes and sends nothing.
    if (!isControl(CommandList::tag(current)))
        if (QByteArray bytes = CommandList::frameBytes(current); !bytes.isEmpty())
            t.send = std::move(bytes);

    if (const auto base = intervalOf(baseInterval))
        t.interval = *base;

    // Look ahead: a delay line sets the wait before the line after it, a jump
    // line sends the run to its target.
    if (index < count - 1) {
        const QString next = lineAt(index + 1);
        const QString nextTag = CommandList::tag(next);
        if (nextTag == DelayTag) {
            if (const auto wait = intervalOf(next.mid(6)))
                t.interval = *wait;
            ++index;
        } else if (nextTag == JumpTag) {
            const double target = CommandList::numeric(next.mid(6));
            if (target <= double(count) && target >= std::numeric_limits<qint16>::min()) {
                t.index = int(target);
                return t;
            }
        }
    }
    ++index;
    t.wrapped = index >= count;
    t.index = t.wrapped ? 0 : index;
    return t;
}

} // namespace Runner
