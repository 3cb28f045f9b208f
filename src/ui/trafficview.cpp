#include "ui/trafficview.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

TrafficView::TrafficView(QPlainTextEdit *edit) : m_edit(edit) {
    if (m_edit)
        m_edit->setUndoRedoEnabled(false);
}

void TrafficView::show(const TrafficLog &log, Timestamps mode) {
    const quint64 fresh = log.added() - m_added;
    const bool sameText = m_valid && log.clears() == m_clears && mode == m_mode &&
                          log.added() >= m_added &&
                          qsizetype(fresh) + m_lines == log.lines().size();
    m_lastDraw = Drawn::Nothing;
    if (sameText && fresh > 0) {
        // Only the newest lines are missing: they go in at the top, and the
        // lines already laid out stay as they are.
        QString text = log.renderedNewest(qsizetype(fresh), mode);
        if (m_lines > 0)
            text += u'\n';
        QScrollBar *bar = m_edit->verticalScrollBar();
        const bool atTop = bar->value() == bar->minimum();
        QTextCursor cursor(m_edit->document());
        cursor.movePosition(QTextCursor::Start);
        cursor.insertText(text);
        if (atTop)
            bar->setValue(bar->minimum());
        m_lastDraw = Drawn::Inserted;
    } else if (!sameText) {
        m_edit->setPlainText(log.rendered(mode));
        m_lastDraw = Drawn::Reset;
    }
    m_valid = true;
    m_added = log.added();
    m_clears = log.clears();
    m_lines = log.lines().size();
    m_mode = mode;
}
