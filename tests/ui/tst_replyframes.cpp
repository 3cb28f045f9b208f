// Replies as frames, through a pseudo-terminal: a reply lands whole however the
// line splits it, back-to-back replies all land, a reply that fails its
// checksum or stops short only shows on the traffic lines, noise before a reply
// is marked and the reply still lands, an RS-485 echo of the request is marked,
// and a list polling every 50 ms gets every reply shown.
#include "support/pty.h"
#include "support/wire.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>

using Fixture::child;
using Fixture::click;
using Wire::bytes;

namespace {

QByteArray valueReply(quint8 code, quint32 v) {
    return Wire::rtu(bytes(
        {1, code, 4, int(v >> 24), int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF)}));
}

QString text(FrmMain &w, const char *field) {
    return child<QLineEdit>(w, QString::fromLatin1(field))->text();
}

// The receive view's lines that end in LF CR (captions and marks), oldest first.
QStringList captions(FrmMain &w) {
    QStringList out;
    const QStringList lines = w.received().log.lines();
    for (const QString &line : lines)
        if (line.endsWith(QStringLiteral("\n\r")))
            out.prepend(line.chopped(2));
    return out;
}

} // namespace

class TstReplyFrames : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void splitReplyLandsWhole_data() {
        QTest::addColumn<int>("gapMs");
        QTest::newRow("pieces back to back") << 0;
        QTest::newRow("pieces 20 ms apart") << 20;
        QTest::newRow("pieces 60 ms apart") << 60;
    }
    void splitReplyLandsWhole() {
        QFETCH(int, gapMs);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        const QByteArray reply = valueReply(0x36, 100000);
        for (int cut = 1; cut < reply.size(); ++cut) {
            const QString value = u' ' + QString::number(100000 + cut);
            const QByteArray r = valueReply(0x36, quint32(100000 + cut));
            QVERIFY(pty.writeMaster(r.left(cut)));
            QTest::qWait(gapMs);
            QVERIFY(pty.writeMaster(r.mid(cut)));
            QTRY_COMPARE_WITH_TIMEOUT(text(*w, "Text17"), value, 2000);
        }
        const QStringList shown = captions(*w);
        QCOMPARE(shown.size(), reply.size() - 1);
        QVERIFY(shown.filter(QStringLiteral("查询运动速度:")).size() == shown.size());
        QCOMPARE(w->received().count, qint64(reply.size() * (reply.size() - 1)));
    }

    void backToBackRepliesAllLand() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        const QByteArray three = valueReply(0x26, 1000) + valueReply(0x28, 20000) +
                                 Wire::rtu(bytes({1, 0x3B, 4, 5, 1, 0, 1}));
        QVERIFY(pty.writeMaster(three));
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(*w, QStringLiteral("Label15"))->text(),
                                  QStringLiteral("运动中"), 2000);
        QCOMPARE(text(*w, "Text27"), QStringLiteral(" 1000"));
        QCOMPARE(text(*w, "Text26"), QStringLiteral(" 20000"));
        QCOMPARE(captions(*w), (QStringList{QStringLiteral("查询运动初速度:"),
                                            QStringLiteral("查询运动最大速度:"),
                                            QStringLiteral("查询运动状态:")}));
        // Each frame has its own traffic lines.
        QCOMPARE(w->received().log.lines().value(1),
                 QStringLiteral("RecHex:") + Wire::spaced(three.right(9)) + u'\n');
        QCOMPARE(w->received().count, qint64(three.size()));
    }

    // A reply that is not whole and correct changes no field; its bytes show
    // under their mark, and a good reply after it still lands.
    void damagedRepliesOnlyShowTheirMark_data() {
        QTest::addColumn<QByteArray>("damaged");
        QTest::addColumn<int>("pauseMs"); // silence before the good reply
        QTest::addColumn<QStringList>("marks");
        QByteArray badCrc = valueReply(0x36, 4242);
        badCrc[badCrc.size() - 1] = char(badCrc.back() ^ 0x01);
        QByteArray flipped = valueReply(0x36, 4242);
        flipped[5] = char(flipped.at(5) ^ 0x10);
        QByteArray badLrc = Wire::ascii(bytes({1, 0x36, 4, 0, 0, 0x10, 0x92}));
        badLrc[badLrc.size() - 3] = 'F';
        QTest::newRow("wrong CRC") << badCrc << 300 << QStringList{QStringLiteral("校验错误:")};
        QTest::newRow("flipped value bit")
            << flipped << 300 << QStringList{QStringLiteral("校验错误:")};
        QTest::newRow("wrong LRC") << badLrc << 0 << QStringList{QStringLiteral("校验错误:")};
        QTest::newRow("stops short")
            << valueReply(0x36, 4242).left(6) << 300 << QStringList{QStringLiteral("帧不完整:")};
        QTest::newRow("part of an ASCII frame")
            << QByteArray(":0136") << 1300 << QStringList{QStringLiteral("帧不完整:")};
        QTest::newRow("noise right before the reply")
            << bytes({0xFF, 0x00, 0x13}) << 0 << QStringList{QStringLiteral("无效数据:")};
    }
    void damagedRepliesOnlyShowTheirMark() {
        QFETCH(QByteArray, damaged);
        QFETCH(int, pauseMs);
        QFETCH(QStringList, marks);
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        for (const char *field : {"Text17", "Text28"})
            child<QLineEdit>(*w, QString::fromLatin1(field))->setText(QStringLiteral("untouched"));
        QVERIFY(pty.writeMaster(damaged));
        QTest::qWait(pauseMs);
        QCOMPARE(text(*w, "Text17"), QStringLiteral("untouched"));
        QCOMPARE(text(*w, "Text28"), QStringLiteral("untouched")); // ":0" would read as code 0x30
        QVERIFY(pty.writeMaster(valueReply(0x36, 77)));
        QTRY_COMPARE_WITH_TIMEOUT(text(*w, "Text17"), QStringLiteral(" 77"), 2000);
        QCOMPARE(captions(*w), marks + QStringList{QStringLiteral("查询运动速度:")});
        QCOMPARE(w->received().count, qint64(damaged.size() + 9));
        QCOMPARE(w->received().log.lines().filter(QStringLiteral("RecHex:")).size(), 2);
    }

    void echoOfTheRequestIsMarkedAndTheReplyLands() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        click(*w, QStringLiteral("Command28")); // query speed
        const QByteArray request = Wire::rtu(bytes({1, 0x36, 0}));
        QCOMPARE(pty.readMaster(int(request.size()), 2000), request);
        QVERIFY(pty.writeMaster(request + valueReply(0x36, 500)));
        QTRY_COMPARE_WITH_TIMEOUT(text(*w, "Text17"), QStringLiteral(" 500"), 2000);
        QCOMPARE(captions(*w),
                 (QStringList{QStringLiteral("回波:"), QStringLiteral("查询运动速度:")}));
    }

    void acknowledgementLikeItsRequestIsAReplyWithoutEcho() {
        // The handshake is acknowledged with the request's own bytes: alone it
        // is the reply; after an echo the second copy is.
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        const QByteArray handshake = Wire::rtu(bytes({1, 0x20, 0}));
        click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(5, 2000), handshake);
        QVERIFY(pty.writeMaster(handshake));
        QTRY_COMPARE_WITH_TIMEOUT(captions(*w), QStringList{QStringLiteral("请求握手命令:")}, 2000);
        click(*w, QStringLiteral("Command12"));
        QCOMPARE(pty.readMaster(5, 2000), handshake);
        QVERIFY(pty.writeMaster(handshake + handshake));
        QTRY_COMPARE_WITH_TIMEOUT(
            captions(*w),
            (QStringList{QStringLiteral("请求握手命令:"), QStringLiteral("回波:"),
                         QStringLiteral("请求握手命令:")}),
            2000);
    }

    void fiftyMsPollingListShowsEveryReplyInOrder() {
        PtyPair pty;
        QVERIFY(pty.isValid());
        auto w = Fixture::openWindow(pty);
        const QByteArray query = Wire::rtu(bytes({1, 0x37, 0}));
        auto *list = child<QListWidget>(*w, QStringLiteral("List1"));
        list->addItem(Wire::spaced(query));
        child<QLineEdit>(*w, QStringLiteral("Text22"))->setText(QStringLiteral("50"));
        QStringList shown;
        connect(child<QLineEdit>(*w, QStringLiteral("Text18")), &QLineEdit::textChanged,
                [&shown](const QString &t) { shown << t; });
        click(*w, QStringLiteral("Check1"));
        constexpr int Replies = 40;
        QStringList expected;
        for (int i = 1; i <= Replies; ++i) {
            QCOMPARE(pty.readMaster(int(query.size()), 1000), query);
            QVERIFY(pty.writeMaster(valueReply(0x37, quint32(-i))));
            expected << QString::number(-i);
        }
        click(*w, QStringLiteral("Check1"));
        // Every reply reaches the receive view; the field shows them in order,
        // each at most once per screen refresh (replies that a loaded machine
        // hands over within one refresh show only the newest), ending with the last.
        const qint64 bytesPerReply = valueReply(0x37, 0).size();
        QTRY_COMPARE_WITH_TIMEOUT(w->receivedTotal(), Replies * bytesPerReply, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(shown.value(shown.size() - 1), expected.last(), 2000);
        qsizetype next = 0;
        for (const QString &value : shown) {
            next = expected.indexOf(value, next);
            QVERIFY2(next >= 0, qPrintable(QStringLiteral("shown out of order: ") + value));
            ++next;
        }
        // At 50 ms a reply each, nearly all of them get a refresh of their own.
        QVERIFY2(shown.size() >= Replies / 2, qPrintable(shown.join(u' ')));
        QTRY_VERIFY(!w->running());
    }
};

QTEST_MAIN(TstReplyFrames)
#include "tst_replyframes.moc"
