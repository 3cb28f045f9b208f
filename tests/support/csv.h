#pragma once
// A small CSV reader for tests, written independently of the traffic log's
// writer. RFC 4180: rows end in CRLF, quoted cells may hold commas, quotes
// (doubled) and line breaks. The byte-order mark is returned separately.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace TestCsv {

struct Csv {
    bool bom = false;
    QList<QStringList> rows;
    bool complete = true; // the text ended at the end of a row
};

inline Csv readCsv(const QByteArray &data) {
    Csv out;
    QByteArray b = data;
    if (b.startsWith("\xEF\xBB\xBF")) {
        out.bom = true;
        b.remove(0, 3);
    }
    const QString t = QString::fromUtf8(b);
    QStringList row;
    QString cell;
    bool quoted = false;
    bool rowStarted = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        rowStarted = true;
        if (quoted) {
            if (c == u'"' && i + 1 < t.size() && t.at(i + 1) == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << cell;
            cell.clear();
        } else if (c == u'\r' && i + 1 < t.size() && t.at(i + 1) == u'\n') {
            row << cell;
            cell.clear();
            out.rows << row;
            row.clear();
            rowStarted = false;
            ++i;
        } else {
            cell += c;
        }
    }
    out.complete = !rowStarted && !quoted;
    return out;
}

} // namespace TestCsv
