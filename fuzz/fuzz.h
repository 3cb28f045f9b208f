#pragma once
// Shared helpers of the fuzz targets: input splitting and contract checks.
#include <QByteArray>
#include <QString>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

// A broken contract is a finding: report it and abort so libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: contract broken: %s\n", __FILE__, __LINE__, #cond);       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace Fuzz {

inline QByteArray bytes(FuzzedDataProvider &in, std::size_t max) {
    const std::string s = in.ConsumeRandomLengthString(max);
    return QByteArray(s.data(), qsizetype(s.size()));
}

inline QByteArray rest(FuzzedDataProvider &in) {
    const std::string s = in.ConsumeRemainingBytesAsString();
    return QByteArray(s.data(), qsizetype(s.size()));
}

// Text as typed into a field: the bytes read as UTF-8, so Chinese characters,
// blanks, tabs and control characters all occur.
inline QString text(FuzzedDataProvider &in, std::size_t max) {
    return QString::fromUtf8(bytes(in, max));
}

// The CRC-16/MODBUS of the bytes, bit by bit, independent of the codec.
inline quint16 crc(const QByteArray &b) {
    quint16 c = 0xFFFF;
    for (char ch : b) {
        c ^= quint8(ch);
        for (int i = 0; i < 8; ++i)
            c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
    }
    return c;
}

// True when the last two bytes are the CRC (low byte first) of the bytes before them.
inline bool crcHolds(const QByteArray &frame) {
    if (frame.size() < 3)
        return false;
    const quint16 c = crc(frame.chopped(2));
    return quint8(frame.at(frame.size() - 2)) == (c & 0xFF) &&
           quint8(frame.at(frame.size() - 1)) == (c >> 8);
}

// True when the bytes sum to 0 modulo 256: a message followed by its LRC.
inline bool lrcHolds(const QByteArray &message) {
    quint8 sum = 0;
    for (char ch : message)
        sum += quint8(ch);
    return !message.isEmpty() && sum == 0;
}

} // namespace Fuzz
