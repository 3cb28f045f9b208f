// The command table against the layers that read it: every catalogue request
// fits the row of its code and is accepted by the simulated controller, every
// row's reply is what its decode expects, a register read of a query returns
// its value, and codes without a row are unknown everywhere.
#include "commands/catalogue.h"
#include "commands/commandtable.h"
#include "commands/registerform.h"
#include "link/receive.h"
#include "link/transmit.h"
#include "sim/simtest.h"

#include <QtTest>

using Commands::Decode;

namespace {

using SimTest::ask;

// Data the controller accepts for a code: zeros, except where zero is out of
// its range (address 0, baud codes 4..9, speeds and factor from 1, CAN rates 1..18).
QByteArray acceptedData(const Commands::Command &row) {
    switch (row.code) {
    case 0x22:
    case 0x4B:
        return QByteArray::fromHex("01");
    case 0x24:
        return QByteArray::fromHex("06");
    case 0x27:
    case 0x2F:
    case 0x44:
        return QByteArray::fromHex("00000001");
    }
    return QByteArray(row.data.min, '\0');
}

QByteArray request(quint8 address, quint8 code, const QByteArray &data) {
    return QByteArray(1, char(address)) + char(code) + char(data.size()) + data;
}

// The data bytes of the reply a decode reads: -1 for a variable length.
int decodedLength(Decode d) {
    switch (d) {
    case Decode::Address:
    case Decode::BaudCode:
        return 1;
    case Decode::Unsigned:
    case Decode::Signed:
    case Decode::Status:
        return 4;
    case Decode::Inputs:
        return 5;
    case Decode::None:
    case Decode::IoRule:
        break;
    }
    return -1;
}

Frames::Frame goodRtu(const QByteArray &message) {
    Frames::Frame f;
    f.kind = Frames::Kind::Good;
    f.bytes = Wire::rtu(message);
    f.message = message;
    return f;
}

} // namespace

class TstCommandTable : public QObject {
    Q_OBJECT
private slots:
    void everyRowIsServedAndDecodedAsItSays_data();
    void everyRowIsServedAndDecodedAsItSays();
    void registerReadOfAQueryReturnsItsValue_data();
    void registerReadOfAQueryReturnsItsValue();
    void everyCatalogueRequestFitsItsRow_data();
    void everyCatalogueRequestFitsItsRow();
    void codesWithoutARowAreUnknownEverywhere();
};

void TstCommandTable::everyRowIsServedAndDecodedAsItSays_data() {
    QTest::addColumn<int>("code");
    for (const Commands::Command &row : Commands::all())
        QTest::addRow("%02X", row.code) << int(row.code);
}

void TstCommandTable::everyRowIsServedAndDecodedAsItSays() {
    QFETCH(int, code);
    const Commands::Command *row = Commands::find(quint8(code));
    QVERIFY(row);
    QCOMPARE(int(row->code), code);

    // Captions end in a colon, except a reply caption followed by its value.
    if (!row->send.empty())
        QCOMPARE(row->send.back(), u':');
    if (!row->reply.empty() && row->decode != Decode::Address && row->decode != Decode::BaudCode)
        QCOMPARE(row->reply.back(), u':');

    // The controller accepts the request and answers with data exactly when
    // the row says so, in the length its decode reads.
    Sim::Controller controller;
    const QByteArray data = acceptedData(*row);
    QVERIFY(data.size() >= row->data.min && data.size() <= row->data.max);
    const QByteArray reply = ask(controller, request(0x01, quint8(code), data));
    QVERIFY2(reply.size() >= 3, "no reply");
    QCOMPARE(int(quint8(reply.at(1))), code);
    const QByteArray replyData = reply.mid(3);
    QCOMPARE(int(quint8(reply.at(2))), int(replyData.size()));
    QCOMPARE(!replyData.isEmpty(), row->answers);
    if (decodedLength(row->decode) >= 0)
        QCOMPARE(int(replyData.size()), decodedLength(row->decode));

    // A request one byte longer than the row allows is refused for its data.
    if (row->data.max < 255) {
        Sim::Controller fresh;
        const QByteArray tooLong = data + QByteArray(row->data.max + 1 - data.size(), '\0');
        const QByteArray longer = ask(fresh, request(0x01, quint8(code), tooLong));
        QCOMPARE(longer, request(0x01, quint8(code | 0x80), QByteArray(1, char(Sim::BadData))));
    }

    // The window decodes the controller's reply as the row says.
    const Receive::Reply r = Receive::CommRec(goodRtu(reply));
    QCOMPARE(r.code.has_value(), !row->reply.empty());
    QCOMPARE(r.caption.isEmpty(), row->reply.empty());
    const bool isValue = row->decode == Decode::Unsigned || row->decode == Decode::Signed;
    QCOMPARE(r.value.has_value(), isValue);
    QCOMPARE(r.status.has_value(), row->decode == Decode::Status);
    QCOMPARE(r.inputs.has_value(), row->decode == Decode::Inputs);
    QCOMPARE(r.ioCommand.has_value(), row->decode == Decode::IoRule);
    if (r.status)
        QCOMPARE(*r.status, replyData);
    if (r.inputs)
        QCOMPARE(*r.inputs, replyData);
}

