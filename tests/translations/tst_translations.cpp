// The English translation: every message of translations/t3208tool_en.ts is
// translated into English (no Chinese left, the placeholders and the closing
// colon of captions kept), the translation built into the program says the
// same, lupdate finds no text in the sources that the file lacks, and the
// language to start in is chosen from the command line, the remembered choice
// and the system.
#include "commands/commandtable.h"
#include "commands/language.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct Message {
    QString context;
    QString source;
    QString translation;
    QString type; // the translation's type attribute: "unfinished", "vanished", ... or empty
};

// The messages of a .ts file, in file order; *error is set when it cannot be read.
QList<Message> readTs(const QString &path, QString *error) {
    QList<Message> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return out;
    }
    QXmlStreamReader xml(&f);
    QString context;
    Message m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("name"))
            context = xml.readElementText();
        else if (name == QLatin1String("message"))
            m = Message{context, {}, {}, {}};
        else if (name == QLatin1String("source"))
            m.source = xml.readElementText();
        else if (name == QLatin1String("translation")) {
            m.type = xml.attributes().value(QLatin1String("type")).toString();
            m.translation = xml.readElementText();
            out << m;
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return out;
}

bool hasChinese(const QString &s) {
    static const QRegularExpression han(QStringLiteral("[\\x{3000}-\\x{303F}\\x{3400}-\\x{9FFF}"
                                                       "\\x{F900}-\\x{FAFF}\\x{FF00}-\\x{FFEF}]"));
    return s.contains(han);
}

