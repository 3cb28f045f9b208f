#include "commands/language.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

namespace Language {

namespace {

const QString Chinese = QStringLiteral("zh");
const QString English = QStringLiteral("en");

// The translator installed now, owned by the application; null for Chinese.
QPointer<QTranslator> installed;
QString currentCode = Chinese;

} // namespace

QStringList codes() {
    return {Chinese, English};
}

QString forLocale(const QLocale &locale) {
    return locale.language() == QLocale::Chinese ? Chinese : English;
}

QString choose(const QString &commandLine, const QString &remembered, const QLocale &system) {
    if (!commandLine.isEmpty())
        return commandLine;
    if (codes().contains(remembered))
        return remembered;
    return forLocale(system);
}

bool install(QCoreApplication &app, const QString &code) {
    if (!codes().contains(code))
        return false;
    QTranslator *next = nullptr;
    if (code != Chinese) {
        next = new QTranslator(&app);
        // Built into the program: nothing has to be found on disk.
        if (!next->load(QStringLiteral(":/i18n/t3208tool_%1.qm").arg(code))) {
            delete next;
            return false;
        }
    }
    // The new translator goes in before the old one leaves, so no text is
    // looked up in between with neither. Both steps tell the application's
    // windows (LanguageChange, posted to each).
    if (next)
        QCoreApplication::installTranslator(next);
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    installed = next;
    currentCode = code;
    return true;
}

QString current() {
    return currentCode;
}

} // namespace Language
