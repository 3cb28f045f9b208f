// Command list files: the line format (CR LF, code page 936), loading,
// appending and the atomic save. GBK codes were taken from python3's gbk codec:
// 延 = D1 D3, 时 = CA B1.
#include "automation/listfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// 延时 ("delay") as text and as its code page 936 bytes.
const QString Yanshi = QString(QChar(0x5EF6)) + QChar(0x65F6);
const QByteArray YanshiBytes = QByteArray::fromHex("D1D3CAB1");

QByteArray readAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QStringList entriesOf(const QString &dir) {
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TstListFile : public QObject {
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void gbkRoundTrip();
    void loadEmptyPath();
    void loadMissingFile();
    void fileExists();
    void appendFileLine_data();
    void appendFileLine();
    void appendRefusesEmptyLineOrPath();
    void saveAndLoad();
    void saveReplacesLongerFile();
    void saveEmptyListRemovesFile();
    void saveIntoMissingDirectoryFails();
    void saveFailingPartWayKeepsOldFile_data();
    void saveFailingPartWayKeepsOldFile();
    void loadHundredThousandLines();
};

void TstListFile::decode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone CR, last line without ending")
        << QByteArray("a\rb") << QStringList{"a", "b"};
    QTest::newRow("lone LF does not end a line") << QByteArray("a\nb\n") << QStringList{"a\nb\n"};
    QTest::newRow("empty line kept") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("single line without ending") << QByteArray("01 0A ") << QStringList{"01 0A "};
    QTest::newRow("only CR LF is one empty line") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("LF CR") << QByteArray("a\n\rb") << QStringList{"a\n", "b"};
    QTest::newRow("gbk line") << YanshiBytes + ":300\r\n" << QStringList{Yanshi + ":300"};
}

void TstListFile::decode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(ListFile::decode(bytes), lines);
}

void TstListFile::encode_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("two lines") << QStringList{"a", "b"} << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty lines dropped")
        << QStringList{"", "a", "", "", "b", ""} << QByteArray("a\r\nb\r\n");
    QTest::newRow("no lines") << QStringList{} << QByteArray();
    QTest::newRow("only an empty line") << QStringList{""} << QByteArray();
    QTest::newRow("list lines") << QStringList{"01 0A ", "Delay:300", "GoIdx:0"}
                                << QByteArray("01 0A \r\nDelay:300\r\nGoIdx:0\r\n");
    QTest::newRow("gbk") << QStringList{Yanshi} << YanshiBytes + "\r\n";
}

void TstListFile::encode() {
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ListFile::encode(lines), bytes);
}

void TstListFile::gbkRoundTrip() {
    const QStringList lines{Yanshi + ":1", "01 0A ", QString("A") + Yanshi + "B"};
    const QByteArray bytes = ListFile::encode(lines);
    QCOMPARE(bytes, YanshiBytes + ":1\r\n01 0A \r\nA" + YanshiBytes + "B\r\n");
    QCOMPARE(ListFile::decode(bytes), lines);
}

void TstListFile::loadEmptyPath() {
    QString error;
    QCOMPARE(CommSetting::LoadListFile(QString(), &error), QStringList{});
    QCOMPARE(CommSetting::LoadListFile(QString()), QStringList{});
}

void TstListFile::loadMissingFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString error;
    QCOMPARE(CommSetting::LoadListFile(dir.filePath("missing.txt"), &error), QStringList{});
    QVERIFY(!error.isEmpty());
}

void TstListFile::fileExists() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("list.txt");
    QVERIFY(!CommSetting::FileExists(path));
    QVERIFY(writeFile(path, "a\r\n"));
    QVERIFY(CommSetting::FileExists(path));
    QVERIFY(!CommSetting::FileExists(QString()));
}

void TstListFile::appendFileLine_data() {
    QTest::addColumn<QByteArray>("before"); // "<none>": no file yet
    QTest::addColumn<QStringList>("appended");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("creates the file")
        << QByteArray("<none>") << QStringList{"01 0A "} << QByteArray("01 0A \r\n");
    QTest::newRow("two appends") << QByteArray("<none>") << QStringList{"a", "Delay:300"}
                                 << QByteArray("a\r\nDelay:300\r\n");
    QTest::newRow("keeps what is there")
        << QByteArray("old\r\n") << QStringList{"new"} << QByteArray("old\r\nnew\r\n");
    QTest::newRow("gbk line") << QByteArray("<none>") << QStringList{Yanshi}
                              << YanshiBytes + "\r\n";
}

void TstListFile::appendFileLine() {
    QFETCH(QByteArray, before);
    QFETCH(QStringList, appended);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("list.txt");
    if (before != "<none>")
        QVERIFY(writeFile(path, before));
    for (const QString &line : appended)
        QVERIFY(CommSetting::AppendFileLine(path, line));
    QCOMPARE(readAll(path), after);
}

void TstListFile::appendRefusesEmptyLineOrPath() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("list.txt");

    QVERIFY(!CommSetting::AppendFileLine(path, QString()));
    QVERIFY(!QFile::exists(path));
    QVERIFY(!CommSetting::AppendFileLine(QString(), "01 0A "));
    QCOMPARE(entriesOf(dir.path()), QStringList{});

    QVERIFY(writeFile(path, "a\r\n"));
    QVERIFY(!CommSetting::AppendFileLine(path, QString()));
    QCOMPARE(readAll(path), QByteArray("a\r\n"));
}

