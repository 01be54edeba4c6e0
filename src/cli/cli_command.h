#pragma once
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

struct LinkState;
struct PanelContext;

// Commands of faxrcp-cli. Each command lives in its own file and registers
// itself with a static Registrar:
//
//   namespace {
//   int RunSetupGet(PanelContext& context, const cli::Args& args, cli::Io& io) { ... }
//   const cli::Registrar setupGet({
//       .words = {"setup", "get"},
//       .usage = "setup get",
//       .help = "Print the machine's system setup, one name=value a line.",
//       .run = RunSetupGet,
//   });
//   } // namespace
//
// The tool opens the machine first (WithMachine) unless the command sets
// needsMachine to false, then runs the command on the run's panel context with
// the arguments that follow its words. A command that checks its arguments or
// files first sets needsMachine to false and calls WithMachine itself once
// they are good, so that a bad argument costs no exchange with the machine.
// Results go to io.out, errors to io.err, one line each.

namespace cli {

// Exit statuses, the same for every command: 2 is also a file that cannot be
// used; nothing was sent then.
constexpr int kExitOk = 0;
constexpr int kExitNotResponding = 1;
constexpr int kExitDiffers = 1; // settings diff: the file and the machine differ
constexpr int kExitUsage = 2;
constexpr int kExitPortBusy = 3;
constexpr int kExitDevice = 4;
// A signal came while the firmware went out; the transfer finished first.
constexpr int kExitInterrupted = 130;

using Args = std::vector<std::string>;

// The options of the command line; Main takes them out of the arguments.
struct Options {
    bool json = false;               // --json
    bool yes = false;                // -y, --yes
    bool verbose = false;            // -v, --verbose: the protocol trace on standard error
    std::string trace;               // --trace FILE
    std::string device;              // --device NAME, over FAXRCP_USB_PORT
    std::string host;                // --host [USER@]HOST
    std::string numbers;             // --numbers fax-only|any (phonebook import)
    std::string internationalPrefix; // --international-prefix DIGITS (phonebook import)
    int waitSeconds = 0;             // --wait SECONDS: for a busy port
    bool all = false;                // --all: also the reserved fields
};

struct Io {
    std::ostream& out;
    std::ostream& err;
    std::istream* in = nullptr; // "-" as an input file, answers to questions
    bool inTerminal = false;
    bool outTerminal = false;
    Options options{};
};

struct Command {
    std::vector<std::string> words; // "setup", "get"
    std::string usage;              // words and arguments: "phonebook save FILE"
    std::string help;               // one sentence for --help
    // Returns the exit status.
    std::function<int(PanelContext& context, const Args& args, Io& io)> run;
    int minArgs = 0; // arguments after the words
    int maxArgs = 0;
    bool needsMachine = true; // Main opens the machine before run
    // More of COMMAND --help: paragraphs, and help made from the record table.
    std::string details{};
    std::function<void(std::ostream& out)> moreHelp{};
    bool json = false;     // takes --json
    bool confirms = false; // takes -y/--yes
    bool host = false;     // takes --host
    bool imports = false;  // takes --numbers and --international-prefix
};

// All registered commands, in registration order.
const std::vector<Command>& Commands();
void RegisterCommand(Command command);

struct Registrar {
    explicit Registrar(Command command) { RegisterCommand(std::move(command)); }
};

// The command whose words begin args, the longest match; nullptr when none.
const Command* FindCommand(const Args& args);

// Checks the machine's name (--device, else FAXRCP_USB_PORT), runs the
// start-up sequence, body, then the exit sequence. Returns body's status, or
// the status of what kept the machine from answering, said in one line.
int WithMachine(PanelContext& context, Io& io, const std::function<int()>& body);

// The port the machine answered on: the USB device's name or the parallel
// port's, for messages.
std::string MachineName(const LinkState& link);
// The port in use: its kind ("usb", "unix", "sim", "device" for a character
// device, "parallel") and its Linux device name.
std::string PortKind(const LinkState& link);
std::string PortDevice(const LinkState& link);

// "faxrcp-cli: MESSAGE" on a line of its own on io.err; Fail returns status.
int Fail(Io& io, int status, const std::string& message);
void Warn(Io& io, const std::string& message);

// The machine did not answer (what: "the setup read"); one line on io.err,
// returns kExitNotResponding.
int NotResponding(Io& io, const LinkState& link, const std::string& what = "");
// A write the machine did not take: "the machine at X did not take WHAT",
// then "; MORE"; returns kExitNotResponding.
int NotTaken(Io& io, const LinkState& link, const std::string& what, const std::string& more = "");

// The whole tool: args are argv[1..], on the run's context. Returns the exit
// status.
int Main(const Args& args, Io& io, PanelContext& context);

} // namespace cli
