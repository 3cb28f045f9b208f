// Code page 936 conversions. Double-byte codes were taken from python3's gbk
// codec; 0x80 (the Euro sign) is the code page's own single-byte extension.
#include "codec/cp936.h"

#include <QtTest>

namespace {

const QChar Placeholder(0xFFFD);

QString chars(std::initializer_list<char16_t> units) {
    QString s;
    for (const char16_t u : units)
        s.append(QChar(u));
    return s;
}

QByteArray codesOf(const QString &text) {
    QByteArray out;
    for (const QChar c : text)
        out += "U+" + QByteArray::number(c.unicode(), 16).rightJustified(4, '0') + ' ';
    return out;
}

} // namespace

class TstCp936 : public QObject {
    Q_OBJECT
private slots:
    void converterIsAvailable();
    void codeOf_data();
    void codeOf();
    void charOf_data();
    void charOf();
    void bytewise_data();
    void bytewise();
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void loneLeadByteDoesNotLeakIntoNextDecode();
};

void TstCp936::converterIsAvailable() {
    QVERIFY(Cp936::available());
}

void TstCp936::codeOf_data() {
    QTest::addColumn<QChar>("c");
    QTest::addColumn<quint16>("code");

    QTest::newRow("letter A") << QChar('A') << quint16(0x41);
    QTest::newRow("carriage return") << QChar('\r') << quint16(0x0D);
    QTest::newRow("NUL") << QChar(0) << quint16(0x00);
    QTest::newRow("DEL") << QChar(0x7F) << quint16(0x7F);
    QTest::newRow("Euro sign is the single byte 80") << QChar(0x20AC) << quint16(0x80);
    QTest::newRow("first GB2312 hanzi U+554A") << QChar(0x554A) << quint16(0xB0A1);
    QTest::newRow("hanzi U+4E2D") << QChar(0x4E2D) << quint16(0xD6D0);
    QTest::newRow("hanzi U+7535") << QChar(0x7535) << quint16(0xB5E7);
    QTest::newRow("GBK extension hanzi U+7646") << QChar(0x7646) << quint16(0xB041);
    QTest::newRow("fullwidth comma") << QChar(0xFF0C) << quint16(0xA3AC);
    QTest::newRow("ideographic space") << QChar(0x3000) << quint16(0xA1A1);
    QTest::newRow("latin e acute is double-byte") << QChar(0x00E9) << quint16(0xA8A6);
    QTest::newRow("Thai letter outside the code page") << QChar(0x0E01) << quint16('?');
    QTest::newRow("Hangul syllable outside the code page") << QChar(0xAC00) << quint16('?');
    QTest::newRow("no-break space outside the code page") << QChar(0x00A0) << quint16('?');
    QTest::newRow("lone high surrogate") << QChar(0xD800) << quint16('?');
    QTest::newRow("lone low surrogate") << QChar(0xDC00) << quint16('?');
}

void TstCp936::codeOf() {
    QFETCH(QChar, c);
    QFETCH(quint16, code);
    QCOMPARE(Cp936::codeOf(c), code);
}

void TstCp936::charOf_data() {
    QTest::addColumn<quint16>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("NUL") << quint16(0x00) << QString(QChar(0));
    QTest::newRow("letter A") << quint16(0x41) << QString("A");
    QTest::newRow("DEL") << quint16(0x7F) << QString(QChar(0x7F));
    QTest::newRow("80 is the Euro sign") << quint16(0x80) << QString(QChar(0x20AC));
    QTest::newRow("lone lead byte 81") << quint16(0x81) << QString(Placeholder);
    QTest::newRow("lone lead byte B0") << quint16(0xB0) << QString(Placeholder);
    QTest::newRow("lone lead byte FE") << quint16(0xFE) << QString(Placeholder);
    QTest::newRow("byte FF") << quint16(0xFF) << QString(Placeholder);
    QTest::newRow("B0A1") << quint16(0xB0A1) << QString(QChar(0x554A));
    QTest::newRow("D6D0") << quint16(0xD6D0) << QString(QChar(0x4E2D));
    QTest::newRow("A1A1 ideographic space") << quint16(0xA1A1) << QString(QChar(0x3000));
    QTest::newRow("lowest GBK code 8140") << quint16(0x8140) << QString(QChar(0x4E02));
    QTest::newRow("GBK extension with ASCII-range trail B041")
        << quint16(0xB041) << QString(QChar(0x7646));
    QTest::newRow("trail byte 00 is no code") << quint16(0xB000) << QString(Placeholder);
    QTest::newRow("trail byte 7F is no code") << quint16(0xB07F) << QString(Placeholder);
    QTest::newRow("trail byte FF is no code") << quint16(0xA1FF) << QString(Placeholder);
    QTest::newRow("lead byte FF is no code") << quint16(0xFF41) << QString(Placeholder);
    QTest::newRow("lead byte 80 is no code") << quint16(0x8041) << QString(Placeholder);
    QTest::newRow("two ASCII bytes are no code") << quint16(0x4142) << QString(Placeholder);
}

void TstCp936::charOf() {
    QFETCH(quint16, code);
    QFETCH(QString, text);
    const QString actual = Cp936::charOf(code);
    QVERIFY2(actual == text, codesOf(actual).constData());
}

