// bench_bare250: the start-up baseline. A plain main window holding 250 push
// buttons in a grid, with none of the tool's layers behind it. It reports being
// shown exactly as t3208tool does:
//   T3208_REPORT_SHOWN     print "shown" once the window is shown and the first
//                          events are handled;
//   T3208_QUIT_WHEN_SHOWN  then quit.
#include <QApplication>
#include <QGridLayout>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("bench_bare250"));

    constexpr int Buttons = 250;
    constexpr int Columns = 10;

    QMainWindow w;
    w.setWindowTitle(QStringLiteral("bare window, 250 buttons"));
    auto *central = new QWidget(&w);
    auto *grid = new QGridLayout(central);
    grid->setSpacing(2);
    for (int i = 0; i < Buttons; ++i) {
        auto *b = new QPushButton(QStringLiteral("Button %1").arg(i + 1), central);
        b->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        grid->addWidget(b, i / Columns, i % Columns);
    }
    w.setCentralWidget(central);
    w.show();

    if (qEnvironmentVariableIsSet("T3208_REPORT_SHOWN"))
        QTimer::singleShot(0, &app, [] {
            std::printf("shown\n");
            std::fflush(stdout);
            if (qEnvironmentVariableIsSet("T3208_QUIT_WHEN_SHOWN"))
                QCoreApplication::quit();
        });
    return app.exec();
}
