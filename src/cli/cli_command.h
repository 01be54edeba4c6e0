#pragma once
#include <ostream>
#include <string>
#include <vector>

// Commands of faxrcp-cli. Each command lives in its own file and registers
// itself with a static Registrar:
//
//   namespace {
//   int RunSetupGet(const cli::Args& args, cli::Io& io) { ... return cli::kExitOk; }
//   const cli::Registrar setupGet({
//       .words = {"setup", "get"},
//       .usage = "setup get",
//       .help = "Print the machine's system setup, one name=value a line.",
//       .run = RunSetupGet,
//   });
//   } // namespace
//
// The tool runs the start-up sequence first (unless the command sets
// needsMachine to false), then the command with the arguments that follow its
// words, then the exit sequence. Results go to io.out, errors to io.err.

namespace cli {

constexpr int kExitOk = 0;
constexpr int kExitNotResponding = 1;
constexpr int kExitUsage = 2;
constexpr int kExitPortBusy = 3;
constexpr int kExitDevice = 4; // several USB machines and none named

using Args = std::vector<std::string>;

struct Io {
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    std::vector<std::string> words;                 // "setup", "get"
    std::string usage;                              // words and arguments: "phonebook save FILE"
    std::string help;                               // one sentence for --help
    int (*run)(const Args& args, Io& io) = nullptr; // returns the exit status
    int minArgs = 0;                                // arguments after the words
    int maxArgs = 0;
    bool needsMachine = true; // runs the start-up sequence first
};

// All registered commands, in registration order.
const std::vector<Command>& Commands();
void RegisterCommand(Command command);

struct Registrar {
    explicit Registrar(Command command) { RegisterCommand(std::move(command)); }
};

// The command whose words begin args, the longest match; nullptr when none.
const Command* FindCommand(const Args& args);

// Writes "Not responding" to io.err and returns kExitNotResponding: the
// ending of a command whose exchange with the machine failed.
int NotResponding(Io& io);

// The whole tool: args are argv[1..]. Returns the exit status.
int Main(const Args& args, Io& io);

} // namespace cli
