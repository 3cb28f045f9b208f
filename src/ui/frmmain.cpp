#include "ui/frmmain.h"

#include "ui/codetexts.h"

#include "automation/commandlist.h"
#include "automation/listfile.h"
#include "automation/runner.h"
#include "codec/checksum.h"
#include "codec/cp936.h"
#include "codec/hextext.h"
#include "commands/extended.h"
#include "commands/language.h"
#include "commands/registerform.h"
#include "link/portsettings.h"
#include "link/portwatcher.h"
#include "link/seriallink.h"
#include "ui/indicator.h"
#include "ui/plotview.h"
#include "ui/replyview.h"
#include "ui_frmmain.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>

static void initTexts() {
    Q_INIT_RESOURCE(texts);
}

namespace {
// A page in the installed language: the translated copy under the language's
// folder, the Chinese page itself when there is none.
QString pageText(const QString &name) {
    QFile translated(QStringLiteral(":/text/%1/%2").arg(Language::current(), name));
    QFile f(QStringLiteral(":/text/") + name);
    QFile &page =
        Language::current() != QLatin1String("zh") && translated.exists() ? translated : f;
    return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
}

// Menus and menu items the window makes in code, by objectName, with their
// texts: written again in the new language after a change of language.
struct NamedText {
    const char *object;
    const char *source;
};
constexpr NamedText kNamedTexts[] = {
    {"MenuCMD", QT_TRANSLATE_NOOP("FrmMain", "命令操作")},
    {"DelectList", QT_TRANSLATE_NOOP("FrmMain", "删除")},
    {"DelectAll", QT_TRANSLATE_NOOP("FrmMain", "清空")},
};

void retranslateNamed(QObject &window) {
    for (const NamedText &t : kNamedTexts) {
        const QString name = QString::fromLatin1(t.object);
        const QString text = QCoreApplication::translate("FrmMain", t.source);
        if (auto *menu = window.findChild<QMenu *>(name))
            menu->setTitle(text);
        else if (auto *action = window.findChild<QAction *>(name))
            action->setText(text);
    }
}

// While traffic flows, each view is redrawn at most this often.
constexpr qint64 RedrawMs = 100;
// Replies set their fields at most this often (a screen refresh).
constexpr qint64 FrameMs = 16;
} // namespace

template <typename F> void FrmMain::inSession(F &&f) {
    QMetaObject::invokeMethod(m_session, std::forward<F>(f), Qt::QueuedConnection);
}

