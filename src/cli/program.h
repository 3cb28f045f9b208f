#pragma once
// t3208ctl's commands on one session: a request and its reply, raw sends, a
// command-list run, a bus scan and a monitor. The session runs on the
// program's own thread; its records come in directly and are printed as text
// or JSON lines. Ctrl+C (SIGINT, SIGTERM) ends any command cleanly through a
// self-pipe: the log is flushed, the port closed, a summary printed, exit 130.
#include "cli/args.h"
#include "cli/requests.h"
#include "link/record.h"

#include <QObject>
#include <QString>

#include <cstdio>
#include <functional>
#include <optional>

class QEventLoop;
class QSocketNotifier;
class Session;

namespace Cli {

// What a frame received says about the reply awaited for a request.
struct Awaited {
    QByteArray wire;         // the request as written
    quint8 address = 0;      // the address it went to
    bool anyAddress = false; // address 0 (the address query): any controller answers
    quint8 code = 0;         // the command or register function code
    bool echoLine = false;   // --echo: the first copy of the request is its echo
    bool differs = false;    // only a reply that is not a copy of the request counts
    int copies = 0;          // copies of the request read so far

    enum Verdict { Other, Reply, Exception };
    // Looks at one record read from the line.
    Verdict take(const Records::Record &r);
};
// The reply awaited for a request record (direction Sent).
Awaited awaiting(const Records::Record &sent, bool echoLine);

// One JSON line of a record: the traffic log's columns as keys, `elapsed_us`
// a number, `value` a number where the reply carries one.
QByteArray jsonLine(const Records::Record &r, qint64 epochUs, qint64 startUs);
// A JSON string literal.
QByteArray jsonString(const QString &s);

class Program : public QObject {
    Q_OBJECT
public:
    explicit Program(Args args, QObject *parent = nullptr);
    ~Program() override;

    // Runs the command; the exit status.
    int exec();

private:
    int commands();
    int request(const Entry &e);
    int sendBytes();
    // Opens the line, sends one prepared frame, waits for its reply and reports
    // it (text: `caption` and the decoded value).
    int sendAndReport(const Prepared &p, const QString &caption);
    int runList();
    int scan();
    int monitor();

    int openLine(qint32 baud, QString *device);
    void onRecord(const Records::Record &r);
    // Runs the event loop until `done()` holds, the session clock reaches
    // `deadlineUs`, the line is lost or the user interrupts.
    void waitUntil(qint64 deadlineUs, const std::function<bool()> &done = {});
    bool stopped() const { return m_interrupted || m_lost; }
    // Sends and waits for the reply; the verdict (Other: none came).
    Awaited::Verdict exchange(const std::function<void()> &send, int timeoutMs,
                              Records::Record *reply, qint64 *sentUs);
    void print(const Records::Record &r);
    void printLine(const QByteArray &line);
    void printNoReply(const Records::Record &sent, int waitedMs);
    int finish(int status);

    // Records seen since the start.
    struct Counts {
        qint64 sent = 0;
        qint64 received = 0;
        qint64 good = 0;
        qint64 checksum = 0;
    };

    Args m_args;
    Counts m_counts;
    Settings m_settings;
    Session *m_session = nullptr;
    QSocketNotifier *m_signals = nullptr;
    QEventLoop *m_loop = nullptr;
    bool m_interrupted = false;
    std::optional<QString> m_lost;
    bool m_echoRecords = false; // print every frame record as it comes
    std::function<void(const Records::Record &)> m_watch;
    qint64 m_startUs = 0;
    QString m_device;
    std::FILE *m_out = stdout;
};

} // namespace Cli
