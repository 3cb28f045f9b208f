// t3208tool: the commissioning and debugging window for T3208 controllers.
#include "codec/cp936.h"
#include "commands/language.h"
#include "link/portmap.h"
#include "link/routedlink.h"
#include "sim/simlink.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("t3208tool"));
    QApplication::setApplicationName(QStringLiteral("t3208tool"));
    QApplication::setApplicationVersion(QStringLiteral(T3208_VERSION));
    // The desktop entry's name, so a Wayland desktop ties the window to it,
    // and the installed icon of that name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.t3208tool.t3208tool"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.t3208tool.t3208tool")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Commissioning and debugging tool for T3208 stepper-motor controllers."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Map a port name of the window to a device, e.g. COM1=/dev/ttyUSB0 "
                       "(repeatable; overrides T3208_COMn)."),
        QStringLiteral("COMn=PATH"));
    parser.addOption(port);
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Attach a simulated T3208 controller (address 1) as COM1."));
    parser.addOption(simulate);
    const QCommandLineOption lang(
        QStringLiteral("lang"),
        QStringLiteral("Language of the window: zh (Chinese) or en (English); overrides the "
                       "remembered choice and the system's language."),
        QStringLiteral("zh|en"));
    parser.addOption(lang);
    const QCommandLineOption noReconnect(
        QStringLiteral("no-reconnect"),
        QStringLiteral("Close the port when its line is lost instead of waiting for the same "
                       "device to come back and reopening it."));
    parser.addOption(noReconnect);
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Keep every frame and link event in a CSV traffic log from the start."),
        QStringLiteral("FILE"));
    parser.addOption(log);
    parser.process(app);

    const QString asked = parser.value(lang);
    if (!asked.isEmpty() && !Language::codes().contains(asked)) {
        std::fprintf(stderr, "t3208tool: --lang expects %s, not: %s\n",
                     qPrintable(Language::codes().join(QStringLiteral(" or "))), qPrintable(asked));
        return 2;
    }
    // The language chosen in the window is remembered for the next start.
    QSettings settings;
    const QString language = Language::choose(
        asked, settings.value(QStringLiteral("language")).toString(), QLocale::system());
    if (!Language::install(app, language))
        std::fprintf(stderr,
                     "t3208tool: the %s translation cannot be loaded; the window stays "
                     "in Chinese\n",
                     qPrintable(language));

    QStringList overrides = parser.values(port);
    if (const QStringList bad = PortMap::malformed(overrides); !bad.isEmpty()) {
        std::fprintf(stderr, "t3208tool: --port expects COMn=PATH with n from 1 to 9, not: %s\n",
                     qPrintable(bad.join(QStringLiteral(", "))));
        return 2;
    }
    if (!Cp936::available()) {
        const QString text = QStringLiteral(
            "This system offers no code page 936 (GBK) text converter; the controller's "
            "character traffic cannot be shown. t3208tool cannot start.");
        std::fprintf(stderr, "t3208tool: %s\n", qPrintable(text));
        QMessageBox::critical(nullptr, QStringLiteral("t3208tool"), text);
        return 1;
    }

    auto *link = new RoutedLink(new PortLink);
    if (parser.isSet(simulate)) {
        const QString device = QStringLiteral("simulated-T3208");
        link->route(device, new SimLink);
        overrides << QStringLiteral("COM1=") + device;
    }
    FrmMain w{PortMap(overrides), link};
    QObject::connect(&w, &FrmMain::languageChosen, &app, [&settings](const QString &code) {
        settings.setValue(QStringLiteral("language"), code);
    });
    w.restoreSettings(settings);
    if (parser.isSet(noReconnect))
        w.setAutoReconnect(false);
    w.show();
    if (parser.isSet(log))
        w.startLog(parser.value(log));
    // For start-up measurements: report once the window has been shown and
    // its first events handled, and optionally quit.
    if (qEnvironmentVariableIsSet("T3208_REPORT_SHOWN"))
        QTimer::singleShot(0, &app, [] {
            std::printf("shown\n");
            std::fflush(stdout);
            if (qEnvironmentVariableIsSet("T3208_QUIT_WHEN_SHOWN"))
                QCoreApplication::quit();
        });
    const int status = app.exec();
    w.saveSettings(settings);
    return status;
}
