#pragma once
// The controller's request catalogue: which button builds which request, where
// each data byte comes from and how it is encoded, the read/write mark the
// button leaves, the address rule, the framing and the one-shot sets the
// button belongs to. Building a request reads field texts through a callback,
// so this layer never touches a widget.
#include "codec/framing.h"
#include "codec/number.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace Catalogue {

enum class Mark { Read, Write, Unchanged };
enum class AddressRule { Text23Hex, Zero };

enum class Encoding {
    H8,       // one byte: the text as hex
    D8,       // one byte: the text as decimal
    S32,      // four bytes, two's complement, most significant first
    U24,      // three bytes: the low 24 bits, most significant first
    Constant, // one fixed byte
    BaudCode, // one byte: the code of a baud-rate text
    CanRate,  // one byte: the code of a CAN bit-rate text
    Offset,   // four bytes as S32, the register mapping offset 0..65500
    Pattern,  // one byte: the mask of an input pattern
};

// What a button does with the register option (Check2) around its request.
enum class RegisterOption {
    Keep,
    ClearBefore, // unticked before building, left unticked
    OffAround,   // unticked for the request, ticked again once it went out
};

struct Field {
    Encoding encoding;
    const char *source = nullptr; // objectName of the control the text comes from
    quint8 constant = 0;
};

// The name a refusal gives a control's field ("初速度" for Text12).
QString fieldName(const QString &source);

struct Request {
    const char *button; // objectName of the button
    quint8 code;
    QList<Field> fields; // data bytes in order
    Mark mark;
    AddressRule address = AddressRule::Text23Hex;
    bool alwaysRtu = false;
    bool addToList = false; // honours AddListFlag
    bool capture = false;   // honours IoSubstFlag
    RegisterOption registerOption = RegisterOption::Keep;
};

// Every button-built request with a fixed data layout.
const QList<Request> &requests();
const Request *find(const QString &button);

// A one-shot button: it arms a mode, then runs its target request button.
struct Trigger {
    const char *button;
    const char *target;
};
// The ">" buttons that arm AddListFlag for a device request.
const QList<Trigger> &addToListTriggers();
// The "↓" buttons that arm IoSubstFlag.
const QList<Trigger> &captureTriggers();

// Reads the text of the control with the given objectName.
using Reader = std::function<QString(const QString &source)>;

// Why a request cannot be built: the field and the range its encoding carries,
// or the message for a text without a code.
struct Refusal {
    QString field;
    QString message;
};

struct Built {
    QByteArray request; // address, code, length, data
    std::optional<Refusal> refusal;
};

// The request bytes of a row, or the refusal of its first unencodable field.
Built build(const Request &row, const Reader &read);

// The request bytes framed as the row and the protocol mode say.
QByteArray frame(const Request &row, const QByteArray &request, Framing::Protocol mode);

// The texts that have a baud-rate code, slowest first ("2400" .. "38400").
QStringList baudTexts();
// The CAN bit-rate texts in code order ("1M" .. "5K").
QStringList canRateTexts();

// The baud-rate code of command 0x24 (the whole text, exact), nullopt for none.
std::optional<quint8> baudCode(const QString &text);
// The CAN bit-rate code of command 0x4B ("1M" 1 .. "5K" 18), nullopt for none.
std::optional<quint8> canRateCode(const QString &text);

// The mapping offset's refusal.
QString offsetMessage();

// The refusal message for a value outside its range.
QString rangeMessage(const QString &field, const Number::RangeError &range);

} // namespace Catalogue
