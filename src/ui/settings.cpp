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

    // The language, reconnection, time stamps, log folder and watch choices
    // are restored here through their own setters.
}

void FrmMain::saveSettings(QSettings &settings) const {
    settings.setValue(SettingsKey::Geometry, saveGeometry());
    if (m_listFolder.isEmpty())
        settings.remove(SettingsKey::ListFolder);
    else
        settings.setValue(SettingsKey::ListFolder, m_listFolder);
    // The language, reconnection, time stamps, log folder and watch choices
    // are saved here through their own getters.
}
