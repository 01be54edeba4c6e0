#include "cli/record_fields.h"

#include <cstdio>
#include <cstring>

namespace cli {

namespace {

std::string Number(unsigned long v) {
    return std::to_string(v);
}

// A text field of `width` bytes kept with a terminator.
template <size_t N> std::string ShowText(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

template <size_t N> bool StoreText(char (&text)[N], const std::string& value, size_t width) {
    if (value.size() > width || value.find('\0') != std::string::npos) {
        return false;
    }
    std::memset(text, 0, N);
    std::memcpy(text, value.data(), value.size());
    return true;
}

template <typename Record, typename T>
Field<Record> NumberField(const char* name, T Record::*member) {
    return {name, [member](const Record& r) { return Number(r.*member); },
            [member](Record& r, const std::string& v) {
                auto n = ParseNumber(v, static_cast<T>(~T{0}));
                if (!n) {
                    return false;
                }
                r.*member = static_cast<T>(*n);
                return true;
            }};
}

template <typename Record, typename T>
Field<Record> ReadOnlyNumber(const char* name, T Record::*member) {
    return {name, [member](const Record& r) { return std::to_string(r.*member); }, nullptr};
}

template <typename Record, size_t N>
Field<Record> TextField(const char* name, char (Record::*member)[N], size_t width) {
    return {name, [member](const Record& r) { return ShowText(r.*member); },
            [member, width](Record& r, const std::string& v) {
                return StoreText(r.*member, v, width);
            }};
}

template <typename Record, size_t N>
Field<Record> ReadOnlyText(const char* name, char (Record::*member)[N]) {
    return {name, [member](const Record& r) { return ShowText(r.*member); }, nullptr};
}

Field<SystemStatus> DateTimeField(const char* name, StatusDateTime SystemStatus::*member) {
    return {name, [member](const SystemStatus& r) { return FormatDateTime(r.*member); },
            [member](SystemStatus& r, const std::string& v) {
                auto t = ParseDateTime(v);
                if (!t) {
                    return false;
                }
                r.*member = *t;
                return true;
            }};
}

std::string ShowExtra(const SystemStatus& r) {
    std::string s;
    for (int i = 0; i < 5; ++i) {
        s += (i ? "," : "") + Number(r.statusExtra[i]);
    }
    return s;
}

bool StoreExtra(SystemStatus& r, const std::string& v) {
    uint8_t bytes[5];
    size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        size_t end = i < 4 ? v.find(',', start) : v.size();
        if (end == std::string::npos) {
            return false;
        }
        auto n = ParseNumber(v.substr(start, end - start), 255);
        if (!n) {
            return false;
        }
        bytes[i] = static_cast<uint8_t>(*n);
        start = end + 1;
    }
    std::memcpy(r.statusExtra, bytes, sizeof bytes);
    return true;
}

} // namespace

std::optional<unsigned long> ParseNumber(const std::string& text, unsigned long max) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    unsigned long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + static_cast<unsigned long>(c - '0');
    }
    if (v > max) {
        return std::nullopt;
    }
    return v;
}

std::optional<StatusDateTime> ParseDateTime(const std::string& text) {
    // YYYY-MM-DD HH:MM, within the ranges the machine keeps.
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':') {
        return std::nullopt;
    }
    auto year = ParseNumber(text.substr(0, 4), 2089);
    auto month = ParseNumber(text.substr(5, 2), 12);
    auto day = ParseNumber(text.substr(8, 2), 31);
    auto hour = ParseNumber(text.substr(11, 2), 23);
    auto minute = ParseNumber(text.substr(14, 2), 59);
    if (!year || *year < 1990 || !month || !day || !hour || !minute) {
        return std::nullopt;
    }
    return StatusDateTime{static_cast<uint8_t>(*month), static_cast<uint8_t>(*day),
                          static_cast<uint16_t>(*year), static_cast<uint8_t>(*hour),
                          static_cast<uint8_t>(*minute)};
}

std::string FormatDateTime(const StatusDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", unsigned{t.year},
                  unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute});
    return text;
}

const std::vector<Field<SystemSetup>>& SetupFields() {
    using S = SystemSetup;
    static const std::vector<Field<S>> fields = {
        NumberField("setupByte0", &S::setupByte0),
        NumberField("setupByte1", &S::setupByte1),
        NumberField("trayPaperSize", &S::trayPaperSize),
        NumberField("setupByte3", &S::setupByte3),
        NumberField("bypassPaperSize", &S::bypassPaperSize),
        NumberField("bypassPaperType", &S::bypassPaperType),
        NumberField("discardSize", &S::discardSize),
        NumberField("contrast", &S::contrast),
        NumberField("documentMode", &S::documentMode),
        NumberField("zoom", &S::zoom),
        NumberField("copies", &S::copies),
        NumberField("printTimeOut", &S::printTimeOut),
        NumberField("receiveMode", &S::receiveMode),
        NumberField("setupByte15", &S::setupByte15),
        NumberField("ringCount", &S::ringCount),
        NumberField("redialInterval", &S::redialInterval),
        NumberField("redialCount", &S::redialCount),
        NumberField("sendingConfirm", &S::sendingConfirm),
        NumberField("autoJournal", &S::autoJournal),
        NumberField("rxReduction", &S::rxReduction),
    };
    return fields;
}

const std::vector<Field<SystemStatus>>& StatusFields() {
    using S = SystemStatus;
    static const std::vector<Field<S>> fields = {
        TextField("machineNumber", &S::machineNumber, 20),
        TextField("machineId", &S::machineId, 20),
        NumberField("clockMode", &S::clockMode),
        NumberField("language", &S::language),
        NumberField("powerSave", &S::powerSave),
        {"statusExtra", ShowExtra, StoreExtra},
        NumberField("usbMode", &S::usbMode),
        NumberField("speaker", &S::speaker),
        NumberField("ringer", &S::ringer),
        NumberField("keySound", &S::keySound),
        NumberField("alarmSound", &S::alarmSound),
        NumberField("tollSaver", &S::tollSaver),
        DateTimeField("tollSaverStart", &S::tollSaverStart),
        DateTimeField("tollSaverEnd", &S::tollSaverEnd),
        TextField("prefixDial", &S::prefixDial, 5),
        NumberField("stampReceiverName", &S::stampReceiverName),
        NumberField("ecmMode", &S::ecmMode),
    };
    return fields;
}

const std::vector<Field<MachineInfo>>& InfoFields() {
    using M = MachineInfo;
    static const std::vector<Field<M>> fields = {
        ReadOnlyNumber("freeMemoryPercent", &M::freeMemoryPercent),
        ReadOnlyNumber("platenScanCount", &M::platenScanCount),
        ReadOnlyNumber("adfScanCount", &M::adfScanCount),
        ReadOnlyNumber("printCount", &M::printCount),
        ReadOnlyNumber("tonerReplacedCount", &M::tonerReplacedCount),
        ReadOnlyNumber("adfJamCount", &M::adfJamCount),
        ReadOnlyNumber("printJamCount", &M::printJamCount),
        ReadOnlyText("firmwareVersion", &M::firmwareVersion),
        ReadOnlyText("engineVersion", &M::engineVersion),
        ReadOnlyText("emulationVersion", &M::emulationVersion),
        ReadOnlyText("extraText", &M::extraText),
    };
    return fields;
}

} // namespace cli