// The placeholders %1 .. %99 a text uses, each once.
QList<int> placeholders(const QString &s) {
    static const QRegularExpression arg(QStringLiteral("%(\\d+)"));
    QSet<int> seen;
    for (const auto &m : arg.globalMatch(s))
        seen.insert(m.captured(1).toInt());
    QList<int> sorted(seen.begin(), seen.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

bool endsWithColon(const QString &s) {
    const QString t = s.trimmed();
    return t.endsWith(u':') || t.endsWith(u'：');
}

QString key(const Message &m) {
    return m.context + QStringLiteral(" | ") + m.source;
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Language::install(*QCoreApplication::instance(), QStringLiteral("zh")); }

    void fileHasMessages() {
        QString error;
        const QList<Message> all = readTs(QStringLiteral(T3208_TS_FILE), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // The window's form alone has well over a hundred texts.
        QVERIFY(all.size() > 150);
    }

    // One row per message of the file.
    void everyMessageIsTranslated_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("translation");
        QTest::addColumn<QString>("type");
        QString error;
        for (const Message &m : readTs(QStringLiteral(T3208_TS_FILE), &error))
            QTest::newRow(qPrintable(key(m))) << m.source << m.translation << m.type;
    }
    void everyMessageIsTranslated() {
        QFETCH(QString, source);
        QFETCH(QString, translation);
        QFETCH(QString, type);
        // Finished: not "unfinished", and not a text the sources no longer have.
        QVERIFY2(type.isEmpty(), qPrintable(QStringLiteral("translation type \"%1\"").arg(type)));
        QVERIFY(!translation.trimmed().isEmpty());
        QVERIFY2(!hasChinese(translation), qPrintable(translation));
        if (hasChinese(source))
            QVERIFY(translation != source);
        // Every value the code fills in still has its place.
        QCOMPARE(placeholders(translation), placeholders(source));
        // Caption lines and field labels keep their closing colon.
        if (endsWithColon(source))
            QVERIFY2(endsWithColon(translation), qPrintable(translation));
    }

    // The .qm built into the program from the file gives every translation.
    void builtInTranslationMatchesTheFile() {
        QString error;
        const QList<Message> all = readTs(QStringLiteral(T3208_TS_FILE), &error);
        QVERIFY(Language::install(*QCoreApplication::instance(), QStringLiteral("en")));
        QCOMPARE(Language::current(), QStringLiteral("en"));
        for (const Message &m : all) {
            const QString shown = QCoreApplication::translate(m.context.toUtf8().constData(),
                                                              m.source.toUtf8().constData());
            QVERIFY2(shown == m.translation, qPrintable(key(m) + QStringLiteral(": ") + shown +
                                                        QStringLiteral(" != ") + m.translation));
        }
    }

    // Going back to Chinese removes the translation: the sources show again.
    void chineseAgainShowsTheSources() {
        auto &app = *QCoreApplication::instance();
        const Commands::Command *handshake = Commands::find(0x20);
        QVERIFY(handshake);
        const QString chinese = Commands::text(handshake->send);
        QCOMPARE(chinese, QString::fromUtf8("请求握手命令:"));
        QVERIFY(Language::install(app, QStringLiteral("en")));
        QCOMPARE(Commands::text(handshake->send), QStringLiteral("Handshake request:"));
        QVERIFY(Language::install(app, QStringLiteral("zh")));
        QCOMPARE(Language::current(), QStringLiteral("zh"));
        QCOMPARE(Commands::text(handshake->send), chinese);
        // An unknown language changes nothing.
        QVERIFY(Language::install(app, QStringLiteral("en")));
        QVERIFY(!Language::install(app, QStringLiteral("fr")));
        QCOMPARE(Language::current(), QStringLiteral("en"));
        QCOMPARE(Commands::text(handshake->send), QStringLiteral("Handshake request:"));
    }

    // Every caption of the command table has its translation.
    void everyCaptionOfTheCommandTableIsTranslated() {
        QVERIFY(Language::install(*QCoreApplication::instance(), QStringLiteral("en")));
        int captions = 0;
        for (const Commands::Command &c : Commands::all())
            for (std::string_view caption : {c.send, c.reply}) {
                if (caption.empty())
                    continue;
                ++captions;
                const QString shown = Commands::text(caption);
                QVERIFY2(!hasChinese(shown), qPrintable(shown));
            }
        QVERIFY(captions > 60);
    }

    // lupdate over the sources, merged into a copy of the file, adds nothing
    // and drops nothing: the file is current.
    void lupdateFindsNothingNew() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString copy = dir.filePath(QStringLiteral("t3208tool_en.ts"));
        QVERIFY(QFile::copy(QStringLiteral(T3208_TS_FILE), copy));
        QProcess lupdate;
        lupdate.setWorkingDirectory(QStringLiteral(T3208_SOURCE_DIR));
        lupdate.start(QStringLiteral(T3208_LUPDATE),
                      {QStringLiteral("-silent"), QStringLiteral("-no-obsolete"),
                       QStringLiteral("-locations"), QStringLiteral("none"),
                       QStringLiteral("-source-language"), QStringLiteral("zh_CN"),
                       QStringLiteral("src"), QStringLiteral("app"), QStringLiteral("-ts"), copy});
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);
        QString error;
        QSet<QString> committed, found;
        for (const Message &m : readTs(QStringLiteral(T3208_TS_FILE), &error))
            committed.insert(key(m));
        QList<QString> untranslated;
        for (const Message &m : readTs(copy, &error)) {
            found.insert(key(m));
            if (!m.type.isEmpty())
                untranslated << key(m);
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QStringList added = QStringList(found.begin(), found.end());
        added.removeIf([&](const QString &k) { return committed.contains(k); });
        QStringList dropped = QStringList(committed.begin(), committed.end());
        dropped.removeIf([&](const QString &k) { return found.contains(k); });
        QVERIFY2(added.isEmpty(),
                 qPrintable(QStringLiteral("texts not in the .ts (run scripts/translations.sh): ") +
                            added.join(QStringLiteral("; "))));
        QVERIFY2(dropped.isEmpty(),
                 qPrintable(QStringLiteral("texts the sources no longer have: ") +
                            dropped.join(QStringLiteral("; "))));
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QStringLiteral("; "))));
    }

    void languageToStartIn_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Chinese system") << ""
                                        << ""
                                        << "zh_CN"
                                        << "zh";
        QTest::newRow("Taiwanese system") << ""
                                          << ""
                                          << "zh_TW"
                                          << "zh";
        QTest::newRow("Hong Kong system") << ""
                                          << ""
                                          << "zh_HK"
                                          << "zh";
        QTest::newRow("English system") << ""
                                        << ""
                                        << "en_US"
                                        << "en";
        QTest::newRow("German system") << ""
                                       << ""
                                       << "de_DE"
                                       << "en";
        QTest::newRow("Japanese system") << ""
                                         << ""
                                         << "ja_JP"
                                         << "en";
        QTest::newRow("C locale") << ""
                                  << ""
                                  << "C"
                                  << "en";
        QTest::newRow("remembered beats system") << ""
                                                 << "en"
                                                 << "zh_CN"
                                                 << "en";
        QTest::newRow("remembered Chinese") << ""
                                            << "zh"
                                            << "de_DE"
                                            << "zh";
        QTest::newRow("unknown remembered ignored") << ""
                                                    << "fr"
                                                    << "zh_CN"
                                                    << "zh";
        QTest::newRow("command line beats all") << "zh"
                                                << "en"
                                                << "en_US"
                                                << "zh";
        QTest::newRow("command line English") << "en"
                                              << "zh"
                                              << "zh_CN"
                                              << "en";
    }
    void languageToStartIn() {
        QFETCH(QString, commandLine);
        QFETCH(QString, remembered);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QCOMPARE(Language::choose(commandLine, remembered, QLocale(locale)), expected);
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
