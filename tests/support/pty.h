#pragma once
// A pseudo-terminal pair standing in for a serial adapter in tests. The code
// under test opens the slave by its path like any serial device; the test
// plays the controller on the master side. The pair lives in the test's own
// thread, so every wait here keeps Qt's events flowing.
#include <QByteArray>
#include <QString>

class PtyPair {
public:
    // Opens the pair; isValid() tells whether that worked (error() says why not).
    // The master is non-blocking, the slave is in raw mode.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString error() const { return m_error; }

    // The slave's device path, e.g. /dev/pts/3.
    QString slavePath() const { return m_slavePath; }
    // -1 once the master is closed.
    int masterFd() const { return m_master; }

    // Writes all bytes to the master (as the controller sending them); false
    // when the master is closed or the write fails.
    bool writeMaster(const QByteArray &bytes);

    // Reads from the master until `expected` bytes have arrived or `timeoutMs`
    // has passed, processing Qt events in between; returns what arrived (may be
    // fewer or, if more were waiting in one read, more than `expected`).
    QByteArray readMaster(int expected, int timeoutMs);

    // Closes the master: the slave side sees a hang-up, as with an unplugged
    // adapter.
    void closeMaster();

    // The pair holds the slave open itself so the terminal stays alive until
    // the code under test opens it by path; this lets go of that hold.
    void closeSlaveKeeper();

private:
    int m_master = -1;
    int m_slaveKeeper = -1;
    QString m_slavePath;
    QString m_error;
};
