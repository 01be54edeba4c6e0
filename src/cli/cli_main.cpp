#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>

#include "cli/cli_command.h"
#include "cli/cli_output.h"
#include "platform/debug_output.h"

#ifndef FAXRCP_VERSION
#define FAXRCP_VERSION "unknown"
#endif

namespace cli {

namespace {

// Filled by the command files before main runs, only read afterwards.
std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

constexpr const char* kOptionsHelp =
    "Options (anywhere before --):\n"
    "  -h, --help         this help; with a command, the command's help\n"
    "      --version      print the version\n"
    "  -v, --verbose      write the protocol trace to standard error\n"
    "      --trace FILE   write the protocol trace to FILE\n"
    "      --device NAME  the machine to use: usb:VVVV:PPPP[:SERIAL], unix:PATH,\n"
    "                     sim:, a character device, or ssh:[USER@]HOST[:PORT][/NAME]\n"
    "                     for one on another computer (instead of FAXRCP_USB_PORT)\n"
    "      --host HOST    devices: list the machines of [USER@]HOST, over ssh\n"
    "      --json         print JSON (commands that print records or lists)\n"
    "      --all          with get, fields: also the reserved fields\n"
    "      --wait SECONDS wait that long for a busy port instead of ending\n"
    "  -y, --yes          send firmware without asking\n"
    "      --numbers fax-only\n"
    "                     phonebook import: leave out cards without a fax number\n"
    "      --international-prefix DIGITS\n"
    "                     phonebook import: what a leading + becomes (default 00)\n"
    "      --             end of options: what follows are arguments\n";

constexpr const char* kExitHelp =
    "Exit status:\n"
    "  0  done\n"
    "  1  the machine did not answer\n"
    "  2  bad usage, a refused value or an unusable file; nothing was sent\n"
    "  3  the port is busy: another program is using the machine\n"
    "  4  permission or device error: the machine's device cannot be opened,\n"
    "     or several USB printers are there and none is named\n";

std::vector<const Command*> Sorted() {
    std::vector<const Command*> sorted;
    for (const Command& c : Registry()) {
        sorted.push_back(&c);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const Command* a, const Command* b) { return a->usage < b->usage; });
    return sorted;
}

void PrintCommandList(const std::vector<const Command*>& commands, std::ostream& out) {
    size_t width = 0;
    for (const Command* c : commands) {
        width = std::max(width, c->usage.size());
    }
    // Help lines fit 80 columns: a long sentence goes on under itself.
    const size_t indent = width + 4;
    for (const Command* c : commands) {
        PrintWrapped(out, "  " + c->usage + std::string(width - c->usage.size() + 2, ' '), c->help,
                     indent, 80);
    }
}

void PrintHelp(std::ostream& out) {
    out << "usage: faxrcp-cli [OPTIONS] COMMAND [ARGUMENTS]\n"
           "\n"
           "Reads and changes the settings of a fax multifunction printer on USB or the\n"
           "parallel port, edits its phonebook, shows its versions and counters and sends\n"
           "it firmware. Records print as name=value lines.\n"
           "\n"
           "Commands:\n";
    PrintCommandList(Sorted(), out);
    out << "\n"
        << kOptionsHelp << "\n"
        << kExitHelp
        << "\n"
           "Environment: FAXRCP_USB_PORT names the machine as --device does; without\n"
           "either, the one bidirectional USB printer is used (with several: the one\n"
           "chosen in the panel, else none; see 'devices'), then the parallel port.\n"
           "FAXRCP_LPT1..3 and FAXRCP_ECP1..3 replace the parallel port devices.\n"
           "\n"
           "faxrcp-cli help COMMAND (or COMMAND --help) tells more; see also faxrcp-cli(1).\n";
}

// Text wrapped at 78 columns, paragraphs kept.
void PrintWrapped(const std::string& text, std::ostream& out) {
    size_t column = 0;
    size_t start = 0;
    while (start < text.size()) {
        if (text[start] == '\n') {
            out << "\n";
            column = 0;
            ++start;
            continue;
        }
        const size_t end = std::min(text.find_first_of(" \n", start), text.size());
        const std::string word = text.substr(start, end - start);
        if (column > 0 && column + 1 + word.size() > 78) {
            out << "\n";
            column = 0;
        } else if (column > 0) {
            out << " ";
            ++column;
        }
        out << word;
        column += word.size();
        start = end < text.size() && text[end] == ' ' ? end + 1 : end;
    }
    out << "\n";
}

void PrintCommandHelp(const Command& c, std::ostream& out) {
    out << "usage: faxrcp-cli [OPTIONS] " << c.usage << "\n\n";
    PrintWrapped(c.help, out);
    if (!c.details.empty()) {
        out << "\n";
        PrintWrapped(c.details, out);
    }
    out << "\n";
    PrintWrapped(std::string("Options: -h, -v, --trace FILE, --device NAME") +
                     (c.json ? ", --json" : "") + (c.confirms ? ", -y/--yes" : "") +
                     (c.host ? ", --host HOST" : "") +
                     (c.imports ? ", --numbers fax-only, --international-prefix DIGITS" : "") +
                     " (see faxrcp-cli --help)",
                 out);
    if (c.moreHelp) {
        out << "\n";
        c.moreHelp(out);
    }
    out << "\n" << kExitHelp;
}

// The commands whose first words are these: "setup" gives setup get, ...
std::vector<const Command*> Group(const Args& words) {
    std::vector<const Command*> group;
    for (const Command* c : Sorted()) {
        if (c->words.size() > words.size() &&
            std::equal(words.begin(), words.end(), c->words.begin())) {
            group.push_back(c);
        }
    }
    return group;
}

// Help on the words that follow "help" (or come before --help).
int Help(const Args& words, Io& io) {
    if (words.empty()) {
        PrintHelp(io.out);
        return kExitOk;
    }
    if (const Command* c = FindCommand(words); c != nullptr && c->words.size() == words.size()) {
        PrintCommandHelp(*c, io.out);
        return kExitOk;
    }
    const std::vector<const Command*> group = Group(words);
    if (group.empty()) {
        return Fail(io, kExitUsage,
                    "unknown command '" + EscapeText(words[0]) + "' (see faxrcp-cli --help)");
    }
    io.out << "Commands:\n";
    PrintCommandList(group, io.out);
    return kExitOk;
}

int RunHelp(PanelContext&, const Args& args, Io& io) {
    return Help(args, io);
}

const Registrar helpCommand({
    .words = {"help"},
    .usage = "help [COMMAND]",
    .help = "Print this help or a command's help.",
    .run = RunHelp,
    .maxArgs = 3,
    .needsMachine = false,
});

struct Parsed {
    Args words; // the command's words and arguments, options taken out
    bool help = false;
    bool version = false;
};

// Takes the options out of the arguments; a message when one is wrong.
std::optional<std::string> ParseOptions(const Args& args, Parsed& parsed, Options& options) {
    bool ended = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (ended || a == "-" || a.empty() || a[0] != '-') {
            parsed.words.push_back(a);
            continue;
        }
        if (a == "--") {
            ended = true;
            continue;
        }
        if (a.starts_with("--")) {
            const size_t eq = a.find('=');
            const std::string name = a.substr(0, eq);
            std::optional<std::string> value;
            if (eq != std::string::npos) {
                value = a.substr(eq + 1);
            }
            if (name == "--trace" || name == "--device" || name == "--host" ||
                name == "--numbers" || name == "--international-prefix" || name == "--wait") {
                if (!value) {
                    if (i + 1 >= args.size()) {
                        return "option " + name + " needs a value";
                    }
                    value = args[++i];
                }
                if (value->empty()) {
                    return "option " + name + " needs a value";
                }
                if (name == "--wait") {
                    char* end = nullptr;
                    errno = 0;
                    const long seconds = std::strtol(value->c_str(), &end, 10);
                    if (*end != '\0' || errno != 0 || seconds < 0 || seconds > 86400) {
                        return "option --wait needs a number of seconds from 0 to 86400";
                    }
                    options.waitSeconds = static_cast<int>(seconds);
                    continue;
                }
                (name == "--trace"     ? options.trace
                 : name == "--device"  ? options.device
                 : name == "--host"    ? options.host
                 : name == "--numbers" ? options.numbers
                                       : options.internationalPrefix) = *value;
                continue;
            }
            if (value) {
                return "option " + name + " takes no value";
            }
            if (name == "--help") {
                parsed.help = true;
            } else if (name == "--version") {
                parsed.version = true;
            } else if (name == "--verbose") {
                options.verbose = true;
            } else if (name == "--json") {
                options.json = true;
            } else if (name == "--yes") {
                options.yes = true;
            } else if (name == "--all") {
                options.all = true;
            } else {
                return "unknown option '" + EscapeText(a) + "'";
            }
            continue;
        }
        for (size_t k = 1; k < a.size(); ++k) {
            switch (a[k]) {
            case 'h':
                parsed.help = true;
                break;
            case 'v':
                options.verbose = true;
                break;
            case 'y':
                options.yes = true;
                break;
            default:
                return "unknown option '-" + EscapeText(a.substr(k, 1)) + "'";
            }
        }
    }
    return std::nullopt;
}

