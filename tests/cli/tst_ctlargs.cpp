// t3208ctl's pieces without a line: the command line (negative numbers are
// values, options anywhere), which frames count as the reply to a request
// (echoes, copies, wrong addresses, exceptions), and the JSON lines.
#include "cli/args.h"
#include "cli/program.h"
#include "cli/requests.h"
#include "support/wire.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using Wire::bytes;

namespace {

Records::Record frame(Records::Direction d, Records::Kind k, const QByteArray &b) {
    Records::Record r;
    r.direction = d;
    r.kind = k;
    r.bytes = b;
    return r;
}

Records::Record sent(const QByteArray &b) {
    return frame(Records::Direction::Sent, Records::Kind::Request, b);
}

// A received frame: 'g' good, 'e' echo, 'c' checksum failed, 'n' noise.
struct In {
    char kind;
    QByteArray bytes;
};

} // namespace

using Ins = QList<In>;
Q_DECLARE_METATYPE(Ins)
Q_DECLARE_METATYPE(Cli::Awaited::Verdict)

class TestCtlArgs : public QObject {
    Q_OBJECT

private slots:
    void parses_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("timeout"); // -1: not given
        QTest::addColumn<bool>("ascii");

        auto row = [](const char *name, QStringList args, const char *command, QStringList words,
                      const char *address = "01", int timeout = -1, bool ascii = false) {
            QTest::newRow(name) << args << QString::fromUtf8(command) << words
                                << QString::fromLatin1(address) << timeout << ascii;
        };
        row("negative value is a value", {"--simulate", "move", "-70000"}, "move", {"-70000"});
        row("negative fraction and hex", {"-p", "/dev/x", "set-initial-speed", "-.5", "-&H10"},
            "set-initial-speed", {"-.5", "-&H10"});
        row("options after the command", {"move", "-5", "-a", "1F", "--timeout", "20"}, "move",
            {"-5"}, "1F", 20);
        row("option=value form", {"--address=0A", "-t", "7", "query-speed"}, "query-speed", {},
            "0A", 7);
        row("address value may look negative", {"-a", "-1", "handshake"}, "handshake", {}, "-1");
        row("-- ends the options", {"send", "--", "--json"}, "send", {"--json"});
        row("mode ascii", {"-m", "ascii", "query-speed"}, "query-speed", {}, "01", -1, true);
        row("chinese alias", {"运动速度", "--simulate"}, "运动速度", {});
    }
    void parses() {
        QFETCH(QStringList, args);
        QString error;
        const auto a = Cli::parse(args, &error);
        QVERIFY2(a, qPrintable(error));
        QTEST(a->command, "command");
        QTEST(a->words, "words");
        QTEST(a->address, "address");
        QFETCH(int, timeout);
        QCOMPARE(a->timeoutMs.value_or(-1), timeout);
        QFETCH(bool, ascii);
        QCOMPARE(a->mode == Framing::Protocol::Ascii, ascii);
    }

    void refuses_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QStringList() << "no command given";
        QTest::newRow("unknown option")
            << QStringList{"--bogus", "handshake"} << "unknown option --bogus";
        QTest::newRow("option without value")
            << QStringList{"handshake", "-p"} << "-p needs a value";
        QTest::newRow("bad mode") << QStringList{"-m", "rtx", "handshake"} << "--mode takes";
        QTest::newRow("bad baud") << QStringList{"-b", "fast", "handshake"} << "--baud takes";
        QTest::newRow("negative timeout")
            << QStringList{"-t", "-5", "handshake"} << "--timeout takes";
        QTest::newRow("flag with value")
            << QStringList{"--json=1", "handshake"} << "--json takes no value";
        QTest::newRow("negative loops")
            << QStringList{"run", "f", "--loops", "-1"} << "--loops takes";
        QTest::newRow("unknown language")
            << QStringList{"--lang", "fr", "handshake"} << "--lang takes zh or en, not fr";
        QTest::newRow("zero duration")
            << QStringList{"monitor", "--duration", "0"} << "--duration takes";
    }
    void language_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("language");
        QTest::newRow("not given") << QStringList{"handshake"} << "";
        QTest::newRow("English") << QStringList{"--lang", "en", "handshake"} << "en";
        QTest::newRow("Chinese, option=value") << QStringList{"--lang=zh", "handshake"} << "zh";
        QTest::newRow("after the command") << QStringList{"handshake", "--lang", "en"} << "en";
    }
    void language() {
        QFETCH(QStringList, args);
        QString error;
        const auto a = Cli::parse(args, &error);
        QVERIFY2(a, qPrintable(error));
        QTEST(a->language, "language");
    }

    void refuses() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QString error;
        QVERIFY(!Cli::parse(args, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    // Every request can be named: no name is one of the tool's commands, and
    // names and aliases are unique.
    void requestNamesAreReachable() {
        QSet<QString> seen;
        for (const Cli::Entry &e : Cli::entries()) {
            QVERIFY2(!Cli::commandWords().contains(e.name), qPrintable(e.name));
            QVERIFY2(!seen.contains(e.name), qPrintable(e.name));
            seen.insert(e.name);
            QCOMPARE(Cli::find(e.name), &e);
            static const QRegularExpression kebab(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)*$"));
            QVERIFY2(kebab.match(e.name).hasMatch(), qPrintable(e.name));
        }
    }

    // Which frame read after a request is its reply.
    void awaitsTheReply_data() {
        QTest::addColumn<QByteArray>("request"); // the frame as written
        QTest::addColumn<bool>("echoLine");
        QTest::addColumn<bool>("differs");
        QTest::addColumn<Ins>("frames");
        QTest::addColumn<int>("replyAt"); // index of the frame taken, -1: none
        QTest::addColumn<Cli::Awaited::Verdict>("verdict");

        const QByteArray speed = Wire::rtu(bytes({1, 0x36, 0}));
        const QByteArray speedReply = Wire::rtu(bytes({1, 0x36, 4, 0, 0, 3, 0xE8}));
        const QByteArray hand = Wire::rtu(bytes({1, 0x20, 0}));
        const QByteArray baud = Wire::rtu(bytes({5, 0x23, 0}));
        const QByteArray baudReply = Wire::rtu(bytes({5, 0x23, 1, 6}));
        using V = Cli::Awaited::Verdict;
        QTest::newRow("good reply")
            << speed << false << false << Ins{{'g', speedReply}} << 0 << V::Reply;
        QTest::newRow("echo then reply")
            << speed << false << false << Ins{{'e', speed}, {'g', speedReply}} << 1 << V::Reply;
        QTest::newRow("other address")
            << speed << false << false << Ins{{'g', Wire::rtu(bytes({2, 0x36, 4, 0, 0, 0, 1}))}}
            << -1 << V::Other;
        QTest::newRow("other code")
            << speed << false << false << Ins{{'g', Wire::rtu(bytes({1, 0x37, 4, 0, 0, 0, 1}))}}
            << -1 << V::Other;
        QTest::newRow("checksum failed")
            << speed << false << false << Ins{{'c', Wire::badCrc(bytes({1, 0x36, 4, 0, 0, 0, 1}))}}
            << -1 << V::Other;
        QTest::newRow("exception")
            << speed << false << false << Ins{{'g', Wire::rtu(bytes({1, 0xB6, 1, 3}))}} << 0
            << V::Exception;
        QTest::newRow("handshake acknowledged with its own bytes")
            << hand << false << false << Ins{{'g', hand}} << 0 << V::Reply;
        QTest::newRow("echoing line: a lone copy proves nothing")
            << hand << true << false << Ins{{'g', hand}} << -1 << V::Other;
        QTest::newRow("echoing line: the second copy is the reply")
            << hand << true << false << Ins{{'g', hand}, {'g', hand}} << 1 << V::Reply;
        QTest::newRow("echoing line: echo marked, then the reply")
            << hand << true << false << Ins{{'e', hand}, {'g', hand}} << 1 << V::Reply;
        QTest::newRow("scan: a copy of the request is never a hit")
            << baud << false << true << Ins{{'g', baud}, {'g', baud}} << -1 << V::Other;
        QTest::newRow("scan: the reply with its rate code")
            << baud << false << true << Ins{{'g', baud}, {'g', baudReply}} << 1 << V::Reply;
        QTest::newRow("ascii reply to an ascii request")
            << Wire::ascii(bytes({1, 0x36, 0})) << false << false
            << Ins{{'g', Wire::ascii(bytes({1, 0x36, 4, 0, 0, 3, 0xE8}))}} << 0 << V::Reply;
        QTest::newRow("address query: any address answers")
            << Wire::rtu(bytes({0, 0x21, 0})) << false << false
            << Ins{{'g', Wire::rtu(bytes({7, 0x21, 1, 7}))}} << 0 << V::Reply;
        QTest::newRow("register read: function 03 reply")
            << Wire::rtu(bytes({1, 3, 0, 0x36, 0, 2})) << false << false
            << Ins{{'g', Wire::rtu(bytes({1, 3, 4, 0, 0, 3, 0xE8}))}} << 0 << V::Reply;
    }
    void awaitsTheReply() {
        QFETCH(QByteArray, request);
        QFETCH(bool, echoLine);
        QFETCH(bool, differs);
        QFETCH(Ins, frames);
        QFETCH(int, replyAt);
        QFETCH(Cli::Awaited::Verdict, verdict);
        Cli::Awaited a = Cli::awaiting(sent(request), echoLine);
        a.differs = differs;
        int at = -1;
        Cli::Awaited::Verdict got = Cli::Awaited::Other;
        for (int i = 0; i < frames.size() && at < 0; ++i) {
            const Records::Kind kind = frames[i].kind == 'g'   ? Records::Kind::Good
                                       : frames[i].kind == 'e' ? Records::Kind::Echo
                                       : frames[i].kind == 'c' ? Records::Kind::ChecksumFailed
                                                               : Records::Kind::Noise;
            got = a.take(frame(Records::Direction::Received, kind, frames[i].bytes));
            if (got != Cli::Awaited::Other)
                at = i;
        }
        QCOMPARE(at, replyAt);
        QCOMPARE(got, verdict);
    }

    void jsonLinesParse_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("withValue");
        QTest::newRow("chinese caption, value") << QStringLiteral("查询运动速度:") << true;
        QTest::newRow("quotes, backslash, control") << QStringLiteral("a\"b\\c\n\x01") << false;
        QTest::newRow("outside the basic plane") << QStringLiteral("𝄞 note") << false;
    }
    void jsonLinesParse() {
        QFETCH(QString, caption);
        QFETCH(bool, withValue);
        Records::Record r = frame(Records::Direction::Received, Records::Kind::Good,
                                  Wire::rtu(bytes({1, 0x36, 4, 0xFF, 0xFE, 0xEE, 0x90})));
        r.caption = caption;
        r.timeUs = 1500;
        if (withValue) {
            r.reply = Receive::Reply{};
            r.reply->value = -70000;
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(Cli::jsonLine(r, 0, 500), &error);
        QVERIFY2(doc.isObject(), qPrintable(error.errorString()));
        const QJsonObject o = doc.object();
        for (const QString &column : Records::columnNames())
            QVERIFY2(o.contains(column), qPrintable(column));
        QCOMPARE(o.value(QStringLiteral("caption")).toString(), caption);
        QCOMPARE(o.value(QStringLiteral("elapsed_us")).toInteger(), 1000);
        QCOMPARE(o.value(QStringLiteral("kind")).toString(), QStringLiteral("good"));
        QCOMPARE(o.value(QStringLiteral("address")).toString(), QStringLiteral("01"));
        QCOMPARE(o.value(QStringLiteral("code")).toString(), QStringLiteral("36"));
        if (withValue) {
            QVERIFY(o.value(QStringLiteral("value")).isDouble());
            QCOMPARE(o.value(QStringLiteral("value")).toInteger(), -70000);
        } else {
            QCOMPARE(o.value(QStringLiteral("value")).toString(), QString());
        }
    }
};

QTEST_APPLESS_MAIN(TestCtlArgs)
#include "tst_ctlargs.moc"
