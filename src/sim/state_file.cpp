#include "sim/state_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/ascii_text.h"

namespace sim {

namespace {

// State files are small; a larger file is not one of ours.
constexpr std::streamsize kMaxStateFile = 1 << 20;

std::string Hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(n * 3);
    for (size_t i = 0; i < n; ++i) {
        if (i) {
            s += ' ';
        }
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

// Hex bytes separated by blanks; nullopt on anything else.
std::optional<std::vector<uint8_t>> ParseHex(const std::string& s) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == ' ' || s[i] == '\t') {
            ++i;
            continue;
        }
        const int byte = platform::HexPairAt(s, i);
        if (byte < 0) {
            return std::nullopt;
        }
        out.push_back(uint8_t(byte));
        i += 2;
    }
    return out;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) {
        return {};
    }
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

std::optional<unsigned> ParseNumber(const std::string& s, unsigned max) {
    if (s.empty() || s.size() > 5) {
        return std::nullopt;
    }
    unsigned v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + unsigned(c - '0');
    }
    if (v > max) {
        return std::nullopt;
    }
    return v;
}

// A comment shows the slot to a reader; control bytes become '.'.
std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        out += (c >= 0x20 && c < 0x7F) ? char(c) : '.';
    }
    return out;
}

template <size_t N> bool TakeBlock(const std::string& value, std::array<uint8_t, N>& block) {
    const auto bytes = ParseHex(value);
    if (!bytes || bytes->size() != N) {
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), block.begin());
    return true;
}

} // namespace

std::string StateToText(SimulatedMachine& machine) {
    std::ostringstream out;
    out << "# faxrcp-sim machine state\n";
    out << "[machine]\n";
    out << "machineClass = " << unsigned(machine.machineClass()) << "\n";
    out << "capacityA = " << unsigned(machine.capacityA()) << "\n";
    out << "capacityB = " << unsigned(machine.capacityB()) << "\n";
    const SetupBlock setup = machine.setupBlock();
    const StatusBlock status = machine.statusBlock();
    const InfoBlock info = machine.infoBlock();
    out << "\n[setup]\nblock = " << Hex(setup.data(), setup.size()) << "\n";
    out << "\n[status]\nblock = " << Hex(status.data(), status.size()) << "\n";
    out << "\n[info]\nblock = " << Hex(info.data(), info.size()) << "\n";
    out << "\n[phonebook]\n";
    out << "# slot = kind, 20 name bytes, 46 number or member bytes\n";
    const size_t n = machine.slotCount();
    for (size_t i = 0; i < n; ++i) {
        const uint8_t kind = machine.slotKind(i);
        const std::string name = machine.slotName(i);
        const std::string number = machine.slotNumber(i);
        if (kind == 0 && name.empty() && number.empty()) {
            continue;
        }
        std::array<uint8_t, 1 + kNameSize + kFieldSize> raw{};
        raw[0] = kind;
        std::copy(name.begin(), name.end(), raw.begin() + 1);
        if (kind == 0) {
            std::copy(number.begin(), number.end(), raw.begin() + 1 + kNameSize);
        } else {
            const Members m = machine.slotMembers(i);
            std::copy(m.begin(), m.end(), raw.begin() + 1 + kNameSize);
        }
        out << "# " << (i + 1) << ": " << Printable(name) << " | "
            << (kind == 0 ? Printable(number) : std::string("group")) << "\n";
        out << (i + 1) << " = " << Hex(raw.data(), raw.size()) << "\n";
    }
    return out.str();
}

bool StateFromText(SimulatedMachine& machine, const std::string& text,
                   std::vector<std::string>* skipped) {
    std::istringstream in(text);
    std::string line;
    std::string section;
    bool any = false;
    std::optional<unsigned> machineClass, capA, capB;
    std::vector<std::pair<unsigned, std::vector<uint8_t>>> slots;
    bool phonebookSeen = false;
    SetupBlock setup{};
    StatusBlock status{};
    InfoBlock info{};
    bool haveSetup = false, haveStatus = false, haveInfo = false;

    int number = 0;
    const auto skip = [&](const char* why) {
        if (skipped != nullptr) {
            skipped->push_back("line " + std::to_string(number) + ": " + why);
        }
    };
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            phonebookSeen = phonebookSeen || section == "phonebook";
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            skip("no name = value");
            continue;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        bool taken = true;
        if (section == "machine") {
            std::optional<unsigned>* field = key == "machineClass" ? &machineClass
                                             : key == "capacityA"  ? &capA
                                             : key == "capacityB"  ? &capB
                                                                   : nullptr;
            taken = field != nullptr && (*field = ParseNumber(value, 255)).has_value();
        } else if (section == "setup" && key == "block") {
            taken = haveSetup = TakeBlock(value, setup);
        } else if (section == "status" && key == "block") {
            taken = haveStatus = TakeBlock(value, status);
        } else if (section == "info" && key == "block") {
            taken = haveInfo = TakeBlock(value, info);
        } else if (section == "phonebook") {
            const auto slot = ParseNumber(key, unsigned(kMaxSlots));
            const auto bytes = ParseHex(value);
            taken = slot && *slot >= 1 && bytes && bytes->size() == 1 + kNameSize + kFieldSize;
            if (taken) {
                slots.emplace_back(*slot, *bytes);
            }
        } else {
            taken = false;
        }
        if (!taken) {
            skip("not a value of this state (unknown name, wrong number or block length)");
        }
    }

    if (machineClass) {
        machine.setMachineClass(uint8_t(*machineClass));
        any = true;
    }
    if (capA || capB) {
        machine.setCapacities(uint8_t(capA.value_or(machine.capacityA())),
                              uint8_t(capB.value_or(machine.capacityB())));
        any = true;
    }
    if (haveSetup) {
        machine.setSetupBlock(setup);
        any = true;
    }
    if (haveStatus) {
        machine.setStatusBlock(status);
        any = true;
    }
    if (haveInfo) {
        machine.setInfoBlock(info);
        any = true;
    }
    if (phonebookSeen) {
        machine.clearPhonebook();
        for (const auto& [slot, raw] : slots) {
            const std::string name(raw.begin() + 1, raw.begin() + 1 + kNameSize);
            if (raw[0] == 0) {
                const std::string number(raw.begin() + 1 + kNameSize, raw.end());
                machine.setSlotNumber(slot - 1, name, number);
            } else {
                Members m{};
                std::copy(raw.begin() + 1 + kNameSize, raw.end(), m.begin());
                machine.setSlotGroup(slot - 1, name, m);
            }
        }
        any = true;
    }
    return any;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            ok = false;
            break;
        }
        done += size_t(w);
    }
    if (::close(fd) != 0) {
        ok = false;
    }
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool SaveState(SimulatedMachine& machine, const std::string& path) {
    return WriteFileAtomically(path, StateToText(machine));
}

bool LoadState(SimulatedMachine& machine, const std::string& path,
               std::vector<std::string>* skipped) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        return false;
    }
    std::string text;
    text.resize(size_t(kMaxStateFile));
    f.read(text.data(), kMaxStateFile);
    text.resize(size_t(f.gcount()));
    return StateFromText(machine, text, skipped);
}

} // namespace sim