void TstCp936::bytewise_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("no bytes") << QByteArray() << QString();
    QTest::newRow("control characters stay themselves")
        << QByteArray::fromHex("00010D0A1B7F") << chars({0x00, 0x01, 0x0D, 0x0A, 0x1B, 0x7F});
    QTest::newRow("lone lead byte then ASCII keeps the ASCII")
        << QByteArray::fromHex("B041") << chars({0xFFFD, 'A'});
    QTest::newRow("a valid pair is not combined")
        << QByteArray::fromHex("B0A1") << chars({0xFFFD, 0xFFFD});
    QTest::newRow("80 is the Euro sign") << QByteArray::fromHex("80") << chars({0x20AC});
    QTest::newRow("FF is the placeholder") << QByteArray::fromHex("FF") << chars({0xFFFD});
    QTest::newRow("frame with CRC bytes above 7F")
        << QByteArray::fromHex("01200039C0") << chars({0x01, 0x20, 0x00, '9', 0xFFFD});
    QTest::newRow("100000 bytes give 100000 characters")
        << QByteArray(100000, 'x') << QString(100000, QChar('x'));
}

void TstCp936::bytewise() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString actual = Cp936::bytewise(bytes);
    QCOMPARE(actual.size(), bytes.size());
    QVERIFY(actual == text);
}

void TstCp936::encode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ASCII with control characters")
        << QString("AT\r\n") << QByteArray::fromHex("41540D0A");
    QTest::newRow("NUL inside the text") << chars({'A', 0, 'B'}) << QByteArray::fromHex("410042");
    QTest::newRow("mixed Chinese and ASCII")
        << chars({0x7535, 0x673A, 'A', '1', 0xFF1A, 0x6B63, 0x8F6C})
        << QByteArray::fromHex("b5e7bbfa4131a3bad5fdd7aa");
    QTest::newRow("Euro sign") << chars({0x20AC}) << QByteArray::fromHex("80");
    QTest::newRow("character outside the code page")
        << chars({'A', 0x0E01, 'B'}) << QByteArray("A?B");
    QTest::newRow("character outside the BMP is one '?'")
        << chars({'A', 0xD83D, 0xDE00, 'B'}) << QByteArray("A?B");
    QTest::newRow("lone high surrogate at the end") << chars({'A', 0xD800}) << QByteArray("A?");
    QTest::newRow("lone high surrogate inside") << chars({'A', 0xD800, 'B'}) << QByteArray("A?B");
    QTest::newRow("lone low surrogate") << chars({'A', 0xDC00, 'B'}) << QByteArray("A?B");
    // Format characters the converter would drop without a substitute.
    QTest::newRow("zero-width space is '?'") << chars({'A', 0x200B, 'B'}) << QByteArray("A?B");
    QTest::newRow("Arabic letter mark is '?'") << chars({'A', 0x061C, 'B'}) << QByteArray("A?B");
    QTest::newRow("byte order mark is '?'") << chars({0xFEFF, 'A'}) << QByteArray("?A");
    QTest::newRow("format character between hanzi")
        << chars({0x4E2D, 0x200D, 0x6587}) << QByteArray::fromHex("d6d03fcec4");
}

void TstCp936::encode() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp936::encode(text), bytes);
}

void TstCp936::decode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII with control characters")
        << QByteArray::fromHex("41540D0A00") << chars({'A', 'T', '\r', '\n', 0});
    QTest::newRow("mixed Chinese and ASCII")
        << QByteArray::fromHex("b5e7bbfa4131a3bad5fdd7aa")
        << chars({0x7535, 0x673A, 'A', '1', 0xFF1A, 0x6B63, 0x8F6C});
    QTest::newRow("GBK extension pair with ASCII-range trail")
        << QByteArray::fromHex("B041") << chars({0x7646});
    QTest::newRow("Euro sign") << QByteArray::fromHex("80") << chars({0x20AC});
    QTest::newRow("lone lead byte at the end")
        << QByteArray::fromHex("41B0") << chars({'A', 0xFFFD});
    QTest::newRow("lone lead byte alone") << QByteArray::fromHex("B0") << chars({0xFFFD});
}

void TstCp936::decode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString actual = Cp936::decode(bytes);
    QVERIFY2(actual == text, codesOf(actual).constData());
}

void TstCp936::loneLeadByteDoesNotLeakIntoNextDecode() {
    // B0 followed by A1 would be U+554A if the first call's byte were kept.
    Cp936::decode(QByteArray::fromHex("B0"));
    const QString second = Cp936::decode(QByteArray::fromHex("A1A1"));
    QVERIFY2(second == chars({0x3000}), codesOf(second).constData());
    // Same for single characters: an invalid code must not poison the next one.
    QCOMPARE(Cp936::charOf(0xB000), QString(Placeholder));
    QCOMPARE(Cp936::charOf(0xB0A1), QString(QChar(0x554A)));
    QCOMPARE(Cp936::codeOf(QChar(0xD800)), quint16('?'));
    QCOMPARE(Cp936::codeOf(QChar(0x554A)), quint16(0xB0A1));
}

QTEST_APPLESS_MAIN(TstCp936)
#include "tst_cp936.moc"