void TstCommandTable::registerReadOfAQueryReturnsItsValue_data() {
    QTest::addColumn<int>("code");
    for (const Commands::Command &row : Commands::all())
        if (row.registers > 0 || row.decode != Decode::None)
            QTest::addRow("%02X", row.code) << int(row.code);
}

void TstCommandTable::registerReadOfAQueryReturnsItsValue() {
    QFETCH(int, code);
    const Commands::Command *row = Commands::find(quint8(code));
    QVERIFY(row);

    // A value the window reads from bytes 3..6 takes exactly two registers.
    const bool word = row->decode == Decode::Unsigned || row->decode == Decode::Signed ||
                      row->decode == Decode::Status;
    if (word)
        QCOMPARE(row->registers, 2);
    if (row->registers == 0)
        return;

    // The register read the tool sends is answered with that many registers,
    // holding the device-form reply's data (cut or padded to them).
    const QByteArray device = request(0x01, quint8(code), {});
    const auto converted =
        RegisterForm::convert(Wire::rtu(device), RegisterForm::Function::Read, "0");
    QVERIFY(converted.frame);
    Sim::Controller controller;
    const QByteArray deviceData = ask(controller, device).mid(3);
    const QByteArray reply = ask(controller, converted.frame->chopped(2));
    QCOMPARE(reply.left(3), QByteArray::fromHex("0103") + char(2 * row->registers));
    QByteArray expected = deviceData.left(2 * row->registers);
    expected.append(QByteArray(2 * row->registers - expected.size(), '\0'));
    QCOMPARE(reply.mid(3), expected);
    if (word)
        QCOMPARE(reply.mid(3), deviceData);
}

void TstCommandTable::everyCatalogueRequestFitsItsRow_data() {
    QTest::addColumn<QString>("button");
    for (const Catalogue::Request &r : Catalogue::requests())
        QTest::newRow(r.button) << QString::fromLatin1(r.button);
}

void TstCommandTable::everyCatalogueRequestFitsItsRow() {
    QFETCH(QString, button);
    const Catalogue::Request *request = Catalogue::find(button);
    QVERIFY(request);
    const Commands::Command *row = Commands::find(request->code);
    QVERIFY2(row, "the button's code has no row");

    // Texts every field takes: a valid rate, a valid CAN rate, a pattern, else 1.
    const auto read = [](const QString &source) {
        if (source == QLatin1String("Combo6"))
            return QStringLiteral("9600");
        if (source == QLatin1String("Combo9"))
            return QStringLiteral("1M");
        if (source == QLatin1String("Combo8"))
            return QStringLiteral("00001");
        return QStringLiteral("1");
    };
    const Catalogue::Built built = Catalogue::build(*request, read);
    QVERIFY(!built.refusal);
    const int length = int(built.request.size()) - 3;
    QCOMPARE(int(quint8(built.request.at(2))), length);
    QVERIFY2(length >= row->data.min && length <= row->data.max,
             qPrintable(QStringLiteral("data length %1").arg(length)));

    // The controller takes it: a reply with the same code, not an error.
    Sim::Controller controller;
    const QByteArray reply = ask(controller, built.request);
    QVERIFY2(reply.size() >= 3, "no reply");
    QCOMPARE(int(quint8(reply.at(1))), int(request->code));
}

void TstCommandTable::codesWithoutARowAreUnknownEverywhere() {
    int rows = 0;
    for (int code = 0; code < 256; ++code) {
        const Commands::Command *row = Commands::find(quint8(code));
        QCOMPARE(row != nullptr, code >= 0x20 && code <= 0x4C);
        if (row) {
            ++rows;
            continue;
        }
        QVERIFY(Transmit::caption(quint8(code)).isEmpty());
        QVERIFY(Receive::caption(quint8(code)).isEmpty());
        QCOMPARE(RegisterForm::readCount(quint8(code)), 0);
        if (code == 0x03 || code == 0x10) // register functions, not device commands
            continue;
        Sim::Controller controller;
        QCOMPARE(ask(controller, request(0x01, quint8(code), {})),
                 request(0x01, quint8(code | 0x80), QByteArray(1, char(Sim::UnknownCode))));
    }
    QCOMPARE(rows, int(Commands::all().size()));
}

QTEST_GUILESS_MAIN(TstCommandTable)
#include "tst_commandtable.moc"
