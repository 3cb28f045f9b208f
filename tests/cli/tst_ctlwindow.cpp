// Every request t3208ctl builds against the bytes the window's button puts on
// the line for the same field texts: each request in RTU and ASCII mode and in
// the register form (read and write selector, both modes). The window runs on
// one pseudo-terminal, the tool's session on another; both sides are read
// from the master. Also: the captions the tool takes as aliases are exactly
// the captions only one button of the window has.
#include "cli/requests.h"
#include "link/seriallink.h"
#include "link/session.h"
#include "support/pty.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

using Fixture::child;

namespace {

// A value for every value of every request, other than the window's defaults.
const QHash<QString, QStringList> &samples() {
    static const QHash<QString, QStringList> s = {
        {QStringLiteral("set-address"), {QStringLiteral("1A")}},
        {QStringLiteral("set-baud"), {QStringLiteral("19200")}},
        {QStringLiteral("set-initial-speed"), {QStringLiteral("-70000")}},
        {QStringLiteral("set-max-speed"), {QStringLiteral("23456.5")}},
        {QStringLiteral("set-end-speed"), {QStringLiteral("&H7FFF")}},
        {QStringLiteral("set-acceleration"), {QStringLiteral("12abc")}},
        {QStringLiteral("set-deceleration"), {QStringLiteral("2147483647")}},
        {QStringLiteral("set-homing-speed"), {QStringLiteral("-1")}},
        {QStringLiteral("move"), {QStringLiteral("-70000")}},
        {QStringLiteral("move-24"), {QStringLiteral("1"), QStringLiteral("-1")}},
        {QStringLiteral("constant-run"), {QStringLiteral("20000")}},
        {QStringLiteral("constant-run-24"), {QStringLiteral("1"), QStringLiteral("16777217")}},
        {QStringLiteral("change-speed"), {QStringLiteral("5000")}},
        {QStringLiteral("home"), {QStringLiteral("A")}},
        {QStringLiteral("set-register-offset"), {QStringLiteral("65500")}},
        {QStringLiteral("io-download"),
         {QStringLiteral("00101"), QStringLiteral("31 04 00 00 27 10")}},
        {QStringLiteral("io-read"), {QStringLiteral("10001")}},
        {QStringLiteral("set-speed-factor"), {QStringLiteral("-3")}},
        {QStringLiteral("can-bit-rate"), {QStringLiteral("5K")}},
        {QStringLiteral("can-send"), {QStringLiteral("01 02 03 04 05 06 07")}},
    };
    return s;
}

enum class Variant { Rtu, Ascii, RegisterRead, RegisterWrite, RegisterAsciiWrite };

} // namespace

Q_DECLARE_METATYPE(Variant)

class TestCtlWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(m_windowPty.isValid(), qPrintable(m_windowPty.error()));
        QVERIFY2(m_toolPty.isValid(), qPrintable(m_toolPty.error()));
        m_window = Fixture::openWindow(m_windowPty);
        m_session = std::make_unique<Session>(new PortLink);
        QString error;
        QVERIFY2(m_session->open(m_toolPty.slavePath(), PortSettings::Line{}, &error),
                 qPrintable(error));
    }
    void cleanup() { Fixture::closeMessageBoxes(); }
    void cleanupTestCase() {
        m_session.reset();
        m_window.reset();
    }

    void everyRequestHasASample() {
        for (const Cli::Entry &e : Cli::entries())
            QVERIFY2(e.values.isEmpty() || samples().contains(e.name), qPrintable(e.name));
    }

    void sameBytesAsTheWindow_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Variant>("variant");
        const std::array<std::pair<Variant, const char *>, 5> variants{{
            {Variant::Rtu, "rtu"},
            {Variant::Ascii, "ascii"},
            {Variant::RegisterRead, "register, read selector"},
            {Variant::RegisterWrite, "register, write selector"},
            {Variant::RegisterAsciiWrite, "register ascii, write selector"},
        }};
        for (const Cli::Entry &e : Cli::entries())
            for (const auto &[variant, label] : variants)
                QTest::addRow("%s %s", qPrintable(e.name), label) << e.name << variant;
    }

    void sameBytesAsTheWindow() {
        QFETCH(QString, name);
        QFETCH(Variant, variant);
        const Cli::Entry *e = Cli::find(name);
        QVERIFY(e);
        const QStringList values = samples().value(name);

        Cli::Settings s;
        s.address = QStringLiteral("1F");
        s.mode = variant == Variant::Ascii || variant == Variant::RegisterAsciiWrite
                     ? Framing::Protocol::Ascii
                     : Framing::Protocol::Rtu;
        s.registerForm = variant != Variant::Rtu && variant != Variant::Ascii;
        s.write = variant == Variant::RegisterWrite || variant == Variant::RegisterAsciiWrite;
        s.offset = QStringLiteral("100");
        if (e->button == QLatin1String("Command3"))
            s.offset = values.value(0);

        // The window: the same texts, mode, register option and selector.
        Fixture::Texts texts{{QStringLiteral("Text23"), s.address},
                             {QStringLiteral("Combo7"), s.mode == Framing::Protocol::Rtu
                                                            ? QStringLiteral("Modbus RTU")
                                                            : QStringLiteral("Modbus ASC")},
                             {QStringLiteral("Text34"), s.offset}};
        for (int i = 0; i < e->values.size(); ++i)
            texts.append({e->values[i].source, values.value(i)});
        // "设寄存器映射地址" can be pressed only with the register option ticked;
        // it sends in the device's form whatever the option.
        child<QCheckBox>(*m_window, QStringLiteral("Check2"))
            ->setChecked(s.registerForm || e->button == QLatin1String("Command3"));
        Fixture::setTexts(*m_window, texts);
        child<QRadioButton>(*m_window,
                            s.write ? QStringLiteral("Option4") : QStringLiteral("Option3"))
            ->setChecked(true);

        // The tool, through its session.
        const Cli::Prepared p = Cli::prepare(*e, values, s);
        const bool rtuOnly =
            e->button == QLatin1String("Command81") || e->button == QLatin1String("Command88");
        if (rtuOnly && s.mode == Framing::Protocol::Ascii) {
            // The window disables these buttons in ASCII mode; the tool refuses.
            QVERIFY(!p.refusal.isEmpty());
            QVERIFY(!child<QPushButton>(*m_window, e->button)->isEnabled());
            Fixture::click(*m_window, e->button);
            QCOMPARE(m_windowPty.readMaster(1, 50), QByteArray());
            return;
        }
        QVERIFY2(p.refusal.isEmpty(), qPrintable(p.refusal));
        const QByteArray expected = Cli::wire(p).value_or(QByteArray());
        QVERIFY(!expected.isEmpty());
        Cli::submit(*m_session, p);
        QByteArray fromTool = m_toolPty.readMaster(int(expected.size()), 1000);
        fromTool += m_toolPty.readMaster(1, 20);
        QCOMPARE(fromTool.toHex(' '), expected.toHex(' '));

        Fixture::click(*m_window, e->button);
        QByteArray fromWindow = m_windowPty.readMaster(int(expected.size()), 1000);
        fromWindow += m_windowPty.readMaster(1, 30); // nothing more follows
        QCOMPARE(fromTool.toHex(' '), fromWindow.toHex(' '));
    }

    // A caption is an alias exactly when one request button of the window shows
    // it (the watch's check boxes repeat the query buttons' captions).
    void aliasesAreTheWindowsUniqueCaptions_data() {
        QTest::addColumn<QString>("name");
        for (const Cli::Entry &e : Cli::entries())
            QTest::newRow(qPrintable(e.name)) << e.name;
    }
    void aliasesAreTheWindowsUniqueCaptions() {
        QFETCH(QString, name);
        const Cli::Entry *e = Cli::find(name);
        QVERIFY(e);
        auto *button = child<QPushButton>(*m_window, e->button);
        QCOMPARE(e->caption, button->text());
        const auto *watch = m_window->findChild<QWidget *>(QStringLiteral("Watch"));
        QList<QAbstractButton *> same;
        for (QAbstractButton *b : m_window->findChildren<QAbstractButton *>())
            if (b->text() == e->caption && !(watch && watch->isAncestorOf(b)))
                same << b;
        QCOMPARE(Cli::captionIsAlias(*e), same.size() == 1);
        if (Cli::captionIsAlias(*e))
            QCOMPARE(Cli::find(e->caption), e);
        else
            QVERIFY(Cli::find(e->caption) == nullptr);
    }

private:
    PtyPair m_windowPty;
    PtyPair m_toolPty;
    std::unique_ptr<FrmMain> m_window;
    std::unique_ptr<Session> m_session;
};

QTEST_MAIN(TestCtlWindow)
#include "tst_ctlwindow.moc"
