#pragma once
// The narrow seam between the session and a serial line: open, close, bytes
// waiting, read, write, a signal when bytes arrive and one when an open line is
// lost. The session holds one SerialLink; a real port, an in-process simulated
// controller or a test double stands behind it. A link lives on the session's
// thread: every QObject it uses must be its child.
#include "link/portsettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

class SerialLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens `device` (discarding whatever either buffer held); false with
    // *error set to the system's reason when it cannot be opened.
    virtual bool open(const QString &device, const PortSettings::Line &line, QString *error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual qint64 bytesWaiting() const = 0;
    virtual QByteArray read(qint64 max) = 0;
    virtual void write(const QByteArray &bytes) = 0;

signals:
    // Bytes arrived and can be read (bytesWaiting() > 0). Emitted again only
    // for bytes that arrive later: a reader must read what is waiting.
    void dataArrived();
    // The open line failed (an adapter unplugged, a hang-up). The link is
    // already closed when this is emitted; it is emitted once per loss.
    void lost(const QString &reason);
};

// A real serial port.
class PortLink : public SerialLink {
    Q_OBJECT
public:
    explicit PortLink(QObject *parent = nullptr);
    ~PortLink() override;

    bool open(const QString &device, const PortSettings::Line &line, QString *error) override;
    void close() override;
    bool isOpen() const override;
    qint64 bytesWaiting() const override;
    QByteArray read(qint64 max) override;
    void write(const QByteArray &bytes) override;

private:
    void onError(int error);
    QSerialPort *m_port;
};