template <typename F> void FrmMain::inSessionAndWait(F &&f) {
    QMetaObject::invokeMethod(m_session, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

FrmMain::FrmMain(PortMap ports, SerialLink *link, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::FrmMain>()), m_ports(std::move(ports)),
      m_session(new Session(link ? link : new PortLink)), m_sentView(nullptr),
      m_receivedView(nullptr) {
    initTexts();
    ui->setupUi(this);
    m_sentView = TrafficView(ui->RichTextBox2);
    m_receivedView = TrafficView(ui->RichTextBox1);
    // The static pages are laid out when first shown, not at start-up.
    connect(ui->SSTab1, &QTabWidget::currentChanged, this, &FrmMain::loadPageTexts);

    // The session and its link run on their own thread from here on.
    m_thread.setObjectName(QStringLiteral("session"));
    m_session->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_session, &QObject::deleteLater);
    m_thread.start(QThread::TimeCriticalPriority);
    connect(m_session, &Session::lost, this, &FrmMain::portLost);
    bindPortWatch();
    connect(m_session, &Session::refused, this,
            [this](const QString &text) { message(text, tr("系统提示")); });
    connect(m_session, &Session::recorded, &m_records, &RecordQueue::push, Qt::DirectConnection);
    connect(&m_records, &RecordQueue::ready, this, &FrmMain::scheduleTake, Qt::QueuedConnection);
    m_take.setSingleShot(true);
    connect(&m_take, &QTimer::timeout, this, &FrmMain::takeRecords);
    connect(m_session, &Session::logFailed, this, [this](const QString &text) {
        showLogState();
        message(text);
    });
    connect(m_session, &Session::runLine, this, &FrmMain::markRunLine);
    for (auto [timer, redraw] : {std::pair{&m_sentRedraw, &FrmMain::refreshSent},
                                 std::pair{&m_receivedRedraw, &FrmMain::refreshReceived}}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, redraw);
    }
    connect(m_session, &Session::sentChanged, this,
            [this] { scheduleRedraw(m_sentRedraw, m_sentDrawn); });
    connect(m_session, &Session::receivedChanged, this,
            [this] { scheduleRedraw(m_receivedRedraw, m_receivedDrawn); });

    // Indicators: the run-state lamp starts in the normal colour, the others black.
    ui->Shape1->setFillColor(palette().color(QPalette::WindowText));
    for (Indicator *s : {ui->Shape2, ui->Shape3, ui->Shape4, ui->Shape5, ui->Shape6, ui->Shape7,
                         ui->Shape8, ui->Shape9})
        s->setFillColor(Qt::black);

    connect(ui->Command32, &QPushButton::clicked, this, &FrmMain::openPort);
    connect(ui->Command33, &QPushButton::clicked, this, &FrmMain::closePort);
    // Every user change of the mode (choice, typing, wheel) switches the buttons.
    connect(ui->Combo7, &QComboBox::currentTextChanged, this, &FrmMain::protocolSwitched);
    connect(ui->Command6, &QPushButton::clicked, this,
            [this] { inSession([s = m_session] { s->clearSent(); }); });
    connect(ui->Command36, &QPushButton::clicked, this,
            [this] { inSession([s = m_session] { s->clearReceived(); }); });

    // Traffic in a fixed-pitch face that has the control-character pictures;
    // Chinese captions fall back to the system's CJK face.
    QFont traffic;
    traffic.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("FreeMono"),
                         QStringLiteral("WenQuanYi Micro Hei Mono")});
    traffic.setStyleHint(QFont::Monospace);
    traffic.setPointSizeF(font().pointSizeF());
    for (QPlainTextEdit *view : {ui->RichTextBox1, ui->RichTextBox2})
        view->setFont(traffic);
    // The byte counters change with every redraw under a stream: at a fixed
    // size (room for nine digits) a new count repaints the label alone
    // instead of laying out and repainting the whole page.
    for (QLabel *count : {ui->Label44, ui->Label45})
        count->setFixedSize(std::max(count->minimumWidth(), count->fontMetrics().horizontalAdvance(
                                                                QStringLiteral("000000000"))),
                            count->sizeHint().height());

    fitButtons();
    // The layouts take the narrower buttons once their size requests have
    // been handled, after the first show.
    QTimer::singleShot(0, this, [this] {
        if (!m_restoredGeometry.isEmpty()) {
            restoreGeometry(m_restoredGeometry);
            return;
        }
        QSize want = QSize(1360, 690).expandedTo(minimumSizeHint());
        if (const QScreen *screen = this->screen())
            want = want.boundedTo(screen->availableGeometry().size() - QSize(0, 30))
                       .expandedTo(minimumSizeHint());
        resize(want);
    });

    // The mapping is looked up when the tooltip is asked for: listing the
    // system's serial ports takes a while and may change while the window is open.
    ui->Combo1->installEventFilter(this);
    bindCatalogue();
    bindCommandList();
    bindWorkbench();
    connect(ui->Command81, &QPushButton::clicked, this, &FrmMain::download);
    connect(ui->Command106, &QPushButton::clicked, this, &FrmMain::sendCanPayload);
    // The register option enables what belongs to it, whoever ticks it.
    connect(ui->Check2, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget *w :
             std::initializer_list<QWidget *>{ui->Command3, ui->Option3, ui->Option4, ui->Text34})
            w->setEnabled(on);
    });
    // The session applies the register option to every send, the runner's too.
    connect(ui->Check2, &QCheckBox::toggled, this, &FrmMain::pushRegisterForm);
    connect(ui->Option4, &QRadioButton::toggled, this, &FrmMain::pushRegisterForm);
    connect(ui->Text34, &QLineEdit::textChanged, this, &FrmMain::pushRegisterForm);
    bindMenus();
    bindWatchAndPlot();
    setPortControls(false);

    // The language box shows the language in force; choosing one installs it.
    ui->Combo10->setCurrentIndex(std::max(0, int(Language::codes().indexOf(Language::current()))));
    connect(ui->Combo10, &QComboBox::activated, this, &FrmMain::languageActivated);
}

