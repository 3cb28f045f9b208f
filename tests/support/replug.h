#pragma once
// An adapter that can be unplugged and plugged back, played by pseudo-terminals
// behind one link: the code under test opens the link's path; unplugging
// closes the far end and removes the link, plugging back puts a new
// pseudo-terminal behind the same path.
#include "support/pty.h"

#include <QFile>
#include <QString>

#include <memory>

class ReplugPty {
public:
    explicit ReplugPty(QString linkPath) : m_link(std::move(linkPath)) {}
    ~ReplugPty() { QFile::remove(m_link); }

    QString path() const { return m_link; }
    PtyPair *pty() const { return m_pty.get(); }
    bool plugged() const { return m_pty != nullptr; }

    // A new pseudo-terminal behind the link; false (with *error) when none opens.
    bool plug(QString *error = nullptr) {
        m_pty = std::make_unique<PtyPair>();
        if (!m_pty->isValid()) {
            if (error)
                *error = m_pty->error();
            m_pty.reset();
            return false;
        }
        QFile::remove(m_link);
        if (!QFile::link(m_pty->slavePath(), m_link)) {
            if (error)
                *error = QStringLiteral("cannot link %1").arg(m_link);
            m_pty.reset();
            return false;
        }
        return true;
    }

    // The far end hangs up and the device's name goes away.
    void unplug() {
        QFile::remove(m_link);
        if (m_pty) {
            m_pty->closeSlaveKeeper();
            m_pty->closeMaster();
        }
        m_pty.reset();
    }

    // Lets go of the pseudo-terminal's own hold on its slave once the code
    // under test has it open, so that unplugging is a hang-up for it.
    void release() {
        if (m_pty)
            m_pty->closeSlaveKeeper();
    }

private:
    QString m_link;
    std::unique_ptr<PtyPair> m_pty;
};
