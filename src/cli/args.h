#pragma once
// The command line of t3208ctl: options anywhere before or after the command,
// "--name value" or "--name=value", "--" ending the options. A word that starts
// with "-" and goes on with a digit, "." or "&" is a value, never an option,
// so "move -70000" moves by -70000 pulses.
#include "codec/framing.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace Cli {

// Exit status of the tool.
enum Exit {
    Success = 0,
    NoGoodReply = 1, // a reply missing or not good; run: a line without its reply; scan: none found
    Usage = 2,       // bad option or value, a refused value; found before the port is opened
    PortFailed = 3,  // the port could not be opened, or was lost
    Interrupted = 130,
};

struct Args {
    bool help = false;
    bool version = false;
    QString command;   // "commands", "send", "run", "scan", "monitor" or a request name
    QStringList words; // the command's arguments (values, hex bytes, the list file)

    QString port;
    bool simulate = false;
    QString baud = QStringLiteral("9600");
    Framing::Protocol mode = Framing::Protocol::Rtu;
    QString address = QStringLiteral("01");
    bool registerForm = false;
    QString offset = QStringLiteral("0");
    bool write = false;
    bool echo = false;
    std::optional<int> timeoutMs; // -t; unset: 500 (scan: 50)
    bool json = false;
    // The language of the text output: "zh" (the default) or "en".
    QString language;
    QString logFile;

    // send
    bool asIs = false;
    // run
    QString interval = QStringLiteral("1000");
    int loops = 1;
    std::optional<double> durationS; // run, monitor
    std::optional<int> waitReplyMs;
    // scan
    QString addresses = QStringLiteral("01-F7");
    QString bauds; // empty: every rate the controller can be set to
    QString modes = QStringLiteral("rtu");
};

// The tool's own commands besides the requests: "commands", "send", "run",
// "scan", "monitor". No request has one of these names.
const QStringList &commandWords();

// Parses the arguments (without the program name); nullopt with *error set
// for a usage error.
std::optional<Args> parse(const QStringList &arguments, QString *error);

// The help text.
QString helpText();

} // namespace Cli
