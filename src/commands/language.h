#pragma once
// The language the programs speak. Chinese is the language of the sources and
// needs no translator; English comes from the translation built into the
// program. Qt Core only, so the window and the command-line tool share it.
#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;

namespace Language {

// The language codes, in the order of the window's language box: "zh", "en".
QStringList codes();

// The language a system locale asks for: Chinese for any Chinese locale,
// English for every other one.
QString forLocale(const QLocale &locale);

// The language to start in: the command line's choice when given, else the
// remembered one when it is a known code, else the system's.
QString choose(const QString &commandLine, const QString &remembered, const QLocale &system);

// Replaces the installed language of the application with `code` ("zh"
// removes the translation). Every widget then gets a LanguageChange event.
// Returns false, changing nothing, for an unknown code or a translation that
// cannot be loaded.
bool install(QCoreApplication &app, const QString &code);

// The language installed now ("zh" until another is installed).
QString current();

} // namespace Language
