// The record table offers the values the Settings and Advanced pages offer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "model/advanced_codes.h"
#include "model/settings_numbers.h"
#include "protocol/record_table.h"

namespace {

const FieldDescriptor* FieldOf(const RecordDescriptor& d, std::string_view name) {
    for (const FieldDescriptor& f : d.fields) {
        if (f.name == name) {
            return &f;
        }
    }
    ADD_FAILURE() << "no field " << name;
    return nullptr;
}

std::vector<uint32_t> Values(const FieldDescriptor& f) {
    std::vector<uint32_t> values;
    for (const ValueName& v : f.names) {
        values.push_back(v.value);
    }
    return values;
}

// The English text of a key of the language file; empty when it has none.
std::string Text(const std::string& file, const std::string& key) {
    std::ifstream in(std::string(FAXRCP_SOURCE_DIR) + "/src/resources/lang/en/" + file);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(key + "=")) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

// A page's text as a value name: lower case, hyphens for blanks.
std::string Folded(std::string text) {
    for (char& c : text) {
        c = c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// How many PREFIXn= items a list of the English language file has.
size_t Items(const std::string& file, const std::string& prefix) {
    std::ifstream in(std::string(FAXRCP_SOURCE_DIR) + "/src/resources/lang/en/" + file);
    size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        const size_t digits = line.find_first_not_of("0123456789", prefix.size());
        if (line.starts_with(prefix) && digits > prefix.size() && digits < line.size() &&
            line[digits] == '=') {
            ++count;
        }
    }
    return count;
}

// The pages' drop-down lists: the field each sets and its items' keys.
struct PageList {
    const RecordDescriptor& record;
    const char* field;
    const char* file;
    const char* prefix;
};
const PageList kPageLists[] = {
    {kSetupRecord, "contrast", "SETTINGS.ini", "CONTRAST_ITEM_"},
    {kSetupRecord, "documentMode", "SETTINGS.ini", "DOC_MODE_ITEM_"},
    {kSetupRecord, "sendingConfirm", "SETTINGS.ini", "SEND_CONFIRM_ITEM_"},
    {kSetupRecord, "receiveMode", "SETTINGS.ini", "RCV_MODE_ITEM_"},
    {kSetupRecord, "printTimeOut", "SETTINGS.ini", "TIME_OUT_ITEM_"},
    {kStatusRecord, "speaker", "ADVANCED.ini", "SPEAKER_ITEM_"},
    {kStatusRecord, "ringer", "ADVANCED.ini", "RINGER_ITEM_"},
    {kStatusRecord, "usbMode", "ADVANCED.ini", "USB_MODE_ITEM_"},
    {kStatusRecord, "language", "ADVANCED.ini", "LANGUAGE_ITEM_"},
    {kStatusRecord, "clockMode", "ADVANCED.ini", "CLOCK_MODE_ITEM_"},
};

TEST(RecordChoices, OneNamePerItemOfThePagesLists) {
    for (const auto& list : kPageLists) {
        const FieldDescriptor* f = FieldOf(list.record, list.field);
        ASSERT_NE(f, nullptr);
        const size_t items = Items(list.file, list.prefix);
        EXPECT_GT(items, 0u) << list.prefix;
        EXPECT_EQ(f->names.size(), items) << list.field;
    }

    // The codes the language list and the power-save controls store.
    std::vector<uint32_t> languages;
    for (int position = 0; position < advanced_codes::kLanguageItems; ++position) {
        languages.push_back(advanced_codes::LanguageCode(position));
    }
    std::sort(languages.begin(), languages.end());
    EXPECT_EQ(Values(*FieldOf(kStatusRecord, "language")), languages);

    std::vector<uint32_t> powerSaves;
    for (int minutes = -1; minutes < advanced_codes::kMinutesItems; ++minutes) {
        uint8_t value = 0xFF;
        ASSERT_TRUE(advanced_codes::PowerSaveToRecord(minutes < 0 ? 0 : 1, minutes, value));
        powerSaves.push_back(value);
    }
    EXPECT_EQ(Values(*FieldOf(kStatusRecord, "powerSave")), powerSaves);
}

// Scripts name choices as the pages show them in English.
TEST(RecordChoices, ValueNamesAreThePagesEnglishTexts) {
    for (const auto& list : kPageLists) {
        const FieldDescriptor* f = FieldOf(list.record, list.field);
        ASSERT_NE(f, nullptr);
        const bool language = std::string_view(list.field) == "language";
        for (size_t position = 0; position < f->names.size(); ++position) {
            const uint32_t code = language
                                      ? advanced_codes::LanguageCode(static_cast<int>(position))
                                      : static_cast<uint32_t>(position);
            const auto named = std::find_if(f->names.begin(), f->names.end(),
                                            [code](const ValueName& v) { return v.value == code; });
            ASSERT_NE(named, f->names.end()) << list.field << " " << code;
            const std::string text = Text(list.file, list.prefix + std::to_string(position));
            EXPECT_EQ(named->name, Folded(text)) << list.field << " " << position;
        }
    }
    // Paper sizes keep the page's spelling: the language file keys them by it.
    for (const char* field : {"trayPaperSize", "bypassPaperSize"}) {
        for (const ValueName& v : FieldOf(kSetupRecord, field)->names) {
            EXPECT_EQ(Text("SETTINGS.ini", v.name), v.name) << field;
        }
    }
}

} // namespace