void FrmMain::fitButtons() {
    // Buttons may shrink to their caption when the screen is small.
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 14);
}

void FrmMain::languageActivated(int index) {
    const QStringList codes = Language::codes();
    // A typed entry that is no item names no language.
    if (index < 0 || index >= codes.size() || ui->Combo10->itemText(index).isEmpty())
        return;
    const QString code = codes.at(index);
    if (code == Language::current())
        return;
    if (Language::install(*QCoreApplication::instance(), code))
        emit languageChosen(code);
}

void FrmMain::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QMainWindow::changeEvent(event);
}

void FrmMain::retranslate() {
    // The form's captions; values and fields are not translated and keep what they hold.
    ui->retranslateUi(this);
    ReplyView::retranslateRunState(*ui);
    retranslateNamed(*this);
    if (m_status)
        statusBar()->showMessage(m_status());
    // The pages are read again in the new language when next shown.
    for (QTextBrowser *view : {ui->Info1, ui->Info2, ui->RichTextBox3})
        view->clear();
    loadPageTexts();
    showLogState();
    fitButtons();
    // The register form's line in the send view follows from the next send on.
    pushRegisterForm();
}

void FrmMain::showStatus(std::function<QString()> text) {
    m_status = std::move(text);
    if (m_status)
        statusBar()->showMessage(m_status());
    else
        statusBar()->clearMessage();
}

FrmMain::~FrmMain() {
    // The controls are destroyed after this body, when the window is no longer
    // a FrmMain: nothing they emit while going (the list's model resets as its
    // rows are deleted) may reach the window's handlers any more.
    for (QObject *child : findChildren<QObject *>())
        QObject::disconnect(child, nullptr, this, nullptr);
    inSessionAndWait([s = m_session] {
        s->close();
        s->stopLog();
    });
    m_thread.quit();
    m_thread.wait();
}

void FrmMain::settle() {
    inSessionAndWait([] {});
    QCoreApplication::sendPostedEvents(this);
    takeRecords();
    refreshSent();
    refreshReceived();
}

void FrmMain::pushRegisterForm() {
    const bool on = ui->Check2->isChecked();
    const auto function =
        ui->Option4->isChecked() ? RegisterForm::Function::Write : RegisterForm::Function::Read;
    inSession([s = m_session, on, function, offset = ui->Text34->text()] {
        s->setRegisterForm(on, function, offset);
    });
}

QStringList FrmMain::listLines() const {
    QStringList lines;
    lines.reserve(ui->List1->count());
    for (int row = 0; row < ui->List1->count(); ++row)
        lines << ui->List1->item(row)->text();
    return lines;
}

void FrmMain::pushList() {
    m_listPending = false;
    inSession([s = m_session, lines = listLines()] { s->setList(lines); });
}

