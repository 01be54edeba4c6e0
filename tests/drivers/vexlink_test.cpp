#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "link/driver_abi.h"
#include "support/platform/temp_dir.h"

extern char** environ;

namespace {

class VexlinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lib = dlopen((std::string(FAXRCP_BIN_DIR) + "/libvexlink.so").c_str(), RTLD_NOW);
        ASSERT_TRUE(lib) << dlerror();
        acquire = reinterpret_cast<PortAcquireFn>(dlsym(lib, "PortAcquire"));
        release = reinterpret_cast<PortReleaseFn>(dlsym(lib, "PortRelease"));
        ASSERT_TRUE(acquire && release);
        // An id of this test run only, so that nothing else on the host collides.
        id = 7000000 + int(::getpid() % 1000000);
    }
    void TearDown() override {
        if (release) {
            release(id);
        }
        ::unlink(LockPath().c_str());
        if (lib) {
            dlclose(lib);
        }
    }

    static std::string LockPathFor(int n) {
        const char* over = std::getenv("FAXRCP_LOCK_DIR");
        const std::string dir = over && *over                      ? over
                                : ::access("/run/lock", W_OK) == 0 ? "/run/lock"
                                                                   : "/tmp";
        return dir + "/faxrcp-port-" + std::to_string(n) + ".lock";
    }
    std::string LockPath() const { return LockPathFor(id); }

    // Another process asks for the port: 1 granted, 0 refused. With a user
    // id, that user's process (the test runs as root then).
    int OtherProcessAcquires(uid_t user = 0) {
        const std::string probe = VEXLINK_PROBE;
        std::string libPath = std::string(FAXRCP_BIN_DIR) + "/libvexlink.so";
        std::string idText = std::to_string(id);
        char* argv[] = {const_cast<char*>(probe.c_str()), libPath.data(), idText.data(), nullptr};
        pid_t pid = 0;
        if (user != 0) {
            pid = ::fork();
            if (pid == 0) {
                if (::setuid(user) == 0) {
                    ::execv(probe.c_str(), argv);
                }
                _exit(1);
            }
        } else if (::posix_spawn(&pid, probe.c_str(), nullptr, nullptr, argv, environ) != 0) {
            return -1;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) - 10 : -1;
    }

    void* lib = nullptr;
    PortAcquireFn acquire = nullptr;
    PortReleaseFn release = nullptr;
    int id = 0;
};

TEST_F(VexlinkTest, PortIsExclusiveAcrossProcessesPerIdUntilReleased) {
    EXPECT_EQ(release(id), 0); // nothing to release yet
    EXPECT_EQ(acquire(id), 1);
    EXPECT_EQ(acquire(id), 1);     // already ours
    // Different ids do not compete. Not id + 1: that is the id of a test
    // process started just after this one.
    const int other = id + 1000000;
    EXPECT_EQ(acquire(other), 1);
    EXPECT_EQ(release(other), 1);
    ::unlink(LockPathFor(other).c_str());
    EXPECT_EQ(OtherProcessAcquires(), 0);
    EXPECT_EQ(release(id), 1);
    EXPECT_EQ(release(id), 0);
    EXPECT_EQ(OtherProcessAcquires(), 1);
    // The other process ended, and its lock with it.
    EXPECT_EQ(acquire(id), 1);
}

TEST_F(VexlinkTest, LockFileIsNamedAfterTheIdAndHonouredByOthers) {
    EXPECT_EQ(acquire(id), 1);
    const int fd = ::open(LockPath().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << LockPath();
    EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(release(id), 1);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    // Now the other holder has it: the library is refused, and names it
    // (a program of this user: this test).
    EXPECT_EQ(acquire(id), 0);
    auto holder = reinterpret_cast<PortHolderFn>(dlsym(lib, "PortHolder"));
    ASSERT_TRUE(holder);
    char name[64] = {};
    std::string self;
    std::getline(std::ifstream("/proc/self/comm"), self);
    EXPECT_EQ(holder(id, name, sizeof name), 1);
    EXPECT_EQ(name, self);
    ::close(fd);
    EXPECT_EQ(holder(id, name, sizeof name), 0); // nobody holds it
    EXPECT_EQ(acquire(id), 1);
}

TEST_F(VexlinkTest, LockFolderMayBeChosenByTheEnvironment) {
    TempDir dir;
    {
        ScopedEnv lockDir("FAXRCP_LOCK_DIR", dir.path());
        EXPECT_EQ(acquire(id), 1);
        const int fd = ::open(dir.file("faxrcp-port-" + std::to_string(id) + ".lock").c_str(),
                              O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
        EXPECT_EQ(release(id), 1);
    }
    // Elsewhere the same id is a different lock.
    EXPECT_EQ(acquire(id), 1);
}

// Lock files of every user stay usable by the others: made readable for all
// whatever the umask, and one that another user left unreadable is free
// unless a live process holds it.
TEST_F(VexlinkTest, LockFilesOfOtherUsersNeverBlockThePortForGood) {
    TempDir dir;
    ScopedEnv lockDir("FAXRCP_LOCK_DIR", dir.path());
    const mode_t umaskBefore = ::umask(077);
    EXPECT_EQ(acquire(id), 1);
    ::umask(umaskBefore);
    struct stat st {};
    ASSERT_EQ(::stat(LockPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    if (::geteuid() != 0) {
        GTEST_SKIP() << "another user's view needs root";
    }
    ASSERT_EQ(::chmod(LockPath().c_str(), 0600), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    EXPECT_EQ(OtherProcessAcquires(65534), 0);
    EXPECT_EQ(release(id), 1);
    EXPECT_EQ(OtherProcessAcquires(65534), 1);
}

} // namespace
