#include "link/portsettings.h"

#include <QCoreApplication>
#include <QStringList>

namespace PortSettings {

std::optional<int> portNumber(const QString &name) {
    for (int n = 1; n <= 9; ++n)
        if (name == QStringLiteral("COM%1").arg(n))
            return n;
    return std::nullopt;
}

QString settingsText(const QString &baudText) {
    return baudText + QStringLiteral(",n,8,1");
}

std::optional<Line> parse(const QString &settings, QString *error) {
    const QString text = settings.isEmpty() ? QStringLiteral("9600,n,8,1") : settings;
    const QStringList parts = text.split(u',');
    auto fail = [&](const QString &why) -> std::optional<Line> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (parts.size() != 4)
        return fail(QCoreApplication::translate("PortSettings", "无效的串口设置 \"%1\"").arg(text));
    Line line;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0)
        return fail(
            QCoreApplication::translate("PortSettings", "无效的波特率 \"%1\"").arg(parts[0]));
    line.baud = baud;
    const QString parity = parts[1].trimmed().toLower();
    if (parity == u"n")
        line.parity = QSerialPort::NoParity;
    else if (parity == u"e")
        line.parity = QSerialPort::EvenParity;
    else if (parity == u"o")
        line.parity = QSerialPort::OddParity;
    else if (parity == u"m")
        line.parity = QSerialPort::MarkParity;
    else if (parity == u"s")
        line.parity = QSerialPort::SpaceParity;
    else
        return fail(
            QCoreApplication::translate("PortSettings", "无效的校验位 \"%1\"").arg(parts[1]));
    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return fail(
            QCoreApplication::translate("PortSettings", "无效的数据位 \"%1\"").arg(parts[2]));
    line.dataBits = QSerialPort::DataBits(bits);
    const QString stop = parts[3].trimmed();
    if (stop == u"1")
        line.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        line.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        line.stopBits = QSerialPort::TwoStop;
    else
        return fail(
            QCoreApplication::translate("PortSettings", "无效的停止位 \"%1\"").arg(parts[3]));
    return line;
}

} // namespace PortSettings
