// The window's watch and plot: the panel's queries built as their buttons
// build them and polled by the session; the plot fed from the records the
// window takes, in a dock of its own ("曲线") that floats beside the window.
#include "ui/frmmain.h"

#include "ui/codetexts.h"
#include "ui/plotview.h"
#include "ui/watchpanel.h"
#include "ui_frmmain.h"

#include <QDockWidget>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QStatusBar>

void FrmMain::bindWatchAndPlot() {
    m_plotDock = new QDockWidget(this);
    CodeTexts::bind(m_plotDock, "FrmMain", QT_TRANSLATE_NOOP("FrmMain", "曲线"));
    m_plotDock->setObjectName(QStringLiteral("Plot"));
    auto *body = new QWidget(m_plotDock);
    m_watch = new WatchPanel(body);
    m_plot = new PlotView(body);
    auto *layout = new QHBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_watch);
    layout->addWidget(m_plot, 1);
    m_plotDock->setWidget(body);
    addDockWidget(Qt::BottomDockWidgetArea, m_plotDock);
    // The working page takes the whole window on a small screen: the plot
    // starts hidden and opens floating over the lower part of the window.
    m_plotDock->hide();
    QAction *show = m_plotDock->toggleViewAction();
    show->setObjectName(QStringLiteral("PlotShow"));
    connect(show, &QAction::triggered, this, [this, first = true](bool on) mutable {
        if (!on || !first)
            return;
        first = false;
        m_plotDock->setFloating(true);
        const QRect window = geometry();
        const QSize size(std::min(window.width(), 1100), std::min(window.height(), 460));
        m_plotDock->setGeometry(
            QRect(QPoint(window.right() - size.width(), window.bottom() - size.height()), size));
    });
    menuBar()->addAction(show);

    m_plot->model().setEpochUs(m_session->epochUs());
    m_plot->setClock([s = m_session] { return s->nowUs(); });
    m_plot->chooseSavePath = [this](const QString &title, const QString &filter) {
        return chooseFile ? chooseFile(true, title, filter) : QString();
    };
    m_plot->ask = [this](const QString &text, const QString &title) {
        return !ask || ask(text, title);
    };
    m_plot->message = [this](const QString &text) { message(text); };

    connect(m_watch, &WatchPanel::runToggled, this, &FrmMain::watchToggled);
    connect(m_watch, &WatchPanel::choicesChanged, this, &FrmMain::watchChanged);
    // A running watch takes a new mode or address at once.
    connect(ui->Combo7, &QComboBox::currentTextChanged, this, &FrmMain::watchChanged);
    connect(ui->Text23, &QLineEdit::editingFinished, this, &FrmMain::watchChanged);
    connect(m_session, &Session::watchStopped, this, [this] {
        // A stop that a later start has overtaken leaves the button alone.
        if (!m_session->watching())
            m_watch->showRunning(false);
    });
}

QList<quint8> FrmMain::watchCodes() const {
    return m_watch->codes();
}

void FrmMain::setWatchCodes(const QList<quint8> &codes) {
    m_watch->setCodes(codes);
}

int FrmMain::watchInterval() const {
    return m_watch->interval();
}

void FrmMain::setWatchInterval(int ms) {
    m_watch->setInterval(ms);
}

std::optional<QList<QByteArray>> FrmMain::watchFrames() {
    QList<QByteArray> frames;
    for (const quint8 code : m_watch->codes()) {
        const auto &rows = Catalogue::requests();
        const auto row =
            std::find_if(rows.begin(), rows.end(), [code](const Catalogue::Request &r) {
                return r.code == code && r.mark == Catalogue::Mark::Read;
            });
        if (row == rows.end())
            continue;
        const Catalogue::Built built =
            Catalogue::build(*row, [this](const QString &name) { return fieldText(name); });
        if (built.refusal) {
            message(built.refusal->message, tr("系统提示"));
            return std::nullopt;
        }
        frames.append(Catalogue::frame(*row, built.request, protocol()));
    }
    return frames;
}

void FrmMain::watchToggled(bool on) {
    if (!on) {
        QMetaObject::invokeMethod(m_session, &Session::stopWatch, Qt::QueuedConnection);
        return;
    }
    if (!portOpen()) {
        m_watch->showRunning(false);
        statusBar()->showMessage(tr("自动查询: 串口未打开"), 3000);
        return;
    }
    const auto frames = watchFrames();
    if (!frames || frames->isEmpty()) {
        m_watch->showRunning(false);
        if (frames)
            statusBar()->showMessage(tr("自动查询: 请勾选要查询的项目"), 3000);
        return;
    }
    QMetaObject::invokeMethod(
        m_session,
        [s = m_session, frames = *frames, interval = m_watch->interval()] {
            s->startWatch(frames, interval);
        },
        Qt::QueuedConnection);
}

void FrmMain::watchChanged() {
    if (m_watch->isRunning())
        watchToggled(true);
}