void FrmMain::loadPageTexts() {
    const std::array<std::pair<QTextBrowser *, const char *>, 3> pages{
        {{ui->Info1, "page1.html"},
         {ui->Info2, "page2.html"},
         {ui->RichTextBox3, "protocol.html"}}};
    for (const auto &[view, file] : pages)
        if (view->isVisible() && view->document()->isEmpty())
            view->setHtml(pageText(QString::fromLatin1(file)));
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->Combo1 && event->type() == QEvent::ToolTip)
        ui->Combo1->setToolTip(m_ports.describe());
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::bindCommandList() {
    connect(ui->Command34, &QPushButton::clicked, this,
            [this] { ui->List1->addItem(CommandList::delayLine(ui->Text20->text())); });
    connect(ui->Command35, &QPushButton::clicked, this,
            [this] { ui->List1->addItem(CommandList::jumpLine(ui->Text21->text())); });
    connect(ui->Text20, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (const auto clamped = CommandList::clampDelay(text))
            ui->Text20->setText(*clamped);
    });

    // The list's pop-up menu: delete the first selected line, or all of them.
    auto *menu = new QMenu(tr("命令操作"), this);
    menu->setObjectName(QStringLiteral("MenuCMD"));
    QAction *deleteLine = menu->addAction(tr("删除"));
    deleteLine->setObjectName(QStringLiteral("DelectList"));
    QAction *deleteAll = menu->addAction(tr("清空"));
    deleteAll->setObjectName(QStringLiteral("DelectAll"));
    connect(deleteLine, &QAction::triggered, this, [this] {
        for (int row = 0; row < ui->List1->count(); ++row)
            if (ui->List1->item(row)->isSelected()) {
                delete ui->List1->takeItem(row);
                return;
            }
    });
    connect(deleteAll, &QAction::triggered, ui->List1, &QListWidget::clear);
    ui->List1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->List1, &QWidget::customContextMenuRequested, this, [this, menu](const QPoint &at) {
        menu->popup(ui->List1->viewport()->mapToGlobal(at));
    });
    ui->List1->setUniformItemSizes(true);
    // The runner in the session works on a copy of the list, sent after edits.
    auto listEdited = [this] {
        if (m_listPending)
            return;
        m_listPending = true;
        QTimer::singleShot(0, this, &FrmMain::pushList);
    };
    QAbstractItemModel *model = ui->List1->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, listEdited);
    connect(model, &QAbstractItemModel::rowsRemoved, this, listEdited);
    connect(model, &QAbstractItemModel::rowsMoved, this, listEdited);
    connect(model, &QAbstractItemModel::modelReset, this, listEdited);
    connect(model, &QAbstractItemModel::layoutChanged, this, listEdited);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [listEdited](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole) ||
                    roles.contains(Qt::EditRole))
                    listEdited();
            });

    connect(ui->Check1, &QCheckBox::clicked, this, &FrmMain::runToggled);

    // List files.
    connect(ui->Command54, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(false, tr("打开文件"), tr("txt文件(*.txt);;所有文件(*.*)"));
        if (path.isEmpty())
            return;
        m_listFolder = QFileInfo(path).absolutePath();
        if (!CommSetting::FileExists(path)) {
            message(tr("文件名无效,请重新打开!"));
            return;
        }
        openListFile(path);
    });
    connect(ui->Command55, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(true, tr("保存文件"), tr("TXT文件(*.TXT);;所有文件(*.*)"));
        if (path.isEmpty())
            return;
        m_listFolder = QFileInfo(path).absolutePath();
        if (CommSetting::FileExists(path) && !ask(tr("是否覆盖文件？"), tr("文件保存")))
            return;
        saveListFile(path);
    });
    chooseFile = [this](bool save, const QString &title, const QString &filter) {
        return save ? QFileDialog::getSaveFileName(
                          this, title, m_fileStart.isEmpty() ? m_listFolder : m_fileStart, filter,
                          nullptr, QFileDialog::DontConfirmOverwrite)
                    : QFileDialog::getOpenFileName(this, title, m_listFolder, filter);
    };
    ask = [this](const QString &text, const QString &title) {
        return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
}

void FrmMain::openListFile(const QString &path) {
    QString error;
    const QStringList lines = CommSetting::LoadListFile(path, &error);
    ui->List1->setUpdatesEnabled(false);
    ui->List1->clear();
    ui->List1->addItems(lines);
    ui->List1->setUpdatesEnabled(true);
    if (!error.isEmpty())
        message(tr("读取文件出错:") + error);
}

void FrmMain::saveListFile(const QString &path) {
    QString error;
    if (!ListFile::save(path, listLines(), &error))
        message(tr("文件保存失败,原文件未改动:") + error);
}

void FrmMain::runToggled(bool on) {
    if (!on) {
        inSession([s = m_session] { s->stopRun(); });
        ui->Text22->setEnabled(true);
        markRunLine(-1);
        return;
    }
    const auto base = Runner::intervalOf(ui->Text22->text());
    if (!base) {
        ui->Check1->setChecked(false);
        message(tr("间隔时间超出范围,请设置0-65535之间的毫秒数"), tr("系统提示"));
        return;
    }
    ui->Text22->setEnabled(false);
    // The run starts from the list as it is now.
    pushList();
    inSession([s = m_session, interval = *base, text = ui->Text22->text()] {
        s->startRun(interval, text);
    });
}

