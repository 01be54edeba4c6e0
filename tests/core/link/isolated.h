#pragma once
// Tests of a run-time library that is missing altogether. In the build folder
// the stand-in libraries lie beside the core library, where the system search
// finds them whatever folder a test makes the program's. So these tests run
// in a copy of the test program, in a fresh folder that holds nothing but the
// program and the core and platform libraries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/platform/temp_dir.h"

namespace fakes {

// Runs the tests matching filter (disabled ones, named DISABLED_...) in the
// isolated copy; returns their output when any failed, else an empty text.
inline ::testing::AssertionResult RunIsolated(const std::string& filter) {
    namespace fs = std::filesystem;
    TempDir dir;
    std::error_code error;
    fs::copy_file(fs::read_symlink("/proc/self/exe"), dir.file("isolated_tests"), error);
    for (const char* library : {"libfaxrcp_core.so", "libfaxrcp_platform.so"}) {
        if (!error) {
            fs::copy_file(std::string(FAXRCP_BIN_DIR) + "/" + library, dir.file(library), error);
        }
    }
    if (error) {
        return ::testing::AssertionFailure() << "cannot copy the test program: " << error.message();
    }
    const std::string command = "'" + dir.file("isolated_tests") +
                                "' --gtest_also_run_disabled_tests '--gtest_filter=" + filter +
                                "' >'" + dir.file("output") + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string output = dir.read("output");
    if (status != 0) {
        return ::testing::AssertionFailure() << output;
    }
    if (output.find("[  PASSED  ] 0 tests") != std::string::npos) {
        return ::testing::AssertionFailure() << "no test matched " << filter;
    }
    return ::testing::AssertionSuccess();
}

} // namespace fakes
