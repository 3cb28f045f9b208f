// The frame assembler fed arbitrary bytes in arbitrary pieces at arbitrary
// times, with expiries, expected echoes and resets in between.
#include "codec/frameassembler.h"
#include "codec/framing.h"
#include "fuzz.h"

namespace {

struct Check {
    QByteArray line;           // every byte fed since the last reset
    QByteArray emitted;        // every byte given out in frames since then
    QList<QByteArray> written; // the last two requests written (echoes expected)
    qint64 lastTimeUs = 0;

    void frames(const QList<Frames::Frame> &out, const Frames::Assembler &a, qint64 nowUs) {
        for (const Frames::Frame &f : out) {
            FUZZ_CHECK(!f.bytes.isEmpty());
            FUZZ_CHECK(f.timeUs <= nowUs && f.timeUs >= lastTimeUs);
            lastTimeUs = f.timeUs;
            emitted += f.bytes;
            if (f.kind != Frames::Kind::Noise)
                FUZZ_CHECK(f.bytes.size() <= Frames::MaxAsciiFrame);
            switch (f.kind) {
            case Frames::Kind::Good:
                if (f.form == Frames::Form::Rtu) {
                    FUZZ_CHECK(Fuzz::crcHolds(f.bytes));
                    FUZZ_CHECK(f.message == f.bytes.chopped(2));
                } else {
                    const auto carried = Framing::decodeAscii(f.bytes);
                    FUZZ_CHECK(carried && Fuzz::lrcHolds(*carried));
                    FUZZ_CHECK(f.message == carried->chopped(1));
                }
                break;
            case Frames::Kind::Echo:
                // The bytes of a request written, once, whether or not they
                // form a frame (a copy held back may belong to the one before).
                FUZZ_CHECK(written.removeOne(f.bytes));
                break;
            case Frames::Kind::ChecksumFailed:
                if (f.form == Frames::Form::Rtu) {
                    FUZZ_CHECK(!Fuzz::crcHolds(f.bytes));
                } else {
                    const auto carried = Framing::decodeAscii(f.bytes);
                    FUZZ_CHECK(carried && !Fuzz::lrcHolds(*carried));
                }
                break;
            case Frames::Kind::Incomplete:
            case Frames::Kind::Noise:
                break;
            }
        }
        // Every byte read is given out once, in line order, or still held:
        // pending, or as the copy of a request held back until what follows
        // tells echo from reply.
        FUZZ_CHECK(a.pending() <= Frames::MaxPending);
        FUZZ_CHECK(line.startsWith(emitted));
        const qsizetype held = line.size() - emitted.size() - a.pending();
        FUZZ_CHECK(held == 0 || written.contains(line.mid(emitted.size(), held)));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const auto direction =
        in.ConsumeBool() ? Frames::Direction::Requests : Frames::Direction::Replies;
    Frames::Assembler a(direction);
    Check check;
    qint64 now = 0;
    while (in.remaining_bytes() > 0) {
        const int op = in.ConsumeIntegralInRange<int>(0, 7);
        switch (op) {
        case 1:
            now += in.ConsumeIntegralInRange<qint64>(0, 2'000'000);
            check.frames(a.expire(now), a, now);
            break;
        case 2: {
            const QByteArray request = Fuzz::bytes(in, 300);
            a.expectEcho(request);
            check.written.append(request);
            if (check.written.size() > 2)
                check.written.removeFirst();
            break;
        }
        case 3:
            // At its deadline the assembler gives something up.
            if (const auto deadline = a.deadlineUs()) {
                now = std::max(now, *deadline);
                const QList<Frames::Frame> out = a.expire(now);
                FUZZ_CHECK(!out.isEmpty());
                check.frames(out, a, now);
            } else {
                FUZZ_CHECK(a.pending() == 0);
            }
            break;
        case 4:
            a.reset();
            FUZZ_CHECK(a.pending() == 0 && !a.deadlineUs());
            check = Check{{}, {}, {}, now};
            break;
        default: {
            now += in.ConsumeIntegralInRange<qint64>(0, 2'000'000);
            const QByteArray piece = Fuzz::bytes(in, 600);
            check.line += piece;
            check.frames(a.feed(piece, now), a, now);
            break;
        }
        }
    }
    return 0;
}