void FrmMain::markRunLine(int row) {
    // A mark that arrives after the run was stopped is not shown.
    if (row >= 0 && !ui->Check1->isChecked())
        row = -1;
    if (m_runMark.isValid())
        ui->List1->model()->setData(m_runMark, QVariant(), Qt::BackgroundRole);
    m_runMark = QPersistentModelIndex();
    if (row < 0 || row >= ui->List1->count())
        return;
    m_runMark = ui->List1->model()->index(row, 0);
    ui->List1->model()->setData(m_runMark, palette().color(QPalette::AlternateBase).darker(115),
                                Qt::BackgroundRole);
}

void FrmMain::bindCatalogue() {
    for (const Catalogue::Request &row : Catalogue::requests()) {
        auto *button = findChild<QPushButton *>(QString::fromLatin1(row.button));
        if (button)
            connect(button, &QPushButton::clicked, this, [this, &row] { runRequest(row); });
    }
    // One-shot buttons arm their mode and run the target as if it were pressed.
    auto bindTriggers = [this](const QList<Catalogue::Trigger> &triggers, bool FrmMain::*flag) {
        for (const Catalogue::Trigger &t : triggers) {
            const Catalogue::Request *target = Catalogue::find(QString::fromLatin1(t.target));
            auto *button = findChild<QAbstractButton *>(QString::fromLatin1(t.button));
            if (!target || !button)
                continue;
            connect(button, &QAbstractButton::clicked, this, [this, target, flag] {
                this->*flag = true;
                runRequest(*target);
            });
        }
    };
    bindTriggers(Catalogue::addToListTriggers(), &FrmMain::AddListFlag);
    bindTriggers(Catalogue::captureTriggers(), &FrmMain::IoSubstFlag);
}

QString FrmMain::fieldText(const QString &objectName) const {
    if (auto *edit = findChild<QLineEdit *>(objectName))
        return edit->text();
    if (auto *combo = findChild<QComboBox *>(objectName))
        return combo->currentText();
    return {};
}

Framing::Protocol FrmMain::protocol() const {
    return Framing::protocolFromText(ui->Combo7->currentText());
}

void FrmMain::runRequest(const Catalogue::Request &row) {
    if (row.registerOption != Catalogue::RegisterOption::Keep)
        ui->Check2->setChecked(false);
    if (row.mark == Catalogue::Mark::Read)
        ui->Option3->setChecked(true);
    else if (row.mark == Catalogue::Mark::Write)
        ui->Option4->setChecked(true);

    const Catalogue::Built built =
        Catalogue::build(row, [this](const QString &name) { return fieldText(name); });
    if (built.refusal) {
        message(built.refusal->message, tr("系统提示"));
        return;
    }
    const QByteArray frame = Catalogue::frame(row, built.request, protocol());

    if (row.capture && IoSubstFlag) {
        // Capture: the frame without address and checksum becomes the stored command.
        IoSubstFlag = false;
        ui->Text31->setText(HexText::spaced(frame.mid(1, frame.size() - 3)));
        return;
    }
    recordAndSend(frame, row.addToList);
    if (row.registerOption == Catalogue::RegisterOption::OffAround)
        ui->Check2->setChecked(true);
}

void FrmMain::recordAndSend(const QByteArray &frame, bool honoursList, const QString &line) {
    if (honoursList && AddListFlag) {
        AddListFlag = false;
        ui->List1->addItem(line.isNull() ? CommandList::frameLine(frame) : line);
    }
    SendComm(frame);
}

void FrmMain::refuse(const QString &text) {
    message(text, tr("系统提示"));
}

std::optional<quint8> FrmMain::address() {
    const auto a = Number::h8(ui->Text23->text());
    if (!a.ok())
        refuse(Catalogue::rangeMessage(Catalogue::fieldName(QStringLiteral("Text23")), a.range));
    return a.value;
}

void FrmMain::download() {
    ui->Check2->setChecked(false);
    const IoSubst::Built built =
        IoSubst::download(ui->Text23->text(), ui->Combo8->currentText(), ui->Text31->text());
    if (!built.refusal.isEmpty())
        return refuse(built.refusal);
    if (built.frame)
        recordAndSend(*built.frame, true);
}

