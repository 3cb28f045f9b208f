#include "automation/listfile.h"

#include "codec/cp936.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace CommSetting {

bool FileExists(const QString &path) {
    return !path.isEmpty() && QFileInfo::exists(path);
}

QStringList LoadListFile(const QString &path, QString *error) {
    if (path.isEmpty())
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return {};
    }
    QByteArray bytes;
    for (;;) {
        const QByteArray piece = f.read(1 << 20);
        if (piece.isEmpty()) {
            if (f.error() != QFileDevice::NoError && error)
                *error = f.errorString();
            break;
        }
        bytes += piece;
    }
    // A read error keeps the lines read so far.
    return ListFile::decode(bytes);
}

bool AppendFileLine(const QString &path, const QString &line) {
    if (path.isEmpty() || line.isEmpty())
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = Cp936::encode(line) + "\r\n";
    return f.write(bytes) == bytes.size() && f.flush();
}

} // namespace CommSetting

namespace ListFile {

QByteArray encode(const QStringList &lines) {
    QByteArray out;
    for (const QString &l : lines)
        if (!l.isEmpty())
            out += Cp936::encode(l) + "\r\n";
    return out;
}

QStringList decode(const QByteArray &bytes) {
    // CR and LF are never part of a double-byte code, so the text can be
    // decoded whole and split afterwards.
    const QString text = Cp936::decode(bytes);
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text.at(i) != u'\r')
            continue;
        lines << text.mid(start, i - start);
        if (i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

bool save(const QString &path, const QStringList &lines, QString *error) {
    const QByteArray bytes = encode(lines);
    if (bytes.isEmpty()) {
        // Nothing to write: the old file goes, no new one is made.
        if (QFile::exists(path) && !QFile::remove(path)) {
            QFile f(path);
            *error = f.errorString().isEmpty()
                         ? QCoreApplication::translate("ListFile", "无法删除文件")
                         : f.errorString();
            return false;
        }
        return true;
    }
    QSaveFile f(path);
    // Unbuffered: every write reaches the system at once, so a full disk or a
    // size limit shows in the write's result rather than in a late flush.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = f.errorString();
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = f.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            *error = f.errorString();
            f.cancelWriting();
            return false;
        }
        done += n;
    }
    if (!f.flush() || f.error() != QFileDevice::NoError || f.size() != bytes.size()) {
        *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace ListFile
