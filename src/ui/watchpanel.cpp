#include "ui/watchpanel.h"

#include "ui/codetexts.h"

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
const char *captionOf(quint8 code) {
    switch (code) {
    case 0x36:
        return QT_TRANSLATE_NOOP("WatchPanel", "运动速度");
    case 0x37:
        return QT_TRANSLATE_NOOP("WatchPanel", "绝对位置");
    case 0x39:
        return QT_TRANSLATE_NOOP("WatchPanel", "相对位置");
    case 0x3B:
        return QT_TRANSLATE_NOOP("WatchPanel", "运动状态");
    case 0x42:
        return QT_TRANSLATE_NOOP("WatchPanel", "查询IN");
    case 0x26:
        return QT_TRANSLATE_NOOP("WatchPanel", "初速度");
    case 0x28:
        return QT_TRANSLATE_NOOP("WatchPanel", "最大速度");
    case 0x2A:
        return QT_TRANSLATE_NOOP("WatchPanel", "末速度");
    case 0x2C:
        return QT_TRANSLATE_NOOP("WatchPanel", "加速度");
    case 0x2E:
        return QT_TRANSLATE_NOOP("WatchPanel", "减速度");
    case 0x30:
        return QT_TRANSLATE_NOOP("WatchPanel", "归零速度");
    default:
        return nullptr;
    }
}

} // namespace

WatchPanel::WatchPanel(QWidget *parent) : QGroupBox(parent) {
    CodeTexts::bind(this, "WatchPanel", QT_TRANSLATE_NOOP("WatchPanel", "自动查询"));
    setObjectName(QStringLiteral("Watch"));
    auto *grid = new QGridLayout(this);
    const QList<quint8> &codes = Watch::codes();
    for (int i = 0; i < codes.size(); ++i) {
        auto *box = new QCheckBox(HexText::pair(codes[i]), this);
        if (const char *caption = captionOf(codes[i]))
            CodeTexts::bind(box, "WatchPanel", caption);
        box->setObjectName(QStringLiteral("Watch") + HexText::pair(codes[i]));
        grid->addWidget(box, i / 2, i % 2);
        m_boxes.append({codes[i], box});
        connect(box, &QCheckBox::toggled, this, &WatchPanel::choicesChanged);
    }
    const int row = int((codes.size() + 1) / 2);
    auto *every = new QLabel(this);
    CodeTexts::bind(every, "WatchPanel", QT_TRANSLATE_NOOP("WatchPanel", "间隔:"));
    grid->addWidget(every, row, 0);
    m_interval = new QSpinBox(this);
    m_interval->setObjectName(QStringLiteral("WatchInterval"));
    m_interval->setRange(Watch::MinInterval, Watch::MaxInterval);
    m_interval->setValue(Watch::DefaultInterval);
    m_interval->setSuffix(QStringLiteral(" ms"));
    m_interval->setKeyboardTracking(false);
    grid->addWidget(m_interval, row, 1);
    connect(m_interval, &QSpinBox::valueChanged, this, &WatchPanel::choicesChanged);
    m_run = new QPushButton(this);
    CodeTexts::bind(m_run, "WatchPanel", QT_TRANSLATE_NOOP("WatchPanel", "开始"));
    m_run->setObjectName(QStringLiteral("WatchRun"));
    m_run->setCheckable(true);
    grid->addWidget(m_run, row + 1, 0, 1, 2);
    grid->setRowStretch(row + 2, 1);
    connect(m_run, &QPushButton::toggled, this, [this](bool on) {
        CodeTexts::bind(m_run, "WatchPanel",
                        on ? QT_TRANSLATE_NOOP("WatchPanel", "停止")
                           : QT_TRANSLATE_NOOP("WatchPanel", "开始"));
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