void FrmMain::sendCanPayload() {
    ui->Option4->setChecked(true);
    if (ui->Text33->text().isEmpty())
        return;
    const auto addr = address();
    if (!addr)
        return;
    recordAndSend(Framing::rtu(Can::payloadRequest(*addr, ui->Text33->text())), true);
}

// The workbench's send buttons: the typed bytes raw, as RTU, or as ASCII.
void FrmMain::sendTyped(std::optional<Framing::Protocol> framing) {
    ui->Check2->setChecked(false);
    if (ui->Text1->text().isEmpty())
        return;
    const QByteArray bytes = HexText::parsePairs(ui->Text1->text());
    if (bytes.isEmpty())
        return; // only blanks: nothing to send, the list mode stays armed
    recordAndSend(framing ? Framing::frame(bytes, *framing) : bytes, true);
}

void FrmMain::sendString() {
    const QString text = ui->Text5->text();
    ui->Check2->setChecked(false);
    if (text.isEmpty())
        return;
    // The list line is the text itself; the bytes are its code page 936 codes.
    recordAndSend(Cp936::encode(text), true, text);
}

void FrmMain::bindWorkbench() {
    const std::array<std::pair<QPushButton *, std::function<void()>>, 4> senders{{
        {ui->Command1, [this] { sendTyped(std::nullopt); }},
        {ui->Command11, [this] { sendTyped(Framing::Protocol::Rtu); }},
        {ui->Command10, [this] { sendTyped(Framing::Protocol::Ascii); }},
        {ui->Command37, [this] { sendString(); }},
    }};
    // ">" buttons beside them arm the list mode first.
    const std::array<QAbstractButton *, 4> plus{ui->Command79, ui->Command80, ui->Command77,
                                                ui->Command78};
    for (std::size_t i = 0; i < senders.size(); ++i) {
        const auto send = senders[i].second;
        connect(senders[i].first, &QPushButton::clicked, this, send);
        connect(plus[i], &QAbstractButton::clicked, this, [this, send] {
            AddListFlag = true;
            send();
        });
    }

    auto crc = [this] {
        const QByteArray bytes = HexText::parsePairs(ui->Text1->text());
        if (bytes.isEmpty())
            return false;
        const QString text = CommSetting::CalcCRC16(bytes);
        ui->Text2->setText(text.left(2));
        ui->Text3->setText(text.right(2));
        return true;
    };
    connect(ui->Command8, &QPushButton::clicked, this, crc);
    connect(ui->Command2, &QPushButton::clicked, this, [this, crc] {
        if (!crc())
            return;
        const QString low = ui->Text2->text();
        ui->Text2->setText(ui->Text3->text());
        ui->Text3->setText(low);
    });
    connect(ui->Command9, &QPushButton::clicked, this, [this] {
        const QByteArray bytes = HexText::parsePairs(ui->Text1->text());
        if (!bytes.isEmpty())
            ui->Text4->setText(HexText::bare(CommSetting::CalcLRC(bytes)));
    });
    connect(ui->Command5, &QPushButton::clicked, this,
            [this] { ui->Text1->setText(CommSetting::StringToHex(ui->Text5->text())); });
    connect(ui->Command56, &QPushButton::clicked, this, [this] {
        QString hex = ui->Text1->text();
        hex.remove(u' ');
        ui->Text5->setText(CommSetting::HexToString(hex));
    });
}

void FrmMain::SendComm(const QByteArray &frame) {
    if (!m_session->isOpen()) {
        if (m_session->waiting())
            statusBar()->showMessage(tr("串口正在等待重新连接，请求未发送: ") +
                                     m_session->device());
        return;
    }
    inSession([s = m_session, frame] { s->SendComm(frame); });
}

void FrmMain::scheduleTake() {
    if (m_take.isActive())
        return;
    // The first batch after a quiet spell is taken at once.
    m_take.start(int(m_taken.isValid() ? std::max<qint64>(0, FrameMs - m_taken.elapsed()) : 0));
}

