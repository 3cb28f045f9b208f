// Port names "COM1" .. "COM9" and the line settings text "baud,parity,data,stop".
#include "link/portsettings.h"

#include <QtTest>

class TstPortSettings : public QObject {
    Q_OBJECT
private slots:
    void portNumber_data();
    void portNumber();
    void settingsText_data();
    void settingsText();
    void parse_data();
    void parse();
    void parseRefused_data();
    void parseRefused();
};

void TstPortSettings::portNumber_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number"); // 0: none

    QTest::newRow("COM1") << "COM1" << 1;
    QTest::newRow("COM2") << "COM2" << 2;
    QTest::newRow("COM3") << "COM3" << 3;
    QTest::newRow("COM4") << "COM4" << 4;
    QTest::newRow("COM5") << "COM5" << 5;
    QTest::newRow("COM6") << "COM6" << 6;
    QTest::newRow("COM7") << "COM7" << 7;
    QTest::newRow("COM8") << "COM8" << 8;
    QTest::newRow("COM9") << "COM9" << 9;
    QTest::newRow("lowercase com1") << "com1" << 0;
    QTest::newRow("mixed case Com1") << "Com1" << 0;
    QTest::newRow("two digits COM10") << "COM10" << 0;
    QTest::newRow("COM0") << "COM0" << 0;
    QTest::newRow("leading zero COM01") << "COM01" << 0;
    QTest::newRow("leading blank") << " COM1" << 0;
    QTest::newRow("trailing blank") << "COM1 " << 0;
    QTest::newRow("no number") << "COM" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("device path") << "/dev/ttyUSB0" << 0;
}

void TstPortSettings::portNumber() {
    QFETCH(QString, name);
    QFETCH(int, number);

    const auto n = PortSettings::portNumber(name);
    QCOMPARE(n.has_value(), number != 0);
    if (n)
        QCOMPARE(*n, number);
}

void TstPortSettings::settingsText_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("settings");

    QTest::newRow("250000") << "250000"
                            << "250000,n,8,1";
    QTest::newRow("9600") << "9600"
                          << "9600,n,8,1";
    QTest::newRow("115200") << "115200"
                            << "115200,n,8,1";
    QTest::newRow("text is not checked") << "abc"
                                         << "abc,n,8,1";
    QTest::newRow("empty text") << ""
                                << ",n,8,1";
}

void TstPortSettings::settingsText() {
    QFETCH(QString, baud);
    QFETCH(QString, settings);
    QCOMPARE(PortSettings::settingsText(baud), settings);
}

void TstPortSettings::parse_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");

    QTest::newRow("9600,n,8,1") << "9600,n,8,1" << 9600 << int(QSerialPort::NoParity)
                                << int(QSerialPort::Data8) << int(QSerialPort::OneStop);
    QTest::newRow("empty is 9600,n,8,1") << "" << 9600 << int(QSerialPort::NoParity)
                                         << int(QSerialPort::Data8) << int(QSerialPort::OneStop);
    QTest::newRow("250000,n,8,1") << "250000,n,8,1" << 250000 << int(QSerialPort::NoParity)
                                  << int(QSerialPort::Data8) << int(QSerialPort::OneStop);
    QTest::newRow("115200 from the baud list")
        << "115200,n,8,1" << 115200 << int(QSerialPort::NoParity) << int(QSerialPort::Data8)
        << int(QSerialPort::OneStop);
    QTest::newRow("even parity, 7 bits, 2 stop")
        << "19200,e,7,2" << 19200 << int(QSerialPort::EvenParity) << int(QSerialPort::Data7)
        << int(QSerialPort::TwoStop);
    QTest::newRow("odd parity, 5 bits, 1.5 stop")
        << "4800,o,5,1.5" << 4800 << int(QSerialPort::OddParity) << int(QSerialPort::Data5)
        << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("mark parity, 6 bits") << "2400,m,6,1" << 2400 << int(QSerialPort::MarkParity)
                                         << int(QSerialPort::Data6) << int(QSerialPort::OneStop);
    QTest::newRow("space parity") << "1200,s,8,1" << 1200 << int(QSerialPort::SpaceParity)
                                  << int(QSerialPort::Data8) << int(QSerialPort::OneStop);
    QTest::newRow("uppercase parity letter")
        << "9600,N,8,1" << 9600 << int(QSerialPort::NoParity) << int(QSerialPort::Data8)
        << int(QSerialPort::OneStop);
    QTest::newRow("blanks around each field")
        << " 38400 , n , 8 , 1 " << 38400 << int(QSerialPort::NoParity) << int(QSerialPort::Data8)
        << int(QSerialPort::OneStop);
}

void TstPortSettings::parse() {
    QFETCH(QString, settings);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);

    QString error;
    const auto line = PortSettings::parse(settings, &error);
    QVERIFY2(line.has_value(), qPrintable(error));
    QCOMPARE(line->baud, baud);
    QCOMPARE(int(line->parity), parity);
    QCOMPARE(int(line->dataBits), dataBits);
    QCOMPARE(int(line->stopBits), stopBits);
    QVERIFY(error.isEmpty());
    // No error text wanted: the same answer.
    QVERIFY(PortSettings::parse(settings, nullptr).has_value());
}

void TstPortSettings::parseRefused_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("quoted"); // the text the error names

    QTest::newRow("baud is no number") << "abc,n,8,1"
                                       << "abc";
    QTest::newRow("baud zero") << "0,n,8,1"
                               << "0";
    QTest::newRow("baud negative") << "-9600,n,8,1"
                                   << "-9600";
    QTest::newRow("baud fraction") << "9600.5,n,8,1"
                                   << "9600.5";
    QTest::newRow("baud empty") << ",n,8,1"
                                << "";
    QTest::newRow("unknown parity") << "9600,x,8,1"
                                    << "x";
    QTest::newRow("nine data bits") << "9600,n,9,1"
                                    << "9";
    QTest::newRow("four data bits") << "9600,n,4,1"
                                    << "4";
    QTest::newRow("three stop bits") << "9600,n,8,3"
                                     << "3";
    QTest::newRow("three fields") << "9600,n,8"
                                  << "9600,n,8";
    QTest::newRow("five fields") << "9600,n,8,1,1"
                                 << "9600,n,8,1,1";
    QTest::newRow("baud alone") << "9600"
                                << "9600";
}

void TstPortSettings::parseRefused() {
    QFETCH(QString, settings);
    QFETCH(QString, quoted);

    QString error;
    QVERIFY(!PortSettings::parse(settings, &error).has_value());
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(quoted), qPrintable(error));
    QVERIFY(!PortSettings::parse(settings, nullptr).has_value());
}

QTEST_GUILESS_MAIN(TstPortSettings)
#include "tst_portsettings.moc"
