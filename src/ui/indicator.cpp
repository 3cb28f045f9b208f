#include "ui/indicator.h"

#include <QPainter>

Indicator::Indicator(QWidget *parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Indicator::setFillColor(const QColor &c) {
    if (c == m_fill)
        return;
    m_fill = c;
    update();
}

void Indicator::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = std::min(width(), height()) - 2;
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    p.setPen(QPen(palette().color(QPalette::Dark), 1));
    p.setBrush(m_fill);
    p.drawEllipse(r);
}
