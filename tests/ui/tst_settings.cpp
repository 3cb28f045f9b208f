// What the window remembers between runs: its size and place and the list
// dialogs' folder, kept with QSettings in the test location and restored only
// when asked (the program's main() asks; a window made anywhere else starts
// with its defaults).
#include "ui/frmmain.h"
#include "ui/settings.h"

#include "windowfixture.h"

#include <QDir>
#include <QFileDialog>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Fixture;

namespace {

// Shows the window and lets its first-show sizing run.
void showAndSettle(FrmMain &w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(50);
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QSize m_defaultSize;

    QString settingsFile() const {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/t3208tool/t3208tool.conf");
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("t3208tool"));
        QCoreApplication::setApplicationName(QStringLiteral("t3208tool"));
        QVERIFY(m_dir.isValid());
        QFile::remove(settingsFile());
        // The size a window takes when nothing is restored.
        FrmMain w;
        showAndSettle(w);
        m_defaultSize = w.size();
    }

    void init() { QFile::remove(settingsFile()); }
    void cleanup() {
        QFile::remove(settingsFile());
        closeMessageBoxes();
    }

    // Written where QSettings keeps the user's settings (in test mode, the
    // test location, never the user's own file) and read back from there.
    void keptInTheUsualPlace() {
        {
            FrmMain w;
            w.setListFolder(m_dir.path());
            QSettings settings;
            QCOMPARE(QFileInfo(settings.fileName()).absoluteFilePath(),
                     QFileInfo(settingsFile()).absoluteFilePath());
            w.saveSettings(settings);
        }
        QVERIFY(QFile::exists(settingsFile()));
        QSettings again(settingsFile(), QSettings::IniFormat);
        QCOMPARE(again.value(SettingsKey::ListFolder).toString(), m_dir.path());
        QVERIFY(!again.value(SettingsKey::Geometry).toByteArray().isEmpty());
    }

    void sizeAndPlaceComeBack_data() {
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("larger, near the corner") << QRect(10, 20, 1400, 680);
        QTest::newRow("largest, elsewhere") << QRect(60, 40, 1500, 720);
        QTest::newRow("wide and low") << QRect(30, 30, 1420, 660);
    }
    void sizeAndPlaceComeBack() {
        QFETCH(QRect, geometry);
        QRect before;
        {
            FrmMain w;
            showAndSettle(w);
            w.setMinimumSize(0, 0);
            w.setGeometry(geometry);
            QTest::qWait(20);
            before = w.geometry();
            QVERIFY(before.size() != m_defaultSize);
            QSettings settings;
            w.saveSettings(settings);
        }
        FrmMain w;
        QSettings settings;
        w.setMinimumSize(0, 0);
        w.restoreSettings(settings);
        showAndSettle(w);
        // The first-show default size does not replace the remembered one.
        QCOMPARE(w.geometry(), before);
    }

    // Without restoreSettings a window ignores what is stored: the default
    // size and no folder.
    void defaultsUnlessAsked() {
        {
            QSettings settings;
            FrmMain other;
            showAndSettle(other);
            other.setMinimumSize(0, 0);
            other.setGeometry(5, 5, m_defaultSize.width() / 2, m_defaultSize.height() / 2);
            other.setListFolder(m_dir.path());
            other.saveSettings(settings);
        }
        QVERIFY(QSettings().contains(SettingsKey::ListFolder));
        FrmMain w;
        showAndSettle(w);
        QCOMPARE(w.size(), m_defaultSize);
        QCOMPARE(w.listFolder(), QString());
    }

