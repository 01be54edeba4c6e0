// The panel's local sockets: private to the user, never replacing what is not
// a stale socket of its own.
#include "shell/qt_private_socket.h"

#include <gtest/gtest.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QString>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/platform/temp_dir.h"

namespace {

class PrivateSocketTest : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = qgetenv("XDG_RUNTIME_DIR"); }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", saved_); }

    // A socket file that nobody listens on, as a program that died leaves it.
    static void LeaveStaleSocket(const std::string& path) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }

    QByteArray saved_;
    TempDir dir;
};

TEST_F(PrivateSocketTest, RuntimeFolderIsTheUsersOwnPrivateOne) {
    const std::string runtime = dir.file("runtime");
    ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime));
    EXPECT_EQ(PrivateRuntimeDir().toStdString(), runtime);
    EXPECT_EQ(PrivateSocketPath("faxrcp").toStdString(), runtime + "/faxrcp");
    EXPECT_EQ(PrivateSocketPath("/elsewhere/x"), QString("/elsewhere/x"));

    // A folder others may enter is not used: the private fallback in /tmp is.
    ASSERT_EQ(::chmod(runtime.c_str(), 0777), 0);
    const QString fallback = PrivateRuntimeDir();
    EXPECT_EQ(fallback, QString("/tmp/faxrcp-%1").arg(::getuid()));
    struct stat st {};
    ASSERT_EQ(::lstat(fallback.toLocal8Bit().constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
}

TEST_F(PrivateSocketTest, OnlyAStaleSocketIsEverReplaced) {
    // Anything that is not a socket stays, and the listen fails.
    const std::string file = dir.write("not-a-socket", "keep me");
    QLocalServer onFile;
    EXPECT_FALSE(ListenPrivately(onFile, QString::fromStdString(file)));
    EXPECT_EQ(dir.read("not-a-socket"), "keep me");

    // A socket nobody answers on is taken over.
    const std::string path = dir.file("panel.sock");
    LeaveStaleSocket(path);
    QLocalServer first;
    ASSERT_TRUE(ListenPrivately(first, QString::fromStdString(path)));

    // A live one is left alone: the first still answers, as this user.
    QLocalServer second;
    EXPECT_FALSE(ListenPrivately(second, QString::fromStdString(path)));
    QLocalSocket client;
    client.connectToServer(QString::fromStdString(path));
    ASSERT_TRUE(client.waitForConnected(1000));
    EXPECT_TRUE(PeerIsThisUser(client.socketDescriptor()));
    EXPECT_FALSE(PeerIsThisUser(-1));
}

} // namespace
