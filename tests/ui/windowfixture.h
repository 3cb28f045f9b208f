#pragma once
// Helpers for driving the window in tests: COM1 mapped to a given device and
// nothing else, controls found by objectName, clicks.
#include "link/portmap.h"
#include "ui/frmmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

namespace Fixture {

inline PortMap com1(const QString &path) {
    return PortMap({QStringLiteral("COM1=") + path}, [](const QString &) { return QString(); },
                   [] { return QList<ListedPort>(); });
}

template <typename T> T *child(QWidget &w, const QString &name) {
    auto *c = w.findChild<T *>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

inline void click(QWidget &w, const QString &button) {
    QTest::mouseClick(child<QAbstractButton>(w, button), Qt::LeftButton);
}

inline void closeMessageBoxes() {
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(top))
            box->close();
}

} // namespace Fixture