    // What is stored may be stale or damaged: a removed folder is forgotten,
    // geometry that is not the window's leaves the default size.
    void staleOrDamagedValues_data() {
        QTest::addColumn<QString>("folder"); // under the temporary folder; "" = none stored
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<QByteArray>("geometry");
        QTest::addColumn<bool>("expectFolder");
        QTest::addColumn<bool>("expectDefaultSize");
        QTest::newRow("folder exists") << "lists" << true << QByteArray() << true << true;
        QTest::newRow("folder removed") << "gone" << false << QByteArray() << false << true;
        QTest::newRow("nothing stored") << "" << false << QByteArray() << false << true;
        QTest::newRow("text as geometry")
            << "lists" << true << QByteArray("1366x768") << true << true;
        // Qt accepts a header without the rest; the window must still show.
        QTest::newRow("truncated geometry")
            << "" << false << QByteArray("\x01\xd9\xd0\xcb", 4) << false << false;
    }
    void staleOrDamagedValues() {
        QFETCH(QString, folder);
        QFETCH(bool, folderExists);
        QFETCH(QByteArray, geometry);
        QFETCH(bool, expectFolder);
        QFETCH(bool, expectDefaultSize);
        QString path;
        if (!folder.isEmpty()) {
            path = m_dir.filePath(folder);
            if (folderExists)
                QVERIFY(QDir().mkpath(path));
            else
                QVERIFY(!QFileInfo::exists(path));
        }
        {
            QSettings settings;
            if (!path.isEmpty())
                settings.setValue(SettingsKey::ListFolder, path);
            if (!geometry.isEmpty())
                settings.setValue(SettingsKey::Geometry, geometry);
        }
        FrmMain w;
        QSettings settings;
        w.restoreSettings(settings);
        showAndSettle(w);
        QCOMPARE(w.listFolder(), expectFolder ? path : QString());
        if (expectDefaultSize)
            QCOMPARE(w.size(), m_defaultSize);
        QVERIFY(!w.size().isEmpty());
        QVERIFY(w.screen()->availableGeometry().intersects(w.frameGeometry()));
    }

    // The list dialogs' folder follows the file last chosen in either dialog;
    // a cancelled dialog keeps it.
    void folderFollowsTheListDialogs_data() {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QStringList>("chosen"); // relative paths, "" = cancelled
        QTest::addColumn<QString>("expect");
        QTest::newRow("opened") << QStringList{"Command54"} << QStringList{"a/list.txt"} << "a";
        QTest::newRow("saved") << QStringList{"Command55"} << QStringList{"b/new.txt"} << "b";
        QTest::newRow("opened, then saved elsewhere")
            << QStringList{"Command54", "Command55"} << QStringList{"a/list.txt", "b/new.txt"}
            << "b";
        QTest::newRow("saved, then open cancelled")
            << QStringList{"Command55", "Command54"} << QStringList{"b/new.txt", ""} << "b";
        QTest::newRow("missing file chosen")
            << QStringList{"Command54"} << QStringList{"a/none.txt"} << "a";
        QTest::newRow("only cancelled") << QStringList{"Command54"} << QStringList{""} << "";
    }
    void folderFollowsTheListDialogs() {
        QFETCH(QStringList, buttons);
        QFETCH(QStringList, chosen);
        QFETCH(QString, expect);
        for (const char *sub : {"a", "b"})
            QVERIFY(QDir().mkpath(m_dir.filePath(QLatin1String(sub))));
        QFile list(m_dir.filePath(QStringLiteral("a/list.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("01 20 00 39 C0 \r\n");
        list.close();

        FrmMain w;
        w.ask = [](const QString &, const QString &) { return true; };
        QString answer;
        w.chooseFile = [&](bool, const QString &, const QString &) { return answer; };
        for (int i = 0; i < buttons.size(); ++i) {
            answer = chosen[i].isEmpty() ? QString() : m_dir.filePath(chosen[i]);
            click(w, buttons[i]);
            closeMessageBoxes();
        }
        QCOMPARE(w.listFolder(), expect.isEmpty() ? QString() : m_dir.filePath(expect));

        // And it comes back in the next run.
        QSettings settings;
        w.saveSettings(settings);
        FrmMain next;
        next.restoreSettings(settings);
        QCOMPARE(next.listFolder(), w.listFolder());
    }

    // The window's own dialogs open in the remembered folder.
    void dialogsOpenInTheFolder_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("打开文件") << "Command54";
        QTest::newRow("命令另存为") << "Command55";
    }
    void dialogsOpenInTheFolder() {
        QFETCH(QString, button);
        const QString folder = m_dir.filePath(QStringLiteral("start"));
        QVERIFY(QDir().mkpath(folder));
        FrmMain w;
        w.setListFolder(folder);
        QString seen = QStringLiteral("<no dialog>");
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *dialog = qobject_cast<QFileDialog *>(top);
                    dialog && dialog->isVisible()) {
                    seen = dialog->directory().absolutePath();
                    dialog->reject();
                }
        });
        poll.start(20);
        click(w, button);
        poll.stop();
        QCOMPARE(seen, QDir(folder).absolutePath());
        QCOMPARE(w.listFolder(), folder); // cancelled: unchanged
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