void TstListFile::saveAndLoad() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("list.txt");
    const QStringList lines{"01 0A ", "", "Delay:300", "3A 30 31 0D 0A ", "GoIdx:0"};

    QString error;
    QVERIFY2(ListFile::save(path, lines, &error), qPrintable(error));
    QCOMPARE(readAll(path), QByteArray("01 0A \r\nDelay:300\r\n3A 30 31 0D 0A \r\nGoIdx:0\r\n"));
    QCOMPARE(CommSetting::LoadListFile(path, &error),
             (QStringList{"01 0A ", "Delay:300", "3A 30 31 0D 0A ", "GoIdx:0"}));
    QCOMPARE(entriesOf(dir.path()), QStringList{"list.txt"});
}

void TstListFile::saveReplacesLongerFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("list.txt");
    QVERIFY(writeFile(path, QByteArray(500, 'x')));

    QString error;
    QVERIFY2(ListFile::save(path, {"GoIdx:0"}, &error), qPrintable(error));
    QCOMPARE(readAll(path), QByteArray("GoIdx:0\r\n"));
    QCOMPARE(entriesOf(dir.path()), QStringList{"list.txt"});
}

void TstListFile::saveEmptyListRemovesFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("list.txt");
    QVERIFY(writeFile(path, "01 0A \r\n"));

    QString error;
    QVERIFY2(ListFile::save(path, {}, &error), qPrintable(error));
    QVERIFY(!QFile::exists(path));
    // Only empty lines are no lines either; with no file there, none is made.
    QVERIFY2(ListFile::save(path, {"", ""}, &error), qPrintable(error));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(entriesOf(dir.path()), QStringList{});
}

void TstListFile::saveIntoMissingDirectoryFails() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("missing/list.txt");

    QString error;
    QVERIFY(!ListFile::save(path, {"01 0A "}, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(entriesOf(dir.path()), QStringList{});
}

void TstListFile::saveFailingPartWayKeepsOldFile_data() {
    QTest::addColumn<int>("limit"); // file size limit of the saving process, bytes
    QTest::addColumn<bool>("saved");

    // The new content is 1000 lines of 11 bytes: 11000 bytes.
    QTest::newRow("nothing may be written") << 0 << false;
    QTest::newRow("fails after 1000 bytes") << 1000 << false;
    QTest::newRow("fails at the last byte") << 10999 << false;
    QTest::newRow("limit just large enough") << 11000 << true;
}

void TstListFile::saveFailingPartWayKeepsOldFile() {
    QFETCH(int, limit);
    QFETCH(bool, saved);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("list.txt");

    QByteArray old;
    for (int i = 0; i < 20; ++i)
        old += "Delay:" + QByteArray::number(1000 + i) + "\r\n"; // 12 bytes each
    old += QByteArray(300 - old.size() - 2, 'z') + "\r\n";
    QCOMPARE(old.size(), 300);
    QVERIFY(writeFile(path, old));

    QStringList lines;
    QByteArray expected;
    for (int i = 0; i < 1000; ++i) {
        lines << QStringLiteral("01 02 03 ");
        expected += "01 02 03 \r\n";
    }
    QCOMPARE(expected.size(), 11000);

    const pid_t pid = fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        // Child: a write past the limit fails with EFBIG instead of a signal.
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit rl { rlim_t(limit), rlim_t(limit) };
        if (setrlimit(RLIMIT_FSIZE, &rl) != 0)
            _exit(3);
        QString error;
        const bool ok = ListFile::save(path, lines, &error);
        if (ok)
            _exit(1);
        _exit(error.isEmpty() ? 2 : 0);
    }

    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY2(WIFEXITED(status), "the saving process did not exit normally");
    // 0: failed with a reason, 1: saved, 2: failed without a reason, 3: no limit set.
    QCOMPARE(WEXITSTATUS(status), saved ? 1 : 0);

    QCOMPARE(readAll(path), saved ? expected : old);
    QCOMPARE(entriesOf(dir.path()), QStringList{"list.txt"});
}

void TstListFile::loadHundredThousandLines() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("big.txt");

    constexpr int Count = 100000;
    QByteArray bytes;
    for (int i = 0; i < Count; ++i) {
        if (i % 1000 == 0)
            bytes += YanshiBytes + ':' + QByteArray::number(i);
        else if (i % 3 == 0)
            bytes += "Delay:" + QByteArray::number(i);
        else
            bytes += "01 0A " + QByteArray::number(i);
        if (i != Count - 1) // the last line has no ending
            bytes += "\r\n";
    }
    QVERIFY(writeFile(path, bytes));

    QString error;
    const QStringList lines = CommSetting::LoadListFile(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(lines.size(), qsizetype(Count));
    QCOMPARE(lines.at(0), Yanshi + ":0");
    QCOMPARE(lines.at(1), QString("01 0A 1"));
    QCOMPARE(lines.at(3), QString("Delay:3"));
    QCOMPARE(lines.at(1000), Yanshi + ":1000");
    QCOMPARE(lines.at(50002), QString("01 0A 50002"));
    QCOMPARE(lines.at(99000), Yanshi + ":99000");
    QCOMPARE(lines.at(99998), QString("01 0A 99998"));
    QCOMPARE(lines.at(99999), QString("Delay:99999"));
}

QTEST_APPLESS_MAIN(TstListFile)
#include "tst_listfile.moc"
