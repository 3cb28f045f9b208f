// The window's side of a line that comes and goes: reconnecting after a loss,
// the "串口" menu, and the label that says what the chosen COMn opens, kept up
// to date while adapters are plugged and unplugged.
#include "link/portsettings.h"

#include "link/portwatcher.h"
#include "ui/codetexts.h"
#include "ui/frmmain.h"
#include "ui_frmmain.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

void FrmMain::bindPortWatch() {
    connect(m_session, &Session::reconnecting, this,
            [this](const QString &device, const QString &) { portWaiting(device); });
    connect(m_session, &Session::reconnected, this, &FrmMain::portReconnected);

    QMenu *menu = menuBar()->addMenu(QString());
    CodeTexts::bind(menu, "FrmMain", QT_TRANSLATE_NOOP("FrmMain", "串口"));
    menu->setObjectName(QStringLiteral("PortMenu"));
    m_autoReconnect = menu->addAction(QString());
    CodeTexts::bind(m_autoReconnect, "FrmMain", QT_TRANSLATE_NOOP("FrmMain", "自动重连"));
    m_autoReconnect->setObjectName(QStringLiteral("AutoReconnect"));
    m_autoReconnect->setCheckable(true);
    m_autoReconnect->setChecked(true);
    connect(m_autoReconnect, &QAction::toggled, this, &FrmMain::applyAutoReconnect);

    // What the chosen COMn opens, on a row of its own under the port box.
    m_portDevice = new QLabel(ui->Frame4);
    m_portDevice->setObjectName(QStringLiteral("PortDevice"));
    m_portDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_portDevice->setMinimumWidth(0);
    m_portDevice->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    if (auto *grid = qobject_cast<QGridLayout *>(ui->Combo1->parentWidget()->layout()))
        grid->addWidget(m_portDevice, grid->rowCount(), 0, 1, grid->columnCount());
    connect(ui->Combo1, &QComboBox::currentTextChanged, this, &FrmMain::showPortDevice);

    // The system's ports are listed off this thread; the label and the
    // mapping follow each change.
    m_watcher = std::make_unique<PortWatcher>(m_ports.lister());
    connect(m_watcher.get(), &PortWatcher::changed, this, [this](const QList<ListedPort> &ports) {
        m_ports.setListed(ports);
        showPortDevice();
    });
    m_watcher->start();
}

bool FrmMain::autoReconnect() const {
    return m_autoReconnect->isChecked();
}

void FrmMain::setAutoReconnect(bool on) {
    m_autoReconnect->setChecked(on); // toggled() applies it
}

void FrmMain::applyAutoReconnect(bool on) {
    bool waitEnded = false;
    QMetaObject::invokeMethod(
        m_session,
        [&waitEnded, s = m_session, on] {
            waitEnded = s->waiting() && !on;
            s->setAutoReconnect(on);
        },
        Qt::BlockingQueuedConnection);
    if (!waitEnded)
        return;
    // Turning it off during a wait closes the port.
    m_ports.unpin(m_openPort);
    m_openPort = 0;
    setPortControls(false);
    showStatus([] { return tr("串口已断开"); });
}

void FrmMain::portWaiting(const QString &device) {
    runStoppedByLoss();
    // "关闭" stays enabled: it ends the wait.
    showStatus([device] { return tr("串口已断开，等待重新连接: ") + device; });
}

void FrmMain::portReconnected(const QString &device) {
    if (!m_session->isOpen())
        return; // closed again before this arrived
    showStatus([device] { return tr("串口已重新连接: ") + device; });
    showPortDevice();
}

void FrmMain::runStoppedByLoss() {
    // The session stopped the runner; the window shows it stopped, as after
    // unticking the box. A reconnect never starts it again.
    if (!ui->Check1->isChecked())
        return;
    ui->Check1->setChecked(false);
    ui->Text22->setEnabled(true);
    markRunLine(-1);
}

void FrmMain::showPortDevice() {
    const auto n = PortSettings::portNumber(ui->Combo1->currentText());
    const QString text = n ? m_ports.label(*n) : QString();
    m_portDevice->setText(text.isEmpty() ? tr("未找到设备") : text);
    m_portDevice->setToolTip(m_portDevice->text());
}
