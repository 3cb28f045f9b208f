#pragma once
// The traffic log: every record of the session as one CSV row (RFC 4180,
// UTF-8 with a byte-order mark so a spreadsheet shows the captions), written
// on the session's thread. The columns are Records::columns(), the header
// Records::columnNames().
//
// Rows are gathered in memory and handed to the system at least once a second
// (and when the log stops, or when much is waiting), so a killed program loses
// at most the last second. A failed write (disk full, the file or its folder
// removed) stops the log and reports it once through failed(); the line is
// never touched. Past rotateBytes() a file is closed and the log continues in
// a new one with a numeric suffix: t3208.csv, t3208.1.csv, t3208.2.csv ...
//
// Text cells that a spreadsheet would take for a formula (starting with = + -
// @, a tab or a CR) get a leading apostrophe; the value column holds numbers
// only and is written as it is, so negative values stay numbers.
#include "link/record.h"

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QTimer>

class RecordLog : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 DefaultRotateBytes = 100LL * 1000 * 1000;
    static constexpr int FlushMs = 1000;

    explicit RecordLog(QObject *parent = nullptr);
    ~RecordLog() override;

    // Starts a log in `path` (replacing what the file held): byte-order mark
    // and header. `epochUs` is the wall-clock time at which the records' clock
    // read 0, `startUs` the records' time at which the log begins. False with
    // *error set when the file cannot be created; a log already running is
    // stopped first.
    bool start(const QString &path, qint64 epochUs, qint64 startUs, QString *error);
    // Writes what is waiting and closes the file.
    void stop();
    bool isOpen() const { return m_file.isOpen(); }
    // The file written now, empty when not logging. Thread-safe.
    QString file() const;

    // One row (owner's thread).
    void write(const Records::Record &r);
    // Hands what is waiting to the system; false (and the log stopped) on a
    // failure.
    bool flush();

    void setRotateBytes(qint64 bytes) { m_rotateBytes = bytes; }
    qint64 rotateBytes() const { return m_rotateBytes; }

    // The byte-order mark and the header line.
    static QByteArray header();
    // One row of cells, CRLF-terminated.
    static QByteArray row(const Records::Columns &c);
    // One cell: quoted when it holds a comma, a quote, CR or LF; a text cell
    // that starts like a formula gets a leading apostrophe first.
    static QByteArray cell(const QString &text, bool isText = true);
    // The n-th file of a log started as `path` (0: `path` itself).
    static QString rotatedPath(const QString &path, int n);

signals:
    // The log stopped on a failure; the message names the file and the cause.
    void failed(const QString &message);

private:
    bool openFile(const QString &path, QString *error);
    void fail(const QString &cause);

    QFile m_file;
    QTimer m_flushTimer;
    QByteArray m_pending;
    QString m_basePath;
    int m_part = 0;
    qint64 m_fileBytes = 0; // written to the current file, header included
    qint64 m_epochUs = 0;
    qint64 m_startUs = 0;
    qint64 m_rotateBytes = DefaultRotateBytes;
    mutable QMutex m_pathLock;
    QString m_path;
};
