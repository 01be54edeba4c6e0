// Runtime libraries by name: "NAME.dll" is libNAME.so, program folder first.
#include "platform/library.h"
#include "platform/program.h"
#include "support/platform/platform_fixture.h"
#include "support/platform/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using VariantFn = int (*)();
using AddFn = int (*)(int, int);

class LibraryTest : public PlatformTest {
  protected:
    void TearDown() override {
        for (auto handle : handles_) {
            platform::FreeLibrary(handle);
        }
        PlatformTest::TearDown();
    }

    // The program pretends to live in programDir.
    void PretendProgramIn(const std::string& dir) {
        platform::SetModuleFileNameForTests(dir + "/faxrcp");
    }

    platform::LibraryHandle Load(const std::string& name) {
        platform::LibraryHandle h = platform::LoadLibrary(name);
        if (h) {
            handles_.push_back(h);
        }
        return h;
    }

    static int Variant(platform::LibraryHandle h) {
        auto fn = reinterpret_cast<VariantFn>(platform::GetProcAddress(h, "FaxrcpTestLibVariant"));
        return fn ? fn() : -1;
    }

    TempDir programDir;

  private:
    std::vector<platform::LibraryHandle> handles_;
};

TEST_F(LibraryTest, SystemSearchWhenTheProgramDirectoryHasNone) {
    // Variant 1 lies beside the core library, where the normal search finds it.
    PretendProgramIn(programDir.path());
    EXPECT_EQ(Variant(Load("faxrcp_testlib.dll")), 1);
}

TEST_F(LibraryTest, ProgramDirectoryComesFirstAndOnlyDllNamesAreMapped) {
    std::filesystem::copy_file(FAXRCP_TESTLIB_V2, programDir.file("libfaxrcp_testlib.so"));
    PretendProgramIn(programDir.path());
    EXPECT_EQ(Variant(Load("faxrcp_testlib.dll")), 2);
    EXPECT_EQ(Variant(Load("faxrcp_testlib.DLL")), 2);
    EXPECT_EQ(Variant(Load(FAXRCP_TESTLIB_V2)), 2);
    EXPECT_EQ(Variant(Load("libfaxrcp_testlib.so")), 2);
    // "libNAME.so" is not what "NAME" means without the suffix.
    EXPECT_EQ(Load("faxrcp_testlib"), nullptr);
}

TEST_F(LibraryTest, EntryPointsAreLookedUpByExactName) {
    PretendProgramIn(programDir.path());
    auto h = Load("faxrcp_testlib.dll");
    ASSERT_NE(h, nullptr);
    auto add = reinterpret_cast<AddFn>(platform::GetProcAddress(h, "FaxrcpTestLibAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(40, 2), 42);
    EXPECT_EQ(platform::GetProcAddress(h, "faxrcptestlibadd"), nullptr);
    EXPECT_EQ(platform::GetProcAddress(h, "PortAcquire"), nullptr);
    EXPECT_EQ(platform::GetProcAddress(h, nullptr), nullptr);
    EXPECT_EQ(platform::GetProcAddress(nullptr, "FaxrcpTestLibAdd"), nullptr);
}

TEST_F(LibraryTest, MissingOrUnusableLibrariesGiveNull) {
    PretendProgramIn(programDir.path());
    EXPECT_EQ(Load("vexlink_not_here.dll"), nullptr);
    EXPECT_EQ(Load(""), nullptr);
    EXPECT_EQ(Load(std::string("faxrcp_testlib\0.dll", 19)), nullptr);
    EXPECT_EQ(Load(std::string(10000, 'a') + ".dll"), nullptr);
    // A file that is not a shared object, under the right name.
    programDir.write("libjunk.so", "this is not an ELF file");
    EXPECT_EQ(Load("junk.dll"), nullptr);
    platform::FreeLibrary(nullptr); // harmless
}

} // namespace
