// bench_language: what a change of language costs the window that is shown:
// from choosing a language in the language box until every text is written
// again and the window has repainted, alternating Chinese and English.
// Also the cost of installing the built-in translation alone.
//
//   bench_language [--runs N]      (run under an X server, e.g. xvfb-run -a)
#include "commands/language.h"
#include "benchutil.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const int runs = Bench::argValue(argc, argv, "--runs", 40);
    FrmMain w;
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) {
        std::fprintf(stderr, "bench_language: the window was not shown\n");
        return 1;
    }
    QTest::qWait(200);
    auto *box = w.findChild<QComboBox *>(QStringLiteral("Combo10"));
    std::vector<double> toEnglish, toChinese, installOnly;
    for (int i = 0; i < runs; ++i) {
        for (int index : {1, 0}) {
            QElapsedTimer t;
            t.start();
            box->setCurrentIndex(index);
            emit box->activated(index);
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            w.repaint();
            (index == 1 ? toEnglish : toChinese).push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        Language::install(app, QStringLiteral("en"));
        installOnly.push_back(double(t.nsecsElapsed()) / 1e6);
        Language::install(app, QStringLiteral("zh"));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    auto report = [](const char *what, const std::vector<double> &v) {
        std::printf("%-34s median %7.2f ms   p95 %7.2f ms   max %7.2f ms\n", what,
                    Bench::percentile(v, 50), Bench::percentile(v, 95), Bench::percentile(v, 100));
    };
    std::printf("language switch of the shown window, %d runs (%s)\n", runs,
                qPrintable(QGuiApplication::platformName()));
    report("Chinese -> English, repainted", toEnglish);
    report("English -> Chinese, repainted", toChinese);
    report("installing the translation alone", installOnly);
    return 0;
}
