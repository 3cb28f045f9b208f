#include "pty.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    termios raw{};
    if (::tcgetattr(slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
    }
    const int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(master);
        ::close(slave);
        return;
    }
    m_master = master;
    m_slaveKeeper = slave;
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
    closeMaster();
    closeSlaveKeeper();
}

bool PtyPair::writeMaster(const QByteArray &bytes) {
    if (m_master < 0)
        return false;
    qsizetype done = 0;
    QDeadlineTimer deadline(2000);
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (deadline.hasExpired())
            return false;
        // The terminal's buffer is full: let the reader at the other end run.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd p{m_master, POLLOUT, 0};
        ::poll(&p, 1, 5);
    }
    return true;
}

QByteArray PtyPair::readMaster(int expected, int timeoutMs) {
    QByteArray got;
    if (m_master < 0)
        return got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < expected) {
        // The port under test lives in this thread: its writes only leave once
        // its events are processed.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd p{m_master, POLLIN, 0};
        const int ready = ::poll(&p, 1, 5);
        if (ready > 0 && (p.revents & POLLIN)) {
            char buf[4096];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0)
                got.append(buf, n);
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                break;
        }
        if (deadline.hasExpired())
            break;
    }
    return got;
}

void PtyPair::closeMaster() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void PtyPair::closeSlaveKeeper() {
    if (m_slaveKeeper >= 0) {
        ::close(m_slaveKeeper);
        m_slaveKeeper = -1;
    }
}
