// The list runner's tick over arbitrary lines, base interval and start
// position, for a bounded number of ticks; and the command list's line helpers.
#include "automation/commandlist.h"
#include "automation/runner.h"
#include "fuzz.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString base = Fuzz::text(in, 32);
    int index = in.ConsumeIntegralInRange<int>(-40000, 40000);
    const int ticks = in.ConsumeIntegralInRange<int>(1, 64);
    const QStringList lines = QString::fromUtf8(Fuzz::rest(in)).split(u'\n');

    for (const QString &l : lines) {
        if (const auto clamped = CommandList::clampDelay(l))
            FUZZ_CHECK(*clamped == QLatin1String("50") || *clamped == QLatin1String("60000"));
        (void)CommandList::frameBytes(l);
        (void)CommandList::tag(l);
        if (const auto v = Runner::intervalOf(l))
            FUZZ_CHECK(*v >= 0 && *v <= Runner::MaxInterval);
    }

    const int count = int(lines.size());
    for (int i = 0; i < ticks; ++i) {
        const Runner::Tick t = Runner::tick(lines, index, base);
        FUZZ_CHECK(t.interval >= 0 && t.interval <= Runner::MaxInterval);
        if (t.send)
            FUZZ_CHECK(!t.send->isEmpty());
        // Nothing is sent from outside the list.
        if (index < 0 || index >= count)
            FUZZ_CHECK(!t.send && t.index == index && t.interval == Runner::DefaultInterval);
        // The position stays, or moves to a line, to a jump target a 16-bit
        // position can hold (at most the line count), or back to the start.
        FUZZ_CHECK(t.index == index || (t.index >= -32768 && t.index <= count));
        index = t.index;
    }
    return 0;
}
