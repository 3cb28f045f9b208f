// The codec's text parsers and conversions on arbitrary text and bytes: the
// leading-number rule and the data encodings, hex text, ASCII frame decoding,
// code page 936.
#include "codec/cp936.h"
#include "codec/framing.h"
#include "codec/hextext.h"
#include "codec/number.h"
#include "fuzz.h"

#include <cmath>

namespace {

void numbers(const QString &t) {
    const double v = Number::leading(t);
    FUZZ_CHECK(!std::isnan(v));
    FUZZ_CHECK(!std::isnan(Number::roundEven(v)));
    const auto h = Number::h8(t);
    const auto d = Number::d8(t);
    FUZZ_CHECK(h.range.min == 0 && h.range.max == 255);
    FUZZ_CHECK(d.range.min == 0 && d.range.max == 255);
    const auto s = Number::s32(t);
    const auto u = Number::u24(t);
    FUZZ_CHECK(s.ok() == u.ok());
    if (s.ok()) {
        FUZZ_CHECK(s.value->size() == 4 && u.value->size() == 3);
        FUZZ_CHECK(s.value->right(3) == *u.value);
    }
    if (d.ok()) {
        const auto ds = Number::s32(t);
        FUZZ_CHECK(ds.ok() && quint8(ds.value->at(3)) == *d.value);
    }
}

void hexText(const QString &t, const QByteArray &b) {
    const QByteArray pairs = HexText::parsePairs(t);
    const qsizetype digits = t.size() - t.count(u' ');
    FUZZ_CHECK(pairs.size() == (digits + 1) / 2);
    // Bytes written as spaced hex read back as themselves.
    const QString spaced = HexText::spaced(b);
    FUZZ_CHECK(spaced.size() == 3 * b.size());
    FUZZ_CHECK(HexText::parsePairs(spaced) == b);
    (void)CommSetting::StringToHex(t);
    (void)CommSetting::HexToString(t);
    QString noBlanks = t;
    noBlanks.remove(u' ');
    (void)CommSetting::HexToString(noBlanks);
}

void framing(const QByteArray &b) {
    if (const auto m = Framing::decodeAscii(b)) {
        FUZZ_CHECK(m->size() >= 2);
        FUZZ_CHECK(b.size() == 1 + 2 * m->size() + 2);
    }
    // An ASCII frame of any message decodes to the message and its LRC.
    if (!b.isEmpty()) {
        const auto back = Framing::decodeAscii(Framing::ascii(b));
        FUZZ_CHECK(back && back->chopped(1) == b && Fuzz::lrcHolds(*back));
        FUZZ_CHECK(Fuzz::crcHolds(Framing::rtu(b)));
    }
}

void cp936(const QString &t, const QByteArray &b) {
    FUZZ_CHECK(Cp936::bytewise(b).size() == b.size());
    const QString decoded = Cp936::decode(b);
    (void)Cp936::encode(decoded);
    const QByteArray encoded = Cp936::encode(t);
    // Every character encodes to at least one byte (a pair of surrogates is
    // one character).
    qsizetype surrogates = 0;
    for (const QChar c : t)
        surrogates += c.isSurrogate() ? 1 : 0;
    FUZZ_CHECK(encoded.size() >= t.size() - surrogates);
    for (const QChar c : t) {
        const quint16 code = Cp936::codeOf(c);
        (void)Cp936::charOf(code);
    }
    if (b.size() >= 2)
        (void)Cp936::charOf(quint16(quint8(b[0]) << 8 | quint8(b[1])));
    // ASCII text survives the round trip.
    bool ascii = true;
    for (char ch : b)
        ascii = ascii && quint8(ch) < 0x80;
    if (ascii)
        FUZZ_CHECK(Cp936::encode(Cp936::decode(b)) == b);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString t = Fuzz::text(in, 256);
    const QByteArray b = Fuzz::rest(in);
    numbers(t);
    hexText(t, b);
    framing(b);
    cp936(t, b);
    // The same bytes as Latin-1 text, the form the traffic lines give.
    numbers(QString::fromLatin1(b.left(256)));
    return 0;
}
