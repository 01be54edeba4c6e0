// The machine records that travel as one block: how each is read and
// written, and where each field stands on the wire.
//
// To add a field: one line here, in wire order: the member, its offset in the
// block, its kind, then its range (and unit), its value names or its text
// rule. The exchange, the encoding, faxrcp-cli's fields, checks and
// name=value lines, the settings file, the Settings page's number ranges and
// the field lists of the bash completion and the manual page follow from it.
#pragma once

#include "protocol/machine_info.h"
#include "protocol/record_descriptor.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"

namespace record_table {

using K = FieldKind;

// Value names: the English texts the pages show for the choices, in lower
// case with hyphens for blanks (paper sizes keep their capitals); scripts
// use them, so they stay as they are.
inline constexpr ValueName kOffOn[] = {{0, "off"}, {1, "on"}};
inline constexpr ValueName kPaperSizes[] = {{0, "Letter"},    {1, "Legal"}, {2, "A4"},
                                            {3, "Executive"}, {4, "Folio"}, {5, "A5"},
                                            {6, "B5"},        {7, "A6"}};
inline constexpr ValueName kPaperTypes[] = {
    {0, "plain-paper"}, {1, "bond"},       {2, "transparency"},  {3, "card-stock"},
    {4, "labels"},      {5, "preprinted"}, {6, "colored-paper"}, {7, "envelope"},
    {8, "thick-paper"}, {9, "thin-paper"}};
inline constexpr ValueName kContrasts[] = {{0, "lighten"}, {1, "normal"}, {2, "darken"}};
inline constexpr ValueName kDocumentModes[] = {{0, "text"}, {1, "mixed"}, {2, "photo"}};
inline constexpr ValueName kPrintTimeOuts[] = {
    {0, "off"}, {1, "15-sec"}, {2, "30-sec"}, {3, "60-sec"}, {4, "180-sec"}};
inline constexpr ValueName kReceiveModes[] = {{0, "tel"}, {1, "fax"}};
inline constexpr ValueName kSendingConfirms[] = {{0, "off"}, {1, "on"}, {2, "on-error"}};

inline constexpr ValueName kClockModes[] = {{0, "12-hour"}, {1, "24-hour"}};
// The Advanced page's list sends 11 and 12 for its fourth and eighth items.
inline constexpr ValueName kLanguages[] = {{0, "english"}, {1, "french"},      {2, "spanish"},
                                           {4, "german"},  {5, "italian"},     {6, "dutch"},
                                           {8, "danish"},  {11, "portuguese"}, {12, "swedish"}};
// The Off button, then On with the minutes list.
inline constexpr ValueName kPowerSaves[] = {{0, "off"},        {1, "5-minutes"},
                                            {2, "10-minutes"}, {3, "15-minutes"},
                                            {4, "30-minutes"}, {5, "45-minutes"}};
inline constexpr ValueName kUsbModes[] = {{0, "slow"}, {1, "fast"}};
inline constexpr ValueName kSpeakers[] = {{0, "off"}, {1, "on"}, {2, "com"}};
inline constexpr ValueName kRingers[] = {{0, "off"}, {1, "low"}, {2, "med"}, {3, "high"}};

// The Advanced page's edits: numbers take digits, blanks and "+"; the
// machine ID takes the name characters, its letters made capitals.
inline constexpr TextRule kDialText = {.filterMode = 1, .upperCase = false};
inline constexpr TextRule kIdText = {.filterMode = 2, .upperCase = true};

#define SETUP(member) RECORD_MEMBER(SystemSetup, member)
inline constexpr FieldDescriptor kSetupFields[] = {
    {SETUP(reservedSetup0), 0, K::Byte},
    {SETUP(reservedSetup1), 1, K::Byte},
    {SETUP(trayPaperSize), 2, K::Byte, kPaperSizes},
    {SETUP(reservedSetup3), 3, K::Byte},
    {SETUP(bypassPaperSize), 4, K::Byte, kPaperSizes},
    {SETUP(bypassPaperType), 5, K::Byte, kPaperTypes},
    {SETUP(discardSize), 6, K::Byte, 0, 30, "millimetres"},
    {SETUP(contrast), 7, K::Byte, kContrasts},
    {SETUP(documentMode), 8, K::Byte, kDocumentModes},
    {SETUP(zoom), 9, K::Be16, 25, 400, "percent"},
    {SETUP(copies), 11, K::Be16, 1, 99},
    {SETUP(printTimeOut), 13, K::Byte, kPrintTimeOuts},
    {SETUP(receiveMode), 14, K::Byte, kReceiveModes},
    {SETUP(reservedSetup15), 15, K::Byte},
    {SETUP(ringCount), 16, K::Byte, 1, 7},
    {SETUP(redialInterval), 17, K::Byte, 1, 15, "minutes"},
    {SETUP(redialCount), 18, K::Byte, 0, 13},
    {SETUP(sendingConfirm), 19, K::Byte, kSendingConfirms},
    {SETUP(autoJournal), 20, K::Byte, kOffOn},
    {SETUP(rxReduction), 21, K::Byte, kOffOn},
};
#undef SETUP

#define STATUS(member) RECORD_MEMBER(SystemStatus, member)
inline constexpr FieldDescriptor kStatusFields[] = {
    {STATUS(machineNumber), 0, K::Text, kDialText},
    {STATUS(machineId), 20, K::Text, kIdText},
    {STATUS(clockMode), 40, K::Byte, kClockModes},
    {STATUS(language), 41, K::Byte, kLanguages},
    {STATUS(powerSave), 42, K::Byte, kPowerSaves},
    {STATUS(reservedStatus43), 43, K::Bytes},
    {STATUS(usbMode), 48, K::Byte, kUsbModes},
    {STATUS(speaker), 49, K::Byte, kSpeakers},
    {STATUS(ringer), 50, K::Byte, kRingers},
    {STATUS(keySound), 51, K::Byte, kOffOn},
    {STATUS(alarmSound), 52, K::Byte, kOffOn},
    {STATUS(tollSaver), 53, K::Byte, kOffOn},
    {STATUS(tollSaverStart), 54, K::DateTime, kFirstYear, kLastYear},
    {STATUS(tollSaverEnd), 60, K::DateTime, kFirstYear, kLastYear},
    {STATUS(prefixDial), 66, K::Text, kDialText},
    {STATUS(stampReceiverName), 71, K::Byte, kOffOn},
    {STATUS(ecmMode), 72, K::Byte, kOffOn},
};
#undef STATUS

#define INFO(member) RECORD_MEMBER(MachineInfo, member)
inline constexpr FieldDescriptor kInfoFields[] = {
    {INFO(freeMemoryPercent), 0, K::Byte},   {INFO(platenScanCount), 1, K::Be32},
    {INFO(adfScanCount), 5, K::Be32},        {INFO(printCount), 9, K::Be32},
    {INFO(tonerReplacedCount), 13, K::Be32}, {INFO(adfJamCount), 17, K::Be32},
    {INFO(printJamCount), 21, K::Be32},      {INFO(firmwareVersion), 25, K::Text},
    {INFO(engineVersion), 35, K::Text},      {INFO(emulationVersion), 45, K::Text},
    {INFO(extraText), 75, K::Text},
};
#undef INFO

} // namespace record_table

