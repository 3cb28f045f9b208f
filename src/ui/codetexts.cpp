#include "ui/codetexts.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDockWidget>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>

namespace CodeTexts {

namespace {

struct Bound {
    QPointer<QObject> target;
    const char *context;
    const char *source;
};

void apply(const Bound &b) {
    QObject *o = b.target;
    if (!o)
        return;
    const QString text = QCoreApplication::translate(b.context, b.source);
    if (auto *menu = qobject_cast<QMenu *>(o))
        menu->setTitle(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(o))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(o))
        label->setText(text);
    else if (auto *group = qobject_cast<QGroupBox *>(o))
        group->setTitle(text);
    else if (auto *dock = qobject_cast<QDockWidget *>(o))
        dock->setWindowTitle(text);
    else if (auto *action = qobject_cast<QAction *>(o))
        action->setText(text);
}

// Watches the application for a change of language and writes every bound
// text again.
class Registry : public QObject {
public:
    explicit Registry(QObject *app) : QObject(app) { app->installEventFilter(this); }
    static Registry &instance() {
        static QPointer<Registry> r;
        if (!r)
            r = new Registry(QCoreApplication::instance());
        return *r;
    }
    void bind(QObject *target, const char *context, const char *source) {
        m_bound.removeIf([target](const Bound &b) { return !b.target || b.target == target; });
        m_bound.append({target, context, source});
        apply(m_bound.last());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == parent() && event->type() == QEvent::LanguageChange)
            for (const Bound &b : std::as_const(m_bound))
                apply(b);
        return false;
    }

private:
    QList<Bound> m_bound;
};

} // namespace

void bind(QObject *target, const char *context, const char *source) {
    if (!QCoreApplication::instance()) {
        apply({target, context, source});
        return;
    }
    Registry::instance().bind(target, context, source);
}

} // namespace CodeTexts
