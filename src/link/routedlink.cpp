#include "link/routedlink.h"

RoutedLink::RoutedLink(SerialLink *fallback, QObject *parent)
    : SerialLink(parent), m_fallback(fallback) {
    adopt(fallback);
}

void RoutedLink::adopt(SerialLink *link) {
    link->setParent(this);
    // Only the link in use reports a loss.
    connect(link, &SerialLink::lost, this, [this, link](const QString &reason) {
        if (link == m_current)
            emit lost(reason);
    });
    connect(link, &SerialLink::dataArrived, this, [this, link] {
        if (link == m_current)
            emit dataArrived();
    });
}

void RoutedLink::route(const QString &device, SerialLink *link) {
    adopt(link);
    m_routes.insert(device, link);
}

bool RoutedLink::open(const QString &device, const PortSettings::Line &line, QString *error) {
    close();
    m_current = m_routes.value(device, m_fallback);
    return m_current->open(device, line, error);
}

void RoutedLink::close() {
    if (m_current)
        m_current->close();
}

bool RoutedLink::isOpen() const {
    return m_current && m_current->isOpen();
}
qint64 RoutedLink::bytesWaiting() const {
    return m_current ? m_current->bytesWaiting() : 0;
}
QByteArray RoutedLink::read(qint64 max) {
    return m_current ? m_current->read(max) : QByteArray();
}

void RoutedLink::write(const QByteArray &bytes) {
    if (m_current)
        m_current->write(bytes);
}
