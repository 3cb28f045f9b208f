#pragma once
// Helpers for driving the window in tests: COM1 mapped to a given device and
// nothing else, controls found by objectName, clicks.
#include "link/portmap.h"
#include "ui/frmmain.h"

#include "support/pty.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <memory>

namespace Fixture {

inline PortMap com1(const QString &path) {
    return PortMap(
        {QStringLiteral("COM1=") + path}, [](const QString &) { return QString(); },
        [] { return QList<ListedPort>(); });
}

template <typename T> T *child(QWidget &w, const QString &name) {
    auto *c = w.findChild<T *>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

// Clicks a button; on the main window, waits until the session has handled
// what the click asked of it and the window shows the outcome.
inline void click(QWidget &w, const QString &button) {
    QTest::mouseClick(child<QAbstractButton>(w, button), Qt::LeftButton);
    if (auto *window = qobject_cast<FrmMain *>(&w))
        window->settle();
}

// Field texts to type: objectName, text (a line edit or an editable drop-down).
using Texts = QList<QPair<QString, QString>>;

inline void setTexts(QWidget &w, const Texts &texts) {
    for (const auto &[name, text] : texts) {
        if (auto *edit = w.findChild<QLineEdit *>(name))
            edit->setText(text);
        else
            child<QComboBox>(w, name)->setCurrentText(text);
    }
}

// A window with COM1 open on the pseudo-terminal.
inline std::unique_ptr<FrmMain> openWindow(PtyPair &pty) {
    auto w = std::make_unique<FrmMain>(com1(pty.slavePath()));
    click(*w, QStringLiteral("Command32"));
    if (!child<QAbstractButton>(*w, QStringLiteral("Command33"))->isEnabled())
        qFatal("port did not open");
    return w;
}

inline void closeMessageBoxes() {
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(top))
            box->close();
}

} // namespace Fixture
