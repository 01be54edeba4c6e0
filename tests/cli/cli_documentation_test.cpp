// What ships beside faxrcp-cli follows the tool: the bash completion (its
// field lists written by the build) offers its commands, field names and
// value names, and the manual page renders cleanly and names every command,
// field, value and exit status.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_command.h"
#include "protocol/record_registry.h"
#include "protocol/record_table.h"
#include "support/platform/temp_dir.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Standard output (and, with both, standard error) of a shell command.
std::string Shell(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return output;
}

// What the completion offers for each command line typed so far, in bash
// with its default word breaks.
std::map<std::string, std::set<std::string>> Offers(const std::vector<std::string>& lines) {
    TempDir dir;
    std::string script = "source '" FAXRCP_COMPLETION "'\n";
    for (const std::string& line : lines) {
        script += "COMP_LINE='" + line +
                  "'; COMP_POINT=${#COMP_LINE}; COMPREPLY=(); _faxrcp_cli\n"
                  "printf '%s\\n' \"${COMPREPLY[@]}\"; echo '--end--'\n";
    }
    std::istringstream out(Shell("bash " + dir.write("complete.sh", script) + " 2>&1"));
    std::map<std::string, std::set<std::string>> offers;
    size_t i = 0;
    for (std::string word; i < lines.size() && std::getline(out, word);) {
        if (word == "--end--") {
            ++i;
        } else if (!word.empty()) {
            offers[lines[i]].insert(word);
        }
    }
    EXPECT_EQ(i, lines.size()) << "bash did not complete every line";
    return offers;
}

TEST(CliDocumentation, CompletionOffersCommandsFieldsAndValueNames) {
    std::set<std::string> top;
    std::map<std::string, std::set<std::string>> second;
    for (const cli::Command& c : cli::Commands()) {
        top.insert(c.words[0]);
        if (c.words.size() > 1) {
            second[c.words[0]].insert(c.words[1]);
        }
    }
    std::vector<std::string> lines = {"faxrcp-cli ", "faxrcp-cli -v --device sim: setup g",
                                      "faxrcp-cli setup set trayPaperSize=A", "faxrcp-cli --js"};
    for (const auto& [group, words] : second) {
        lines.push_back("faxrcp-cli " + group + " ");
    }
    for (const RecordEntry& r : RecordRegistry()) {
        const std::string get = r.descriptor.settable ? " get " : " ";
        lines.push_back(std::string("faxrcp-cli ") + r.name + get);
        if (r.descriptor.settable) {
            lines.push_back(std::string("faxrcp-cli ") + r.name + " set ");
            for (const FieldDescriptor& f : r.descriptor.fields) {
                lines.push_back(std::string("faxrcp-cli ") + r.name + " set " + f.name + "=");
            }
        }
    }
    lines.push_back("faxrcp-cli --all setup get ");
    auto offers = Offers(lines);

    EXPECT_EQ(offers["faxrcp-cli "], top);
    for (const auto& [group, words] : second) {
        EXPECT_EQ(offers["faxrcp-cli " + group + " "], words) << group;
    }
    EXPECT_EQ(offers["faxrcp-cli -v --device sim: setup g"], std::set<std::string>{"get"});
    EXPECT_EQ(offers["faxrcp-cli setup set trayPaperSize=A"],
              (std::set<std::string>{"A4", "A5", "A6"}));
    EXPECT_EQ(offers["faxrcp-cli --js"], std::set<std::string>{"--json"});
    EXPECT_EQ(offers["faxrcp-cli --all setup get "].size(), std::size(record_table::kSetupFields));
    for (const RecordEntry& r : RecordRegistry()) {
        std::set<std::string> names, assignments;
        for (const FieldDescriptor& f : r.descriptor.fields) {
            // The reserved fields only with --all.
            if (std::string_view(f.name).starts_with("reserved")) {
                continue;
            }
            names.insert(f.name);
            assignments.insert(std::string(f.name) + "=");
            // After "=" bash keeps the name: the value names alone.
            std::set<std::string> values;
            for (const ValueName& v : f.names) {
                values.insert(v.name);
            }
            const std::string line = std::string("faxrcp-cli ") + r.name + " set " + f.name + "=";
            EXPECT_EQ(offers[line], values) << line;
        }
        const std::string get = r.descriptor.settable ? " get " : " ";
        EXPECT_EQ(offers[std::string("faxrcp-cli ") + r.name + get], names) << r.name;
        if (r.descriptor.settable) {
            EXPECT_EQ(offers[std::string("faxrcp-cli ") + r.name + " set "], assignments);
        }
    }
}

TEST(CliDocumentation, ManualPageRendersCleanlyAndNamesEverything) {
    const std::string page = FAXRCP_CLI_MAN_PAGE;
    EXPECT_EQ(Shell("groff -man -Tutf8 -wall '" + page + "' 2>&1 >/dev/null || echo failed"), "");

    // The source with its hyphens plain, fonts left out.
    std::string text;
    const std::string source = ReadText(page);
    for (size_t i = 0; i < source.size(); ++i) {
        if (source.compare(i, 2, "\\-") == 0) {
            text += '-';
            ++i;
        } else if (source.compare(i, 2, "\\f") == 0 && i + 2 < source.size()) {
            i += 2;
        } else {
            text += source[i];
        }
    }
    ASSERT_FALSE(text.empty());
    const auto named = [&text](const std::string& word) {
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
            const auto edge = [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); };
            if ((at == 0 || edge(text[at - 1])) &&
                (at + word.size() == text.size() || edge(text[at + word.size()]))) {
                return true;
            }
        }
        return false;
    };
    for (const cli::Command& c : cli::Commands()) {
        std::string words;
        for (const std::string& w : c.words) {
            words += (words.empty() ? "" : " ") + w;
        }
        EXPECT_TRUE(named(words)) << words;
    }
    for (const RecordEntry& r : RecordRegistry()) {
        for (const FieldDescriptor& f : r.descriptor.fields) {
            EXPECT_TRUE(named(f.name)) << f.name;
            for (const ValueName& v : f.names) {
                EXPECT_TRUE(named(v.name)) << f.name << "=" << v.name;
            }
        }
    }
    for (const char* option : {"--help", "--version", "--verbose", "--trace", "--device", "--json",
                               "--all", "--wait", "--yes", "FAXRCP_USB_PORT"}) {
        EXPECT_TRUE(named(option)) << option;
    }
    const size_t exits = text.find(".SH EXIT STATUS");
    ASSERT_NE(exits, std::string::npos);
    for (int status : {cli::kExitOk, cli::kExitNotResponding, cli::kExitUsage, cli::kExitPortBusy,
                       cli::kExitDevice}) {
        EXPECT_NE(text.find(".B " + std::to_string(status) + "\n", exits), std::string::npos)
            << status;
    }
}

} // namespace