// Every trace line, to standard error (-v) and to the trace file.
class TraceSink : public platform::DebugSink {
  public:
    TraceSink(std::ostream* err, int fd) : err_(err), fd_(fd) {}
    void write(std::string_view text) override {
        if (err_ != nullptr && !text.empty()) {
            err_->write(text.data(), static_cast<std::streamsize>(text.size()));
            err_->flush();
            TraceLineOpen() = text.back() != '\n';
        }
        const char* p = text.data();
        size_t left = text.size();
        while (fd_ >= 0 && left > 0 && !failed_) {
            const ssize_t n = ::write(fd_, p, left);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                failed_ = true;
                break;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
    }
    bool failed() const { return failed_; }

  private:
    std::ostream* err_;
    int fd_;
    bool failed_ = false;
};

// Installs the trace's destination for the run and puts the previous back:
// without -v or --trace the trace goes nowhere.
class TraceScope {
  public:
    TraceScope(std::ostream* err, int fd)
        : sink_(err, fd), previous_(platform::InstallDebugSink(&sink_)), fd_(fd) {}
    ~TraceScope() {
        platform::InstallDebugSink(previous_);
        TraceLineOpen() = false;
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;
    bool failed() const { return sink_.failed(); }

  private:
    TraceSink sink_;
    platform::DebugSink* previous_;
    int fd_;
};

// The trace file, opened before the machine is: a FIFO without a reader
// fails at once instead of blocking.
int OpenTraceFile(const std::string& path) {
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd >= 0) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return fd;
}

// Whether the trace file is a file the command reads or writes (by another
// name, a link or standard input too): opening it would empty that file.
bool TraceIsAnArgument(const std::string& trace, const Args& rest) {
    struct stat t {};
    if (::stat(trace.c_str(), &t) != 0 || !S_ISREG(t.st_mode)) {
        return false;
    }
    for (const std::string& arg : rest) {
        struct stat a {};
        const int r = arg == "-" ? ::fstat(STDIN_FILENO, &a) : ::stat(arg.c_str(), &a);
        if (r == 0 && a.st_dev == t.st_dev && a.st_ino == t.st_ino) {
            return true;
        }
    }
    return false;
}

int RunCommand(const Command& command, const Args& rest, Io& io, PanelContext& context) {
    try {
        if (command.needsMachine) {
            return WithMachine(context, io, [&] { return command.run(context, rest, io); });
        }
        return command.run(context, rest, io);
    } catch (const std::exception& e) {
        return Fail(io, kExitNotResponding, e.what());
    }
}

} // namespace

