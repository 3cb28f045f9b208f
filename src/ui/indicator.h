#pragma once
// A small filled circle whose fill colour the receive decoder sets: the
// window's status and input lamps Shape1 .. Shape9.
#include <QColor>
#include <QWidget>

class Indicator : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
public:
    explicit Indicator(QWidget *parent = nullptr);

    QColor fillColor() const { return m_fill; }
    void setFillColor(const QColor &c);

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_fill = Qt::black;
};
