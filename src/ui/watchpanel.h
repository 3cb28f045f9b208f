#pragma once
// The watch's panel ("自动查询"): a check box per query the watch may poll
// (`Watch36`, `Watch37`, ... named by the code in two hex digits), the
// interval (`WatchInterval`, 10..65535 ms) and the start/stop button
// (`WatchRun`). The window builds the queries and hands them to the session.
#include <QGroupBox>
#include <QList>

class QCheckBox;
class QPushButton;
class QSpinBox;

class WatchPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit WatchPanel(QWidget *parent = nullptr);

    // The ticked codes, in the order the watch sends them.
    QList<quint8> codes() const;
    void setCodes(const QList<quint8> &codes);
    int interval() const;
    void setInterval(int ms);
    bool isRunning() const;
    // Shows the watch as running or stopped without asking for a change.
    void showRunning(bool on);

signals:
    // The user asked for the watch to start or stop.
    void runToggled(bool on);
    // The ticks or the interval changed (a running watch takes them at once).
    void choicesChanged();

private:
    QList<QPair<quint8, QCheckBox *>> m_boxes;
    QSpinBox *m_interval;
    QPushButton *m_run;
};
