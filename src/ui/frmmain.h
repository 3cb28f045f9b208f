#pragma once
// The main window: reads its controls, calls the codec, command and link
// layers, and writes their results back.
#include "commands/catalogue.h"
#include "link/portmap.h"
#include "link/receive.h"
#include "link/recordqueue.h"
#include "link/session.h"
#include "link/transmit.h"
#include "ui/replyview.h"
#include "ui/trafficview.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

namespace Ui {
class FrmMain;
}
class QAction;
class QActionGroup;
class QLabel;
class QMessageBox;
class PortWatcher;
class QSettings;
class QDockWidget;
class PlotView;
class SerialLink;
class WatchPanel;

class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    // `link` is the serial line the window drives (a real port when null);
    // `ports` says which device each of COM1 .. COM9 opens.
    explicit FrmMain(PortMap ports = PortMap(), SerialLink *link = nullptr,
                     QWidget *parent = nullptr);
    ~FrmMain() override;

    // The one way a frame reaches the serial line: handed to the session, which
    // shows, counts and writes it. Nothing happens while the port is closed.
    void SendComm(const QByteArray &frame);

    // The common steps of a catalogue button: mark, build, frame, capture,
    // add-to-list, send.
    void runRequest(const Catalogue::Request &row);

    // The session that talks to the line, on its own thread.
    Session *session() const { return m_session; }
    bool portOpen() const { return m_session->isOpen(); }
    // Whether the list runner is ticking.
    bool running() const { return m_session->running(); }
    // What the traffic views hold (the session's record, which the views show
    // at their next redraw).
    TrafficSide sent() const { return m_session->sent(); }
    TrafficSide received() const { return m_session->received(); }
    // Every byte received since the window opened, whatever the view bound
    // has cleared.
    qint64 receivedTotal() const { return m_session->receivedTotal(); }
    // Reconnecting after a lost line ("自动重连"; on by default).
    bool autoReconnect() const;
    void setAutoReconnect(bool on);

    // For scripted use: waits until the session has handled everything asked
    // of it so far, then shows what it sent back.
    void settle();

    bool AddListFlag = false;
    bool IoSubstFlag = false;

    // Dialog seams, replaceable for scripted use. chooseFile returns the chosen
    // path or an empty text; ask returns true for Yes.
    std::function<QString(bool save, const QString &title, const QString &filter)> chooseFile;
    std::function<bool(const QString &text, const QString &title)> ask;

    // The watch's choices: the ticked query codes and the interval (ms).
    QList<quint8> watchCodes() const;
    void setWatchCodes(const QList<quint8> &codes);
    int watchInterval() const;
    void setWatchInterval(int ms);
    // Whether the watch is polling (the session's state).
    bool watching() const { return m_session->watching(); }
    PlotView *plot() const { return m_plot; }

    // Loads a list file into the list, as "打开文件" does after its dialog.
    void openListFile(const QString &path);
    // Saves the list to a file, as "命令另存为" does after its dialog.
    void saveListFile(const QString &path);

    // What both traffic views show in front of each frame's first line (the
    // "时间戳" menu); Timestamps::None by default.
    Timestamps timestamps() const { return m_timestamps; }
    void setTimestamps(Timestamps mode);

    // The traffic log ("记录" menu): starts one in `path` (a message when it
    // cannot), stops it. The status bar names the file while it runs.
    bool startLog(const QString &path);
    void stopLog();
    QString logFile() const { return m_session->logFile(); }
    // The folder the log dialog opens in: the one of the last log started.
    QString logFolder() const { return m_logFolder; }
    void setLogFolder(const QString &folder) { m_logFolder = folder; }
    // What the log dialog proposes: t3208-YYYYMMDD-HHMMSS.csv in logFolder().
    QString suggestedLogPath() const;
    // What the window remembers between runs (src/ui/settings.cpp): its size
    // and place and the folder of the list dialogs. Called by the program's
    // main() only, so a window made anywhere else starts with every
    // control's described default.
    void restoreSettings(QSettings &settings);
    void saveSettings(QSettings &settings) const;
    // The folder the list dialogs open in; the folder of the file last chosen
    // in either of them.
    QString listFolder() const { return m_listFolder; }
    void setListFolder(const QString &folder) { m_listFolder = folder; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // A change of the installed language writes every text again.
    void changeEvent(QEvent *event) override;

signals:
    // A message box was shown (its text); for scripted use.
    void messageShown(const QString &text);
    // A reply filled fields or lamps: its read time on the session's clock
    // (microseconds); for measurements.
    void replyShown(qint64 readUs);
    // The user chose a language in the language box (its code, "zh" or
    // "en"), which is installed by then; whoever starts the window may
    // remember it.
    void languageChosen(const QString &code);

private:
    void openPort();
    void closePort();
    void portLost(const QString &reason);
    // Reconnecting (frmmainport.cpp).
    void bindPortWatch();
    void applyAutoReconnect(bool on);
    void portWaiting(const QString &device);
    void portReconnected(const QString &device);
    void showPortDevice();
    void runStoppedByLoss();
    void protocolSwitched();
    void takeRecords();
    void scheduleTake();
    void bindMenus();
    void chooseLog();
    void showLogState();
    void applyReply(const Receive::Reply &r);
    void scheduleRedraw(QTimer &timer, QElapsedTimer &last);
    void refreshSent();
    void refreshReceived();
    void pushRegisterForm();
    void pushList();
    template <typename F> void inSession(F &&f);
    // Runs f on the session's thread and waits for it (opening, closing).
    template <typename F> void inSessionAndWait(F &&f);
    QStringList listLines() const;
    void setPortControls(bool open);
    void message(const QString &text, const QString &title = QString());
    QString fieldText(const QString &objectName) const;
    Framing::Protocol protocol() const;
    void bindCatalogue();
    void bindCommandList();
    void bindWorkbench();
    void loadPageTexts();
    void retranslate();
    void fitButtons();
    void languageActivated(int index);
    void showStatus(std::function<QString()> text);
    void recordAndSend(const QByteArray &frame, bool honoursList, const QString &line = QString());
    void refuse(const QString &text);
    std::optional<quint8> address();
    void download();
    void sendCanPayload();
    void sendTyped(std::optional<Framing::Protocol> framing);
    void sendString();
    void runToggled(bool on);
    void markRunLine(int row);
    void bindWatchAndPlot();
    // The watch's queries as their buttons build them; nullopt after a refusal.
    std::optional<QList<QByteArray>> watchFrames();
    void watchToggled(bool on);
    void watchChanged();

    std::unique_ptr<Ui::FrmMain> ui;
    PortMap m_ports;
    QThread m_thread;
    Session *m_session;
    // The session's records, handed over in batches.
    RecordQueue m_records;
    QPersistentModelIndex m_runMark;
    // The views are redrawn at most every RedrawMs while traffic flows.
    QTimer m_sentRedraw{this};
    QTimer m_receivedRedraw{this};
    QElapsedTimer m_sentDrawn;
    QElapsedTimer m_receivedDrawn;
    // Records are taken (and fields set) at most once per screen refresh.
    QTimer m_take{this};
    QElapsedTimer m_taken;
    ReplyView::Latest m_replies;
    TrafficView m_sentView;
    TrafficView m_receivedView;
    Timestamps m_timestamps = Timestamps::None;
    QActionGroup *m_timestampItems = nullptr;
    QAction *m_logStart = nullptr;
    QAction *m_logStop = nullptr;
    QLabel *m_logLabel = nullptr;
    QString m_logFolder;
    // Where the file dialog starts (the default chooseFile).
    QString m_fileStart;
    bool m_listPending = false;
    QPointer<QMessageBox> m_box;
    // The status bar's message, written in the language in force.
    std::function<QString()> m_status;
    QAction *m_autoReconnect = nullptr;
    QLabel *m_portDevice = nullptr;
    std::unique_ptr<PortWatcher> m_watcher;
    int m_openPort = 0; // the COMn open or waited for; 0 while closed
    QString m_listFolder;
    // A remembered size and place, applied again after the first show, when
    // the layouts have taken the buttons' final widths.
    QByteArray m_restoredGeometry;
    WatchPanel *m_watch = nullptr;
    PlotView *m_plot = nullptr;
    QDockWidget *m_plotDock = nullptr;
};
