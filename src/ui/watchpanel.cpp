#include "ui/watchpanel.h"

#include "codec/hextext.h"
#include "link/watch.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

// What each box says: the caption of the button that sends the query.
QString captionOf(quint8 code) {
    switch (code) {
    case 0x36:
        return QStringLiteral("运动速度");
    case 0x37:
        return QStringLiteral("绝对位置");
    case 0x39:
        return QStringLiteral("相对位置");
    case 0x3B:
        return QStringLiteral("运动状态");
    case 0x42:
        return QStringLiteral("查询IN");
    case 0x26:
        return QStringLiteral("初速度");
    case 0x28:
        return QStringLiteral("最大速度");
    case 0x2A:
        return QStringLiteral("末速度");
    case 0x2C:
        return QStringLiteral("加速度");
    case 0x2E:
        return QStringLiteral("减速度");
    case 0x30:
        return QStringLiteral("归零速度");
    default:
        return HexText::pair(code);
    }
}

} // namespace

WatchPanel::WatchPanel(QWidget *parent) : QGroupBox(QStringLiteral("自动查询"), parent) {
    setObjectName(QStringLiteral("Watch"));
    auto *grid = new QGridLayout(this);
    const QList<quint8> &codes = Watch::codes();
    for (int i = 0; i < codes.size(); ++i) {
        auto *box = new QCheckBox(captionOf(codes[i]), this);
        box->setObjectName(QStringLiteral("Watch") + HexText::pair(codes[i]));
        grid->addWidget(box, i / 2, i % 2);
        m_boxes.append({codes[i], box});
        connect(box, &QCheckBox::toggled, this, &WatchPanel::choicesChanged);
    }
    const int row = int((codes.size() + 1) / 2);
    grid->addWidget(new QLabel(QStringLiteral("间隔:"), this), row, 0);
    m_interval = new QSpinBox(this);
    m_interval->setObjectName(QStringLiteral("WatchInterval"));
    m_interval->setRange(Watch::MinInterval, Watch::MaxInterval);
    m_interval->setValue(Watch::DefaultInterval);
    m_interval->setSuffix(QStringLiteral(" ms"));
    m_interval->setKeyboardTracking(false);
    grid->addWidget(m_interval, row, 1);
    connect(m_interval, &QSpinBox::valueChanged, this, &WatchPanel::choicesChanged);
    m_run = new QPushButton(QStringLiteral("开始"), this);
    m_run->setObjectName(QStringLiteral("WatchRun"));
    m_run->setCheckable(true);
    grid->addWidget(m_run, row + 1, 0, 1, 2);
    grid->setRowStretch(row + 2, 1);
    connect(m_run, &QPushButton::toggled, this, [this](bool on) {
        m_run->setText(on ? QStringLiteral("停止") : QStringLiteral("开始"));
    });
    connect(m_run, &QPushButton::clicked, this, &WatchPanel::runToggled);
}

QList<quint8> WatchPanel::codes() const {
    QList<quint8> out;
    for (const auto &[code, box] : m_boxes)
        if (box->isChecked())
            out.append(code);
    return out;
}

void WatchPanel::setCodes(const QList<quint8> &codes) {
    for (const auto &[code, box] : m_boxes) {
        const QSignalBlocker block(box);
        box->setChecked(codes.contains(code));
    }
    emit choicesChanged();
}

int WatchPanel::interval() const {
    return m_interval->value();
}

void WatchPanel::setInterval(int ms) {
    m_interval->setValue(ms);
}

bool WatchPanel::isRunning() const {
    return m_run->isChecked();
}

void WatchPanel::showRunning(bool on) {
    m_run->setChecked(on);
}
