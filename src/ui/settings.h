#pragma once
// The keys under which the window keeps what it remembers between runs
// (QSettings, organisation and application "t3208tool"). Only choices that
// have no described default are kept here.
#include <QLatin1StringView>

namespace SettingsKey {
// The window's size and place (QWidget::saveGeometry).
inline constexpr QLatin1StringView Geometry{"window/geometry"};
// The folder of the list dialogs ("打开文件", "命令另存为").
inline constexpr QLatin1StringView ListFolder{"lists/folder"};
// Kept by the features that own them, next to these:
//   "ui/language"            the window's language ("zh" or "en")
//   "link/autoReconnect"     automatic reconnection after a lost port
//   "log/timestampMode"      the traffic views' time stamps
//   "log/folder"             the folder last used for traffic logs
//   "watch/..."              the watch's choices
} // namespace SettingsKey
