#pragma once
// Command list files: one list line per text line, CR LF after each, code page
// 936 text, empty list lines not written. On reading a line ends at CR or CR LF
// (a lone LF does not end one); a last line without an ending is read too.
#include <QString>
#include <QStringList>

namespace CommSetting {

// True when the path exists.
bool FileExists(const QString &path);

// The lines of a list file. An empty path gives nothing. On a read error the
// lines read so far are returned and *error says why.
QStringList LoadListFile(const QString &path, QString *error = nullptr);

// Appends the line and CR LF to the file (created when missing); false, with
// nothing written, when the line or the path is empty or a step fails.
bool AppendFileLine(const QString &path, const QString &line);

} // namespace CommSetting

namespace ListFile {

// The lines as a file's bytes: every non-empty line followed by CR LF.
QByteArray encode(const QStringList &lines);
// A file's bytes as lines.
QStringList decode(const QByteArray &bytes);

// Replaces the file with the lines, atomically: on success the file holds
// exactly encode(lines) (an empty list removes the file and writes nothing);
// on failure the old file is left as it was, no temporary file remains, and
// false is returned with *error set.
bool save(const QString &path, const QStringList &lines, QString *error);

} // namespace ListFile
