// The simulated controller's protocol model fed arbitrary bytes in arbitrary
// pieces, with its clock advanced in between.
#include "codec/framing.h"
#include "fuzz.h"
#include "sim/controller.h"

namespace {

// Every reply is one frame whose checksum holds: an ASCII frame with its LRC,
// or an RTU frame with its CRC.
void checkReply(const QByteArray &reply) {
    if (const auto m = Framing::decodeAscii(reply); m && Fuzz::lrcHolds(*m))
        return;
    FUZZ_CHECK(Fuzz::crcHolds(reply));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    Sim::Controller c;
    // The axis moves in 1 ms steps: the clock is bounded per input.
    qint64 clockLeft = 20'000;
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: {
            const qint64 ms = std::min<qint64>(clockLeft, in.ConsumeIntegralInRange<int>(0, 2000));
            c.advance(ms);
            clockLeft -= ms;
            break;
        }
        case 1:
            c.setInputs(in.ConsumeIntegral<quint8>() & 0x1F);
            break;
        case 2: {
            const QByteArray piece = Fuzz::bytes(in, 600);
            (void)c.feed(piece);
            break;
        }
        default: {
            const QByteArray piece = Fuzz::bytes(in, 64);
            for (const QByteArray &reply : c.receive(piece))
                checkReply(reply);
            break;
        }
        }
        // A partial frame is held up to the 1024 bytes no frame can exceed.
        FUZZ_CHECK(c.pending() <= 1024);
    }
    return 0;
}
