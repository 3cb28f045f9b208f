// The receive decoder on the frames the assembler makes of arbitrary bytes,
// and on arbitrary bytes taken as a frame of each kind; every reply recorded
// on a receive view.
#include "codec/frameassembler.h"
#include "fuzz.h"
#include "link/receive.h"
#include "link/transmit.h"

namespace {

void decode(TrafficSide &side, const Frames::Frame &frame) {
    const Receive::Reply r = Receive::CommRec(frame);
    // The traffic lines and the count are those of the bytes on the line.
    FUZZ_CHECK(r.count == frame.bytes.size());
    FUZZ_CHECK(r.hexLine.startsWith(QLatin1String("RecHex:")));
    FUZZ_CHECK(r.ascLine.startsWith(QLatin1String("RecAsc:")));
    if (r.status)
        FUZZ_CHECK(r.status->size() == 4);
    if (r.inputs)
        FUZZ_CHECK(r.inputs->size() == 5);
    // Only a good frame carries anything.
    if (frame.kind != Frames::Kind::Good)
        FUZZ_CHECK(!r.code && !r.value && !r.status && !r.inputs && !r.ioCommand);
    const qint64 before = side.count;
    Receive::record(side, r);
    // Added to the counter, which the view's bound may have restarted.
    FUZZ_CHECK(side.count == before + r.count || side.count == r.count);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    Frames::Assembler a(Frames::Direction::Replies);
    TrafficSide side;
    qint64 now = 0;
    while (in.remaining_bytes() > 0) {
        const int op = in.ConsumeIntegralInRange<int>(0, 7);
        switch (op) {
        case 1:
            now += in.ConsumeIntegralInRange<qint64>(0, 2'000'000);
            for (const Frames::Frame &f : a.expire(now))
                decode(side, f);
            break;
        case 2:
            a.expectEcho(Fuzz::bytes(in, 300));
            break;
        case 3: {
            // Arbitrary bytes as a frame of any kind and form.
            Frames::Frame f;
            f.kind = Frames::Kind(in.ConsumeIntegralInRange<int>(0, 4));
            f.form = in.ConsumeBool() ? Frames::Form::Ascii : Frames::Form::Rtu;
            f.bytes = Fuzz::bytes(in, 300);
            f.message = f.bytes.size() > 2 ? f.bytes.chopped(2) : f.bytes;
            f.timeUs = now;
            decode(side, f);
            break;
        }
        default: {
            now += in.ConsumeIntegralInRange<qint64>(0, 2'000'000);
            for (const Frames::Frame &f : a.feed(Fuzz::bytes(in, 600), now))
                decode(side, f);
            break;
        }
        }
    }
    return 0;
}