inline constexpr RecordDescriptor kSetupRecord = {
    .code = frame::kRecordSetup,
    .blockSize = kSetupBlockSize,
    .get = {.banner = "===> (Get Settings) SYSTEM SETUP <===\n",
            .delayMs = 1000,
            .answerSize = kSetupAnswerSize,
            .allocationFailure = "Mfp_GetSettings() - Memory Allocation error! \n",
            .dumpWholeBuffer = false},
    .exactAnswer = true,
    .settable = true,
    .set = {.banner = "===> SET SETTINGS <===\n",
            .delayMs = 500,
            .dumpRequest = true,
            .traceAcknowledgement = false},
    .recordSize = sizeof(SystemSetup),
    .fields = record_table::kSetupFields,
};

inline constexpr RecordDescriptor kStatusRecord = {
    .code = frame::kRecordStatus,
    .blockSize = kStatusBlockSize,
    .get = {.banner = "===> (Get Settings 2) SYSTEM STATUS <===\n",
            .delayMs = 1000,
            .answerSize = kStatusAnswerSize,
            .allocationFailure = "Mfp_GetSystemInfo() - Memory Allocation error! \n",
            .dumpWholeBuffer = true},
    .exactAnswer = false,
    .settable = true,
    .set = {.banner = nullptr, .delayMs = 1000, .dumpRequest = false, .traceAcknowledgement = true},
    .recordSize = sizeof(SystemStatus),
    .fields = record_table::kStatusFields,
};

inline constexpr RecordDescriptor kInfoRecord = {
    .code = frame::kRecordInfo,
    .blockSize = kInfoBlockSize,
    .get = {.banner = "===> (Get Adv-Settings) SYSTEM STATUS <===\n",
            .delayMs = 1000,
            .answerSize = kInfoAnswerSize,
            .allocationFailure = "Mfp_GetSystemInfo() - Memory Allocation error! \n",
            .dumpWholeBuffer = true},
    .exactAnswer = false,
    .settable = false,
    .set = {},
    .recordSize = sizeof(MachineInfo),
    .fields = record_table::kInfoFields,
};

static_assert(kSetupRecord.Consistent() && kStatusRecord.Consistent() && kInfoRecord.Consistent());
static_assert(kSetupRecord.SetRequestSize() == kSetupSetRequestSize);
static_assert(kStatusRecord.SetRequestSize() == kStatusSetRequestSize);
