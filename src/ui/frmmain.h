#pragma once
// The main window: reads its controls, calls the codec, command and link
// layers, and writes their results back.
#include "commands/catalogue.h"
#include "link/portmap.h"
#include "link/receive.h"
#include "link/transmit.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

namespace Ui {
class FrmMain;
}
class QMessageBox;
class SerialLink;

class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    // `link` is the serial line the window drives (a real port when null);
    // `ports` says which device each of COM1 .. COM9 opens.
    explicit FrmMain(PortMap ports = PortMap(), SerialLink *link = nullptr,
                     QWidget *parent = nullptr);
    ~FrmMain() override;

    // The one way a frame reaches the serial line: shown, counted, written.
    void SendComm(const QByteArray &frame);

    // The common steps of a catalogue button: mark, build, frame, capture,
    // add-to-list, send.
    void runRequest(const Catalogue::Request &row);

    SerialLink *link() const { return m_link; }
    const TrafficSide &sent() const { return m_sent; }
    const TrafficSide &received() const { return m_received; }
    // Every byte received since the window opened, whatever the view bound
    // has cleared.
    qint64 receivedTotal() const { return m_receivedTotal; }

    bool AddListFlag = false;
    bool IoSubstFlag = false;
    // Position of the line the list runner's next tick processes.
    int RunLineIndex = 0;

    // Dialog seams, replaceable for scripted use. chooseFile returns the chosen
    // path or an empty text; ask returns true for Yes.
    std::function<QString(bool save, const QString &title, const QString &filter)> chooseFile;
    std::function<bool(const QString &text, const QString &title)> ask;

    // Loads a list file into the list, as "打开文件" does after its dialog.
    void openListFile(const QString &path);
    // Saves the list to a file, as "命令另存为" does after its dialog.
    void saveListFile(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // A message box was shown (its text); for scripted use.
    void messageShown(const QString &text);

private:
    void openPort();
    void closePort();
    void portLost(const QString &reason);
    void poll();
    void protocolSwitched();
    void applyReply(const Receive::Reply &r);
    void refreshSent();
    void refreshReceived();
    void setPortControls(bool open);
    void message(const QString &text, const QString &title = QString());
    QString fieldText(const QString &objectName) const;
    Framing::Protocol protocol() const;
    void bindCatalogue();
    void bindCommandList();
    void bindWorkbench();
    void loadPageTexts();
    void recordAndSend(const QByteArray &frame, bool honoursList, const QString &line = QString());
    void refuse(const QString &text);
    std::optional<quint8> address();
    void download();
    void sendCanPayload();
    void sendTyped(std::optional<Framing::Protocol> framing);
    void sendString();
    void runToggled(bool on);
    void runTick();
    void markRunLine(int row);

    std::unique_ptr<Ui::FrmMain> ui;
    SerialLink *m_link;
    PortMap m_ports;
    QTimer Timer1{this};
    QTimer Timer2{this};
    QPersistentModelIndex m_runMark;
    TrafficSide m_sent;
    TrafficSide m_received;
    qint64 m_receivedTotal = 0;
    bool m_pollPending = false;
    QElapsedTimer m_lastRefresh;
    QPointer<QMessageBox> m_box;
};
