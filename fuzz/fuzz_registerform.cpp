// The register form of arbitrary frames at arbitrary offsets, the offset
// request (Command3) with an arbitrary offset text, and one catalogue request
// with arbitrary field texts.
#include "codec/framing.h"
#include "commands/catalogue.h"
#include "commands/registerform.h"
#include "fuzz.h"

#include <QHash>

namespace {

// A converted frame is a register request with a valid checksum.
void checkConverted(const QByteArray &in, const RegisterForm::Converted &c,
                    RegisterForm::Function function) {
    FUZZ_CHECK(c.frame.has_value() == c.refusal.isEmpty());
    if (!c.frame)
        return;
    QByteArray message;
    if (Framing::decodeAscii(in)) {
        const auto back = Framing::decodeAscii(*c.frame);
        FUZZ_CHECK(back && Fuzz::lrcHolds(*back));
        message = back->chopped(1);
    } else {
        FUZZ_CHECK(Fuzz::crcHolds(*c.frame));
        message = c.frame->chopped(2);
    }
    FUZZ_CHECK(message.size() >= 6);
    const quint8 fn = quint8(message.at(1));
    if (function == RegisterForm::Function::Read) {
        FUZZ_CHECK(fn == 0x03 && message.size() == 6);
    } else {
        FUZZ_CHECK(fn == 0x10 && message.size() >= 7);
        const int count = quint8(message.at(4)) << 8 | quint8(message.at(5));
        const int byteCount = quint8(message.at(6));
        FUZZ_CHECK(count <= RegisterForm::MaxWriteRegisters && byteCount == 2 * count);
        FUZZ_CHECK(message.size() == 7 + byteCount);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const auto function =
        in.ConsumeBool() ? RegisterForm::Function::Write : RegisterForm::Function::Read;
    const QString offset = Fuzz::text(in, 64);
    const QString address = Fuzz::text(in, 16);
    const QList<Catalogue::Request> &rows = Catalogue::requests();
    const Catalogue::Request &row =
        rows.at(in.ConsumeIntegralInRange<qsizetype>(0, rows.size() - 1));
    const QString field = Fuzz::text(in, 64);
    const QByteArray frame = Fuzz::rest(in);

    checkConverted(frame, RegisterForm::convert(frame, function, offset), function);

    QHash<QString, QString> texts{{QStringLiteral("Text23"), address},
                                  {QStringLiteral("Text34"), offset}};
    const Catalogue::Reader read = [&](const QString &source) {
        return texts.value(source, field);
    };

    // The offset request: address, 0x3F, 4, the offset as S32 within 0..65500.
    const Catalogue::Request *offsetRow = Catalogue::find(QStringLiteral("Command3"));
    FUZZ_CHECK(offsetRow);
    const Catalogue::Built b = Catalogue::build(*offsetRow, read);
    FUZZ_CHECK(b.refusal.has_value() == b.request.isEmpty());
    if (!b.refusal) {
        FUZZ_CHECK(b.request.size() == 7 && quint8(b.request.at(1)) == 0x3F &&
                   b.request.at(2) == 4);
        const quint32 v = quint32(quint8(b.request.at(3))) << 24 |
                          quint32(quint8(b.request.at(4))) << 16 |
                          quint32(quint8(b.request.at(5))) << 8 | quint8(b.request.at(6));
        FUZZ_CHECK(v <= 65500);
    }

    // Any row: a built request carries its data length, and converts.
    const Catalogue::Built any = Catalogue::build(row, read);
    if (!any.refusal) {
        FUZZ_CHECK(any.request.size() >= 3);
        FUZZ_CHECK(quint8(any.request.at(2)) == any.request.size() - 3);
        for (const auto mode : {Framing::Protocol::Rtu, Framing::Protocol::Ascii}) {
            const QByteArray f = Catalogue::frame(row, any.request, mode);
            checkConverted(f, RegisterForm::convert(f, function, offset), function);
        }
    }
    return 0;
}
