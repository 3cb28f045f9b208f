// t3208ctl: the T3208 controllers from the command line. Every request of the
// window's buttons, command-list runs, a bus scan and a monitor, on the same
// session, catalogue and framing as the window; no display needed.
#include "cli/args.h"
#include "cli/program.h"
#include "commands/language.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("t3208ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(T3208_VERSION));

    QString error;
    const auto args = Cli::parse(app.arguments().mid(1), &error);
    if (!args) {
        std::fprintf(stderr, "t3208ctl: %s\n", error.toUtf8().constData());
        return Cli::Usage;
    }
    if (args->help) {
        std::fputs(Cli::helpText().toUtf8().constData(), stdout);
        return Cli::Success;
    }
    if (args->version) {
        std::printf("t3208ctl %s\n", T3208_VERSION);
        return Cli::Success;
    }
    // Captions in the text output follow the language asked for; JSON keys
    // and the log's header never change.
    if (!args->language.isEmpty())
        Language::install(app, args->language);
    Cli::Program program(*args);
    return program.exec();
}