const std::vector<Command>& Commands() {
    return Registry();
}

void RegisterCommand(Command command) {
    Registry().push_back(std::move(command));
}

const Command* FindCommand(const Args& args) {
    const Command* best = nullptr;
    for (const Command& c : Registry()) {
        if (c.words.empty() || c.words.size() > args.size() ||
            !std::equal(c.words.begin(), c.words.end(), args.begin())) {
            continue;
        }
        if (!best || c.words.size() > best->words.size()) {
            best = &c;
        }
    }
    return best;
}

int Main(const Args& args, Io& io, PanelContext& context) {
    io.options = Options{};
    Parsed parsed;
    if (auto error = ParseOptions(args, parsed, io.options)) {
        return Fail(io, kExitUsage, *error + " (see faxrcp-cli --help)");
    }
    if (parsed.version) {
        io.out << "faxrcp-cli " << FAXRCP_VERSION << "\n";
        return kExitOk;
    }
    if (parsed.words.empty()) {
        if (parsed.help) {
            PrintHelp(io.out);
            return kExitOk;
        }
        PrintHelp(io.err);
        return kExitUsage;
    }
    const Command* command = FindCommand(parsed.words);
    if (parsed.help) {
        return Help(
            command != nullptr && command->words != Args{"help"}
                ? command->words
                : Args(parsed.words.begin() + (command != nullptr ? 1 : 0), parsed.words.end()),
            io);
    }
    if (command == nullptr || !command->run) {
        const std::vector<const Command*> group = Group({parsed.words[0]});
        if (!group.empty()) {
            std::string names;
            for (const Command* c : group) {
                names += (names.empty() ? "" : ", ") + c->words.back();
            }
            return Fail(io, kExitUsage,
                        "'" + parsed.words[0] + "' needs one of: " + names +
                            " (see faxrcp-cli help " + parsed.words[0] + ")");
        }
        return Fail(io, kExitUsage,
                    "unknown command '" + EscapeText(parsed.words[0]) +
                        "' (see faxrcp-cli --help)");
    }
    const Args rest(parsed.words.begin() + static_cast<long>(command->words.size()),
                    parsed.words.end());
    if (static_cast<int>(rest.size()) < command->minArgs ||
        static_cast<int>(rest.size()) > command->maxArgs) {
        io.err << "usage: faxrcp-cli " << command->usage << "\n";
        return kExitUsage;
    }
    if (io.options.json && !command->json) {
        return Fail(io, kExitUsage, "--json does not go with " + command->usage);
    }
    if (!io.options.host.empty() && !command->host) {
        return Fail(io, kExitUsage, "--host does not go with " + command->usage);
    }
    if (io.options.yes && !command->confirms) {
        return Fail(io, kExitUsage, "--yes does not go with " + command->usage);
    }
    if ((!io.options.numbers.empty() || !io.options.internationalPrefix.empty()) &&
        !command->imports) {
        return Fail(io, kExitUsage,
                    "--numbers and --international-prefix go only with phonebook import");
    }
    int traceFd = -1;
    if (!io.options.trace.empty()) {
        if (TraceIsAnArgument(io.options.trace, rest)) {
            return Fail(io, kExitUsage,
                        "the trace file '" + EscapeText(io.options.trace) +
                            "' is a file of the command; nothing was done");
        }
        traceFd = OpenTraceFile(io.options.trace);
        if (traceFd < 0) {
            return Fail(io, kExitUsage,
                        "cannot write the trace file '" + EscapeText(io.options.trace) +
                            "': " + std::strerror(errno));
        }
    }
    int status = kExitOk;
    {
        const TraceScope trace(io.options.verbose ? &io.err : nullptr, traceFd);
        status = RunCommand(*command, rest, io, context);
        if (trace.failed()) {
            Warn(io, "the trace file '" + EscapeText(io.options.trace) +
                         "' could not be written in full");
        }
    }
    // What a command printed counts only once it is out: a full disk or any
    // other write error fails the command.
    errno = 0;
    io.out.flush();
    if (!io.out) {
        const int error = errno;
        Fail(io, kExitUsage,
             std::string("cannot write to standard output") +
                 (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
        return status == kExitOk ? kExitUsage : status;
    }
    return status;
}

} // namespace cli
