#include "link/recordlog.h"

#include <QCoreApplication>

#include <QFileInfo>
#include <QMutexLocker>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
// Rows waiting beyond this are handed to the system at once.
constexpr qsizetype FlushBytes = 64 * 1024;
// A file holding no more than this holds no row yet.
qint64 headerBytes() {
    static const qint64 n = RecordLog::header().size();
    return n;
}
} // namespace

RecordLog::RecordLog(QObject *parent) : QObject(parent), m_flushTimer(this) {
    m_flushTimer.setInterval(FlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &RecordLog::flush);
}

RecordLog::~RecordLog() {
    stop();
}

QString RecordLog::file() const {
    QMutexLocker lock(&m_pathLock);
    return m_path;
}

QByteArray RecordLog::header() {
    QByteArray out("\xEF\xBB\xBF");
    out += Records::columnNames().join(u',').toUtf8();
    out += "\r\n";
    return out;
}

QByteArray RecordLog::cell(const QString &text, bool isText) {
    QString t = text;
    if (isText && !t.isEmpty()) {
        const QChar first = t.at(0);
        if (first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' ||
            first == u'\r')
            t.prepend(u'\'');
    }
    QByteArray b = t.toUtf8();
    if (b.contains(',') || b.contains('"') || b.contains('\r') || b.contains('\n')) {
        b.replace("\"", "\"\"");
        b.prepend('"');
        b.append('"');
    }
    return b;
}

QByteArray RecordLog::row(const Records::Columns &c) {
    QByteArray out;
    out.reserve(128 + c.caption.size() * 3 + c.hex.size());
    out += cell(c.time);
    out += ',';
    out += QByteArray::number(c.elapsedUs);
    for (const QString *text : {&c.direction, &c.port, &c.kind, &c.address, &c.code, &c.caption}) {
        out += ',';
        out += cell(*text);
    }
    out += ',';
    out += cell(c.value, false);
    out += ',';
    out += cell(c.hex);
    out += "\r\n";
    return out;
}

QString RecordLog::rotatedPath(const QString &path, int n) {
    if (n == 0)
        return path;
    // The number goes before the file name's last extension.
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString number = u'.' + QString::number(n);
    if (dot <= nameStart)
        return path + number;
    return path.left(dot) + number + path.mid(dot);
}

bool RecordLog::openFile(const QString &path, QString *error) {
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    m_fileBytes = 0;
    m_pending = header();
    m_fileBytes += m_pending.size();
    {
        QMutexLocker lock(&m_pathLock);
        m_path = path;
    }
    return true;
}

bool RecordLog::start(const QString &path, qint64 epochUs, qint64 startUs, QString *error) {
    stop();
    m_basePath = path;
    m_part = 0;
    m_epochUs = epochUs;
    m_startUs = startUs;
    if (!openFile(path, error))
        return false;
    // The header reaches the file at once: a log that cannot be written is
    // reported when it is started, not a second later.
    if (!flush()) {
        if (error)
            *error = QCoreApplication::translate("RecordLog", "无法写入");
        return false;
    }
    m_flushTimer.start();
    return true;
}

void RecordLog::stop() {
    if (!m_file.isOpen())
        return;
    m_flushTimer.stop();
    flush();
    m_file.close();
    m_pending.clear();
    QMutexLocker lock(&m_pathLock);
    m_path.clear();
}

void RecordLog::write(const Records::Record &r) {
    if (!m_file.isOpen())
        return;
    const QByteArray line = row(Records::columns(r, m_epochUs, m_startUs));
    if (m_fileBytes + line.size() > m_rotateBytes && m_fileBytes > headerBytes()) {
        // The file is full: what it holds is finished, the rest goes on in
        // the next one.
        if (!flush())
            return;
        m_file.close();
        QString error;
        if (!openFile(rotatedPath(m_basePath, ++m_part), &error)) {
            fail(error);
            return;
        }
    }
    m_pending += line;
    m_fileBytes += line.size();
    if (m_pending.size() >= FlushBytes)
        flush();
}

bool RecordLog::flush() {
    if (!m_file.isOpen())
        return false;
#ifdef Q_OS_UNIX
    // A file whose folder was removed still takes writes, but nobody will
    // ever read them: the log stops as if the write had failed.
    struct stat byPath {};
    struct stat byHandle {};
    if (::fstat(m_file.handle(), &byHandle) == 0 &&
        (::stat(QFile::encodeName(m_file.fileName()).constData(), &byPath) != 0 ||
         byPath.st_ino != byHandle.st_ino || byPath.st_dev != byHandle.st_dev)) {
        fail(QCoreApplication::translate("RecordLog", "文件已被删除或移走"));
        return false;
    }
#endif
    if (m_pending.isEmpty())
        return true;
    const qint64 n = m_file.write(m_pending);
    if (n != m_pending.size()) {
        fail(m_file.errorString());
        return false;
    }
    m_pending.clear();
    return true;
}

void RecordLog::fail(const QString &cause) {
    const QString path = m_file.fileName();
    m_flushTimer.stop();
    m_pending.clear();
    m_file.close();
    {
        QMutexLocker lock(&m_pathLock);
        m_path.clear();
    }
    emit failed(QCoreApplication::translate("RecordLog", "记录文件写入失败,记录已停止: %1 (%2)")
                    .arg(path, cause));
}
