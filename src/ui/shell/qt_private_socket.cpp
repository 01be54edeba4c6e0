#include "shell/qt_private_socket.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A waiting first instance answers at once; this only guards against a hang.
constexpr int kLiveCheckMs = 500;

bool IsPrivateFolderOfThisUser(const QByteArray& path) {
    struct stat st {};
    return !path.isEmpty() && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

} // namespace

QString PrivateRuntimeDir() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (IsPrivateFolderOfThisUser(runtime)) {
        return QFile::decodeName(runtime);
    }
    const QByteArray fallback = "/tmp/faxrcp-" + QByteArray::number(::getuid());
    // mkdir never follows a link someone else put there; the check below
    // refuses whatever is not our own private folder.
    ::mkdir(fallback.constData(), 0700);
    return IsPrivateFolderOfThisUser(fallback) ? QFile::decodeName(fallback) : QString();
}

QString PrivateSocketPath(const QString& name) {
    if (name.startsWith(QLatin1Char('/'))) {
        return name;
    }
    const QString dir = PrivateRuntimeDir();
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + name;
}

bool ListenPrivately(QLocalServer& server, const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    // Checked before listening: with its access options Qt renames the new
    // socket over whatever is in the way.
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            return false;
        }
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(kLiveCheckMs)) {
            return false;
        }
        QLocalServer::removeServer(path);
    }
    server.setSocketOptions(QLocalServer::UserAccessOption);
    return server.listen(path);
}

bool PeerIsThisUser(qintptr socketDescriptor) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return socketDescriptor >= 0 &&
           ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer,
                        &size) == 0 &&
           size == sizeof peer && peer.uid == ::getuid();
}
