// How a decoded reply shows in the window's controls: the value field of each
// query code, the run-state lamp and label, the switch and input lamps, and the
// IO read-back. Expected colours were worked out by hand from the reply bytes.
#include "ui/indicator.h"
#include "ui/replyview.h"
#include "ui_frmmain.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QtTest>

namespace {

const QColor Normal(0, 128, 0);
const QColor Untouched(0, 0, 255);
const char *const ValueFields[] = {"Text27", "Text26", "Text25", "Text24", "Text6",
                                   "Text28", "Text17", "Text18", "Text19"};

struct Window {
    QMainWindow host;
    Ui::FrmMain ui;
    Window() {
        ui.setupUi(&host);
        for (int i = 1; i <= 9; ++i)
            lamp(i)->setFillColor(Untouched);
        for (const char *name : ValueFields)
            field(name)->setText(QStringLiteral("x"));
        ui.Label15->setText(QStringLiteral("x"));
        ui.Text31->setText(QStringLiteral("x"));
    }
    Indicator *lamp(int i) { return host.findChild<Indicator *>(QStringLiteral("Shape%1").arg(i)); }
    QLineEdit *field(const char *name) {
        return host.findChild<QLineEdit *>(QString::fromLatin1(name));
    }
    // Shape1 .. Shape9: N normal, A alert, - untouched.
    QString lamps() {
        QString s;
        for (int i = 1; i <= 9; ++i) {
            const QColor c = lamp(i)->fillColor();
            s += c == Normal ? u'N' : c == ReplyView::AlertColour ? u'A' : u'-';
        }
        return s;
    }
};

} // namespace

class TstReplyView : public QObject {
    Q_OBJECT
private slots:
    void lampsFollowTheReply_data();
    void lampsFollowTheReply();
    void valueLandsInTheFieldOfItsCode_data();
    void valueLandsInTheFieldOfItsCode();
    void ioReadBackReplacesText31();
};

void TstReplyView::lampsFollowTheReply_data() {
    QTest::addColumn<QByteArray>("status"); // empty: none
    QTest::addColumn<QByteArray>("inputs"); // empty: none
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("lamps");

    const QByteArray none;
    QTest::newRow("stopped, all flags 1")
        << QByteArray::fromHex("00010101") << none << QString("停止") << "NNNN-----";
    QTest::newRow("moving, flags 00 01 02: run state against 0, switches against 1")
        << QByteArray::fromHex("05000102") << none << QString("运动中") << "AANA-----";
    QTest::newRow("moving 01, flags 01 00 01")
        << QByteArray::fromHex("01010001") << none << QString("运动中") << "ANAN-----";
    QTest::newRow("stopped, all flags 0")
        << QByteArray::fromHex("00000000") << none << QString("停止") << "NAAA-----";
    QTest::newRow("moving FF, flags FF")
        << QByteArray::fromHex("FFFFFFFF") << none << QString("运动中") << "AAAA-----";
    QTest::newRow("all inputs 1") << none << QByteArray::fromHex("0101010101") << QString("x")
                                  << "----NNNNN";
    QTest::newRow("all inputs 0") << none << QByteArray::fromHex("0000000000") << QString("x")
                                  << "----AAAAA";
    QTest::newRow("inputs alternating, 02 is not 1")
        << none << QByteArray::fromHex("0100010002") << QString("x") << "----NANAA";
    QTest::newRow("only IN5 on") << none << QByteArray::fromHex("0000000001") << QString("x")
                                 << "----AAAAN";
    QTest::newRow("neither: no lamp changes") << none << none << QString("x") << "---------";
}

void TstReplyView::lampsFollowTheReply() {
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, inputs);
    QFETCH(QString, label);
    QFETCH(QString, lamps);

    Window w;
    Receive::Reply r;
    if (!status.isEmpty()) {
        r.code = 0x3B;
        r.status = status;
    }
    if (!inputs.isEmpty()) {
        r.code = 0x42;
        r.inputs = inputs;
    }
    ReplyView::showReply(w.ui, r, Normal);
    QCOMPARE(w.lamps(), lamps);
    QCOMPARE(w.ui.Label15->text(), label);
    for (const char *name : ValueFields)
        QCOMPARE(w.field(name)->text(), QStringLiteral("x"));
}

void TstReplyView::valueLandsInTheFieldOfItsCode_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("field"); // empty: none
    QTest::addColumn<QString>("text");

    QTest::newRow("26 start speed") << 0x26 << qint64(1000) << "Text27"
                                    << " 1000";
    QTest::newRow("28 top speed") << 0x28 << qint64(1000) << "Text26"
                                  << " 1000";
    QTest::newRow("2A end speed") << 0x2A << qint64(1000) << "Text25"
                                  << " 1000";
    QTest::newRow("2C acceleration") << 0x2C << qint64(1000) << "Text24"
                                     << " 1000";
    QTest::newRow("2E deceleration") << 0x2E << qint64(1000) << "Text6"
                                     << " 1000";
    QTest::newRow("30 homing speed") << 0x30 << qint64(1000) << "Text28"
                                     << " 1000";
    QTest::newRow("36 speed, full unsigned range") << 0x36 << qint64(4294967295) << "Text17"
                                                   << " 4294967295";
    QTest::newRow("37 absolute position -2") << 0x37 << qint64(-2) << "Text18"
                                             << "-2";
    QTest::newRow("39 relative position 0 has the blank") << 0x39 << qint64(0) << "Text19"
                                                          << " 0";
    QTest::newRow("a code without a field shows nothing") << 0x3B << qint64(5) << ""
                                                          << "";
}

void TstReplyView::valueLandsInTheFieldOfItsCode() {
    QFETCH(int, code);
    QFETCH(qint64, value);
    QFETCH(QString, field);
    QFETCH(QString, text);

    Window w;
    Receive::Reply r;
    r.code = quint8(code);
    r.value = value;
    ReplyView::showReply(w.ui, r, Normal);
    for (const char *name : ValueFields)
        QCOMPARE(w.field(name)->text(), field == QLatin1String(name) ? text : QStringLiteral("x"));
    QCOMPARE(w.lamps(), QStringLiteral("---------"));
    QCOMPARE(w.ui.Text31->text(), QStringLiteral("x"));

    // The code alone, without a value, leaves the field as it was.
    Window bare;
    r.value.reset();
    ReplyView::showReply(bare.ui, r, Normal);
    for (const char *name : ValueFields)
        QCOMPARE(bare.field(name)->text(), QStringLiteral("x"));
}

void TstReplyView::ioReadBackReplacesText31() {
    Window w;
    Receive::Reply r;
    r.code = 0x41;
    r.ioCommand = QStringLiteral("31 04 00 00 27 10 ");
    ReplyView::showReply(w.ui, r, Normal);
    QCOMPARE(w.ui.Text31->text(), QStringLiteral("31 04 00 00 27 10 "));
    // An empty read-back empties the field.
    r.ioCommand = QString();
    ReplyView::showReply(w.ui, r, Normal);
    QCOMPARE(w.ui.Text31->text(), QString());
}

QTEST_MAIN(TstReplyView)
#include "tst_replyview.moc"