void FrmMain::takeRecords() {
    m_take.stop();
    m_taken.start();
    // While records flow they are taken once per frame on the timer, without
    // an event per batch; the first empty take re-arms the queue's signal.
    QList<Records::Record> records = m_records.take(false);
    if (records.isEmpty())
        records = m_records.take(true);
    if (!records.isEmpty())
        m_take.start(int(FrameMs));
    m_plot->take(records);
    const Records::Record *last = nullptr;
    for (const Records::Record &r : records) {
        if (r.kind != Records::Kind::Good || !r.reply)
            continue;
        const Receive::Reply &reply = *r.reply;
        if (reply.value || reply.status || reply.inputs || reply.ioCommand) {
            m_replies.add(reply);
            last = &r;
        }
    }
    // Each control once, to its newest value; the records keep every value.
    for (const Receive::Reply &reply : m_replies.take())
        applyReply(reply);
    if (last)
        emit replyShown(last->timeUs);
}

void FrmMain::applyReply(const Receive::Reply &r) {
    ReplyView::showReply(*ui, r, palette().color(QPalette::WindowText));
}

void FrmMain::scheduleRedraw(QTimer &timer, QElapsedTimer &last) {
    if (timer.isActive())
        return;
    // The first change after a quiet spell is shown at once.
    timer.start(int(last.isValid() ? std::max<qint64>(0, RedrawMs - last.elapsed()) : 0));
}

void FrmMain::refreshSent() {
    m_sentDrawn.start();
    const TrafficSide sent = m_session->sent();
    m_sentView.show(sent.log, m_timestamps);
    ui->Label44->setText(QString::number(sent.count));
}

void FrmMain::refreshReceived() {
    m_receivedDrawn.start();
    const TrafficSide received = m_session->received();
    m_receivedView.show(received.log, m_timestamps);
    ui->Label45->setText(QString::number(received.count));
}

void FrmMain::setPortControls(bool open) {
    ui->Combo1->setEnabled(!open);
    ui->Combo2->setEnabled(!open);
    ui->Command32->setEnabled(!open);
    ui->Command33->setEnabled(open);
}

void FrmMain::openPort() {
    const QString settings = PortSettings::settingsText(ui->Combo2->currentText());
    inSessionAndWait([s = m_session] { s->close(); });
    m_ports.unpin(m_openPort);
    m_openPort = 0;
    const auto number = PortSettings::portNumber(ui->Combo1->currentText());
    if (!number) {
        message(tr("请选择正确的串口名"));
        return;
    }
    QString error;
    const auto line = PortSettings::parse(settings, &error);
    // The port opens the adapter listed now, and keeps it while open.
    m_ports.setListed(m_ports.lister()());
    const QString device = m_ports.device(*number);
    m_ports.pin(*number);
    if (line && device.isEmpty())
        error = tr("COM%1 没有对应的串口设备").arg(*number);
    bool opened = false;
    if (line && !device.isEmpty())
        inSessionAndWait(
            [&, locate = m_ports.locator(*number), every = m_ports.locatorIntervalMs(*number)] {
                opened = m_session->open(device, *line, &error, locate, every);
            });
    m_openPort = opened ? *number : 0;
    if (!opened) {
        m_ports.unpin(*number);
        showStatus(nullptr);
        message(tr("串口打开失败:") + error);
        return;
    }
    setPortControls(true);
    showStatus([text = QStringLiteral("COM%1 → %2  %3").arg(*number).arg(device, settings)] {
        return text;
    });
}

void FrmMain::closePort() {
    inSessionAndWait([s = m_session] { s->close(); });
    m_ports.unpin(m_openPort);
    m_openPort = 0;
    setPortControls(false);
    showStatus(nullptr);
}

void FrmMain::portLost(const QString &reason) {
    runStoppedByLoss();
    m_ports.unpin(m_openPort);
    m_openPort = 0;
    setPortControls(false);
    showStatus([] { return tr("串口已断开"); });
    message(tr("串口连接已断开:") + reason);
}

void FrmMain::protocolSwitched() {
    const bool rtu = ui->Combo7->currentText() == QLatin1String("Modbus RTU");
    ui->Command81->setEnabled(rtu);
    ui->Command88->setEnabled(rtu);
}

