#pragma once
// The controller's command codes 0x20 .. 0x4C, one row each: the caption the
// send view gives a request, the caption the receive view gives a reply and
// how the reply is decoded, the data length the controller accepts, whether
// it answers with data, and the registers a register-form read of it takes.
// Every layer that knows a fact about a code reads it here.
#include <QString>
#include <QtGlobal>

#include <span>
#include <string_view>

namespace Commands {

// What the receive view takes from a reply besides its caption.
enum class Decode {
    None,
    Address,  // the caption is followed by byte 0, the replying address, in bare hex
    BaudCode, // the caption is followed by byte 3, the baud-rate code, in bare hex
    Unsigned, // bytes 3..6, most significant first
    Signed,   // bytes 3..6 as two's complement
    Status,   // bytes 3..6: run state, left limit, origin, right limit
    Inputs,   // bytes 3..7: IN1 .. IN5
    IoRule,   // byte 4 up to the checksum: the stored command of an input pattern
};

// Data bytes a request may carry (the data length byte), both ends included.
struct DataLength {
    quint8 min = 0;
    quint8 max = 0;
};

struct Command {
    quint8 code = 0;
    // Captions are UTF-8 Chinese, the sources of their translations.
    std::string_view send = {};  // caption line of the request, empty for none
    std::string_view reply = {}; // caption line of the reply, empty for none
    Decode decode = Decode::None;
    DataLength data;
    bool answers = false; // the controller's reply carries data
    int registers = 0;    // registers a register-form read takes
};

// Every row, in code order.
std::span<const Command> all();

// The row of a code; nullptr for a code without one. Constant time.
const Command *find(quint8 code);

// A caption as the user reads it: in the installed language (the Chinese
// source when no translation is installed), empty for none. Looked up each
// time, so a caption follows the language in force when it is shown.
QString text(std::string_view caption);

} // namespace Commands
