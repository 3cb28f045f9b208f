#pragma once
// A serial link that opens one of several links by device name: a named
// device (such as the in-process simulated controller) goes to its own link,
// every other device to the fallback (a real port).
#include "link/seriallink.h"

#include <QHash>

class RoutedLink : public SerialLink {
    Q_OBJECT
public:
    // Takes ownership of `fallback`.
    explicit RoutedLink(SerialLink *fallback, QObject *parent = nullptr);

    // Routes `device` to `link` (owned from now on).
    void route(const QString &device, SerialLink *link);

    bool open(const QString &device, const PortSettings::Line &line, QString *error) override;
    void close() override;
    bool isOpen() const override;
    qint64 bytesWaiting() const override;
    QByteArray read(qint64 max) override;
    void write(const QByteArray &bytes) override;

private:
    void adopt(SerialLink *link);

    SerialLink *m_fallback;
    QHash<QString, SerialLink *> m_routes;
    SerialLink *m_current = nullptr;
};