void FrmMain::message(const QString &text, const QString &title) {
    auto *box = new QMessageBox(QMessageBox::NoIcon,
                                title.isEmpty() ? QApplication::applicationDisplayName() : title,
                                text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    m_box = box;
    box->open();
    emit messageShown(text);
}

void FrmMain::bindMenus() {
    QMenu *stamps = menuBar()->addMenu(QString());
    CodeTexts::bind(stamps, "FrmMain", QT_TRANSLATE_NOOP("FrmMain", "时间戳"));
    stamps->setObjectName(QStringLiteral("Timestamps"));
    m_timestampItems = new QActionGroup(this);
    m_timestampItems->setExclusive(true);
    const std::array<std::tuple<const char *, const char *, Timestamps>, 4> items{{
        {"TimestampNone", QT_TRANSLATE_NOOP("FrmMain", "无"), Timestamps::None},
        {"TimestampAbsolute", QT_TRANSLATE_NOOP("FrmMain", "绝对时间"), Timestamps::Absolute},
        {"TimestampRelative", QT_TRANSLATE_NOOP("FrmMain", "相对时间"), Timestamps::Relative},
        {"TimestampInterval", QT_TRANSLATE_NOOP("FrmMain", "间隔"), Timestamps::Interval},
    }};
    for (const auto &[name, text, mode] : items) {
        QAction *item = stamps->addAction(QString());
        CodeTexts::bind(item, "FrmMain", text);
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        item->setChecked(mode == m_timestamps);
        item->setData(int(mode));
        m_timestampItems->addAction(item);
        connect(item, &QAction::triggered, this, [this, mode] { setTimestamps(mode); });
    }

    QMenu *log = menuBar()->addMenu(QString());
    CodeTexts::bind(log, "FrmMain", QT_TRANSLATE_NOOP("FrmMain", "记录"));
    log->setObjectName(QStringLiteral("Log"));
    m_logStart = log->addAction(QString());
    CodeTexts::bind(m_logStart, "FrmMain", QT_TRANSLATE_NOOP("FrmMain", "开始记录..."));
    m_logStart->setObjectName(QStringLiteral("LogStart"));
    m_logStop = log->addAction(QString());
    CodeTexts::bind(m_logStop, "FrmMain", QT_TRANSLATE_NOOP("FrmMain", "停止记录"));
    m_logStop->setObjectName(QStringLiteral("LogStop"));
    connect(m_logStart, &QAction::triggered, this, &FrmMain::chooseLog);
    connect(m_logStop, &QAction::triggered, this, &FrmMain::stopLog);
    m_logLabel = new QLabel(this);
    m_logLabel->setObjectName(QStringLiteral("LogFile"));
    statusBar()->addPermanentWidget(m_logLabel);
    m_logFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (m_logFolder.isEmpty())
        m_logFolder = QDir::homePath();
    showLogState();
}

void FrmMain::setTimestamps(Timestamps mode) {
    for (QAction *item : m_timestampItems->actions())
        if (item->data().toInt() == int(mode))
            item->setChecked(true);
    if (mode == m_timestamps)
        return;
    m_timestamps = mode;
    refreshSent();
    refreshReceived();
}

QString FrmMain::suggestedLogPath() const {
    return QDir(m_logFolder)
        .filePath(
            QDateTime::currentDateTime().toString(QStringLiteral("'t3208-'yyyyMMdd-HHmmss'.csv'")));
}

void FrmMain::chooseLog() {
    m_fileStart = suggestedLogPath();
    const QString path = chooseFile(true, tr("开始记录"), tr("CSV文件(*.csv);;所有文件(*.*)"));
    m_fileStart.clear();
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path) && !ask(tr("是否覆盖文件？"), tr("开始记录")))
        return;
    startLog(path);
}

bool FrmMain::startLog(const QString &path) {
    bool started = false;
    QString error;
    inSessionAndWait([&] { started = m_session->startLog(path, &error); });
    showLogState();
    if (!started) {
        message(tr("无法开始记录: %1 (%2)").arg(path, error));
        return false;
    }
    m_logFolder = QFileInfo(path).absolutePath();
    return true;
}

void FrmMain::stopLog() {
    inSessionAndWait([s = m_session] { s->stopLog(); });
    showLogState();
}

void FrmMain::showLogState() {
    const QString file = m_session->logFile();
    m_logLabel->setText(file.isEmpty() ? QString() : tr("记录: ") + file);
    m_logLabel->setVisible(!file.isEmpty());
    m_logStop->setEnabled(!file.isEmpty());
}
