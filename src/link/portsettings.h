#pragma once
// Port names and line settings as the window states them: "COM1" .. "COM9" and
// the settings text "9600,n,8,1" (baud, parity, data bits, stop bits).
#include <QSerialPort>
#include <QString>
#include <optional>

namespace PortSettings {

// The port number 1..9 of "COM1" .. "COM9" (exact, case-sensitive); nullopt for
// any other text ("com1", "COM10").
std::optional<int> portNumber(const QString &name);

// The settings text of a baud-rate text: the text unchecked, then ",n,8,1".
QString settingsText(const QString &baudText);

struct Line {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Parses a settings text; an empty text is "9600,n,8,1". nullopt with *error set
// when the port cannot take it (a baud rate that is no positive whole number).
std::optional<Line> parse(const QString &settings, QString *error);

} // namespace PortSettings
