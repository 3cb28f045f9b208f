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
// Automatic reconnection after a lost port ("自动重连").
inline constexpr QLatin1StringView AutoReconnect{"link/autoReconnect"};
// The traffic views' time stamps ("时间戳"): 0 none, 1 absolute, 2 relative, 3 interval.
inline constexpr QLatin1StringView Timestamps{"log/timestampMode"};
// The folder last used for traffic logs ("开始记录...").
inline constexpr QLatin1StringView LogFolder{"log/folder"};
// Kept by the features that own them, next to these:
//   "ui/language"            the window's language ("zh" or "en")
//   "watch/..."              the watch's choices
} // namespace SettingsKey
