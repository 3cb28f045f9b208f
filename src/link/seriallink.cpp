#include "link/seriallink.h"

#include "link/openfailure.h"
#include "link/portmap.h"

#include <QSerialPort>

PortLink::PortLink(QObject *parent) : SerialLink(parent), m_port(new QSerialPort(this)) {
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(int(e)); });
    connect(m_port, &QSerialPort::readyRead, this, &SerialLink::dataArrived);
}

PortLink::~PortLink() = default;

bool PortLink::open(const QString &device, const PortSettings::Line &line, QString *error) {
    close();
    m_port->setPortName(device);
    m_port->setBaudRate(line.baud);
    m_port->setParity(line.parity);
    m_port->setDataBits(line.dataBits);
    m_port->setStopBits(line.stopBits);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
#ifdef Q_OS_UNIX
        if (error) {
            const auto e = m_port->error();
            const auto hint = e == QSerialPort::DeviceNotFoundError ? OpenFailure::Hint::NotFound
                              : e == QSerialPort::PermissionError   ? OpenFailure::Hint::Permission
                                                                    : OpenFailure::Hint::Other;
            *error = OpenFailure::explain(device, hint, m_port->errorString(),
                                          OpenFailure::Lookups::system([] {
                                              return PortMap::ordered(PortMap::systemPorts()());
                                          }));
        }
#else
        if (error)
            *error = m_port->errorString();
#endif
        m_port->clearError();
        return false;
    }
    m_port->clear(QSerialPort::AllDirections);
    return true;
}

void PortLink::close() {
    if (m_port->isOpen())
        m_port->close();
    m_port->clearError();
}

bool PortLink::isOpen() const {
    return m_port->isOpen();
}

qint64 PortLink::bytesWaiting() const {
    return m_port->bytesAvailable();
}

QByteArray PortLink::read(qint64 max) {
    return m_port->read(max);
}

void PortLink::write(const QByteArray &bytes) {
    // Out now, not at the next turn of the event loop.
    m_port->write(bytes);
    m_port->flush();
}

void PortLink::onError(int error) {
    // A hang-up or an unplugged adapter shows as a read or resource error that
    // repeats for as long as the port stays open: close at the first one.
    const auto e = QSerialPort::SerialPortError(error);
    if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError &&
        e != QSerialPort::WriteError)
        return;
    if (!m_port->isOpen())
        return;
    const QString reason = m_port->errorString();
    m_port->close();
    m_port->clearError();
    emit lost(reason);
}
