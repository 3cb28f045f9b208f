// What the window remembers between runs: read once by the program before the
// window is shown and written when it closes.
#include "ui/settings.h"
#include "ui/frmmain.h"

#include <QDir>
#include <QSettings>

void FrmMain::restoreSettings(QSettings &settings) {
    // A place on a screen that is gone is moved onto one that exists.
    const QByteArray geometry = settings.value(SettingsKey::Geometry).toByteArray();
    if (!geometry.isEmpty() && restoreGeometry(geometry))
        m_restoredGeometry = geometry;

    // A folder that was removed since is forgotten: the dialogs then open
    // where the system's dialog opens by default.
    const QString folder = settings.value(SettingsKey::ListFolder).toString();
    if (!folder.isEmpty() && QDir(folder).exists())
        m_listFolder = folder;

    setAutoReconnect(settings.value(SettingsKey::AutoReconnect, true).toBool());
    const int stamps = settings.value(SettingsKey::Timestamps, 0).toInt();
    if (stamps >= int(Timestamps::None) && stamps <= int(Timestamps::Interval))
        setTimestamps(Timestamps(stamps));
    const QString logs = settings.value(SettingsKey::LogFolder).toString();
    if (!logs.isEmpty() && QDir(logs).exists())
        setLogFolder(logs);
}

void FrmMain::saveSettings(QSettings &settings) const {
    settings.setValue(SettingsKey::Geometry, saveGeometry());
    if (m_listFolder.isEmpty())
        settings.remove(SettingsKey::ListFolder);
    else
        settings.setValue(SettingsKey::ListFolder, m_listFolder);
    settings.setValue(SettingsKey::AutoReconnect, autoReconnect());
    settings.setValue(SettingsKey::Timestamps, int(timestamps()));
    settings.setValue(SettingsKey::LogFolder, logFolder());
}
