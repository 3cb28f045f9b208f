#include "ui/replyview.h"

#include "ui/indicator.h"
#include "ui_frmmain.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace ReplyView {

namespace {

// The queried-value field of each value query.
struct ValueField {
    quint8 code;
    QLineEdit *Ui::FrmMain::*field;
};
constexpr ValueField kValueFields[] = {
    {0x26, &Ui::FrmMain::Text27}, {0x28, &Ui::FrmMain::Text26}, {0x2A, &Ui::FrmMain::Text25},
    {0x2C, &Ui::FrmMain::Text24}, {0x2E, &Ui::FrmMain::Text6},  {0x30, &Ui::FrmMain::Text28},
    {0x36, &Ui::FrmMain::Text17}, {0x37, &Ui::FrmMain::Text18}, {0x39, &Ui::FrmMain::Text19},
};

using Lamp = Indicator *Ui::FrmMain::*;
// Run state (0 is normal), then the left limit, origin and right limit (1 is normal).
constexpr Lamp kStatusLamps[] = {&Ui::FrmMain::Shape1, &Ui::FrmMain::Shape2, &Ui::FrmMain::Shape3,
                                 &Ui::FrmMain::Shape4};
// IN1 .. IN5 (1 is normal).
constexpr Lamp kInputLamps[] = {&Ui::FrmMain::Shape5, &Ui::FrmMain::Shape6, &Ui::FrmMain::Shape7,
                                &Ui::FrmMain::Shape8, &Ui::FrmMain::Shape9};

// The label remembers the state it shows, so a change of language can write
// it again after the form's texts were reset.
const char *const MovingProperty = "moving";

} // namespace

void showRunState(Ui::FrmMain &ui, bool moving) {
    ui.Label15->setProperty(MovingProperty, moving);
    ui.Label15->setText(moving ? QCoreApplication::translate("FrmMain", "运动中")
                               : QCoreApplication::translate("FrmMain", "停止"));
}

void retranslateRunState(Ui::FrmMain &ui) {
    showRunState(ui, ui.Label15->property(MovingProperty).toBool());
}

void showReply(Ui::FrmMain &ui, const Receive::Reply &r, const QColor &normal) {
    const auto colour = [&](bool isNormal) { return isNormal ? normal : AlertColour; };
    if (r.code && r.value)
        for (const ValueField &f : kValueFields)
            if (f.code == *r.code)
                (ui.*f.field)->setText(Receive::valueText(*r.value));
    if (r.status) {
        const QByteArray &s = *r.status;
        for (int i = 0; i < std::min<int>(s.size(), std::size(kStatusLamps)); ++i) {
            const bool isNormal = i == 0 ? s.at(i) == 0 : s.at(i) == 1;
            (ui.*kStatusLamps[i])->setFillColor(colour(isNormal));
            if (i == 0)
                showRunState(ui, !isNormal);
        }
    }
    if (r.inputs) {
        const QByteArray &in = *r.inputs;
        for (int i = 0; i < std::min<int>(in.size(), std::size(kInputLamps)); ++i)
            (ui.*kInputLamps[i])->setFillColor(colour(in.at(i) == 1));
    }
    if (r.ioCommand)
        ui.Text31->setText(*r.ioCommand);
}

namespace {
// The controls a reply writes, in groups that are always written together:
// a value query's field (by its code), the status lamps, the input lamps, the
// IO-substitution read-back.
enum Group { StatusLamps = 0x100, InputLamps, IoCommand };

QList<int> groups(const Receive::Reply &r) {
    QList<int> out;
    if (r.code && r.value)
        out << int(*r.code);
    if (r.status)
        out << StatusLamps;
    if (r.inputs)
        out << InputLamps;
    if (r.ioCommand)
        out << IoCommand;
    return out;
}
} // namespace

void Latest::add(const Receive::Reply &r) {
    const QList<int> writes = groups(r);
    if (writes.isEmpty())
        return;
    const quint64 seq = ++m_seq;
    for (const int g : writes) {
        const auto older = m_newest.constFind(g);
        if (older != m_newest.constEnd()) {
            const quint64 was = *older;
            m_newest[g] = seq;
            // The older reply goes when it is no control's newest any more.
            if (std::find(m_newest.cbegin(), m_newest.cend(), was) == m_newest.cend())
                m_replies.remove(was);
        } else {
            m_newest.insert(g, seq);
        }
    }
    m_replies.insert(seq, r);
}

QList<Receive::Reply> Latest::take() {
    QList<Receive::Reply> out = m_replies.values();
    m_replies.clear();
    m_newest.clear();
    return out;
}

} // namespace ReplyView
