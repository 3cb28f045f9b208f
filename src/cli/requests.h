#pragma once
// The requests of the command-line tool: every request a button of the window
// sends, under a stable kebab-case name, with the values it takes in the order
// the window's fields are read. Building one goes through the same catalogue
// and framing as the button, with the values standing in for the field texts,
// so the frame is the button's frame byte for byte.
#include "codec/framing.h"
#include "commands/catalogue.h"
#include "commands/registerform.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class Session;

namespace Cli {

// How the bytes of an entry are put together.
enum class Builder {
    Catalogue,  // a catalogue row (Catalogue::build / Catalogue::frame)
    Download,   // the IO-substitution download (code 0x40)
    CanPayload, // the CAN payload (code 0x4C)
};

struct Value {
    QString name;        // as --help and `commands` show it ("speed")
    QString source;      // the window field it stands for ("Text12")
    QString encoding;    // "H8", "D8", "S32", "U24", "choice" or "hex"
    QStringList choices; // for "choice"
};

struct Entry {
    QString name;    // "query-speed"
    QString button;  // the window button's objectName ("Command28")
    QString caption; // the button's caption in the window ("运动速度")
    quint8 code = 0;
    Builder builder = Builder::Catalogue;
    const Catalogue::Request *row = nullptr; // Builder::Catalogue only
    QList<Value> values;
    QByteArray data; // fixed data bytes (none when the data come from values)
    QString summary; // one line of English for --help
};

// Every entry, in the catalogue's order.
const QList<Entry> &entries();
// By name, or by a button caption that only one button of the window has.
const Entry *find(const QString &nameOrCaption);
// Whether the entry's button caption names it alone (it is then an alias).
bool captionIsAlias(const Entry &e);

// What the window's settings would be for a request.
struct Settings {
    QString address = QStringLiteral("01"); // as typed into "Text23"
    Framing::Protocol mode = Framing::Protocol::Rtu;
    bool registerForm = false;            // "按西门子标准"
    QString offset = QStringLiteral("0"); // as typed into "Text34"
    bool write = false;                   // the selector for requests that set no mark
};

struct Prepared {
    QByteArray frame; // the device-form frame the button builds
    bool registerForm = false;
    RegisterForm::Function function = RegisterForm::Function::Read;
    QString offset;
    QString refusal; // non-empty: refused, nothing to send
};

// Builds the request from its values (one per Value, in order). A wrong
// number of values is a refusal too (naming the values).
Prepared prepare(const Entry &e, const QStringList &values, const Settings &s);

// The bytes that go out on the line for a prepared request: the frame, or its
// register form; nullopt (with *refusal) when the register form refuses it.
std::optional<QByteArray> wire(const Prepared &p, QString *refusal = nullptr);

// Hands a prepared request to the session: the register option as the window
// would have it for this request, then the frame.
void submit(Session &session, const Prepared &p);

} // namespace Cli
