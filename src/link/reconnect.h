#pragma once
// Waiting for a lost device to come back. After a loss the session asks a
// locator, on a timer, where the same device is now (a path that exists again,
// or the same adapter under whatever name it has now) and tries to open it
// there. Between looks the thread sleeps in its event loop: no busy wait.
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class Reconnector : public QObject {
    Q_OBJECT
public:
    // Where the device is now; empty while it is missing.
    using Locator = std::function<QString()>;
    // Tries to open the device found; true when it is open.
    using Opener = std::function<bool(const QString &device)>;

    // How long the wait rests after the device was found but did not open
    // (it may still be owned by root until the system has set it up, or held
    // by another program): it is tried again, less often.
    static constexpr int RetryMs = 500;

    explicit Reconnector(QObject *parent = nullptr);

    // A locator for a device path: the path while it exists.
    static Locator pathLocator(const QString &path);

    // Starts waiting (restarting any wait under way); looks every `intervalMs`.
    void start(Locator locate, Opener open, int intervalMs);
    void stop();
    bool active() const { return m_timer.isActive(); }
    // Looks at once (e.g. when told that the system's ports changed).
    void look();

signals:
    // The device is open again at `device`; the wait has ended.
    void reopened(const QString &device);

private:
    QTimer m_timer;
    Locator m_locate;
    Opener m_open;
    int m_intervalMs = 100;
};
