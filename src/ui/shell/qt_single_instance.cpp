#include "shell/qt_single_instance.h"

#include "shell/qt_private_socket.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>
#include <unistd.h>

namespace {

// Request: "RAISE " + title in UTF-8 + "\n"; answer: "1\n" (brought forward) or "0\n".
const QByteArray kRequest = "RAISE ";
constexpr qsizetype kMaxRequest = 4096;
constexpr int kWindowPollMs = 50;

} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), serverName_(PrivateSocketPath(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerName() {
    // FAXRCP_INSTANCE keeps test runs apart from a panel the user has open.
    const QString over = qEnvironmentVariable("FAXRCP_INSTANCE");
    if (!over.isEmpty()) {
        return over;
    }
    return QStringLiteral("faxrcp-%1").arg(static_cast<qulonglong>(getuid()));
}

bool SingleInstance::BringForwardRunning(const QString& title, int timeoutMs) {
    if (serverName_.isEmpty()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    // Another user's socket in our place is no instance of ours.
    if (!socket.waitForConnected(timeoutMs) || !PeerIsThisUser(socket.socketDescriptor())) {
        return false;
    }
    socket.write(kRequest + title.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < 16) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(timeoutMs)) {
            return false;
        }
        answer += socket.read(16 - answer.size());
    }
    return answer.startsWith("1\n");
}

bool SingleInstance::Listen() {
    if (server_ != nullptr) {
        return server_->isListening();
    }
    server_ = new QLocalServer(this);
    if (!ListenPrivately(*server_, serverName_)) {
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (!PeerIsThisUser(socket->socketDescriptor())) {
                socket->abort();
                continue;
            }
            connect(socket, &QLocalSocket::readyRead, socket, [socket, wait = windowWaitMs_] {
                if (socket->bytesAvailable() > kMaxRequest) {
                    socket->abort();
                    return;
                }
                if (!socket->canReadLine()) {
                    return;
                }
                const QByteArray line = socket->readLine(kMaxRequest).chopped(1);
                if (!line.startsWith(kRequest)) {
                    Answer(socket, false);
                    return;
                }
                AnswerOnceShown(socket, QString::fromUtf8(line.mid(kRequest.size())), wait);
            });
        }
    });
    return true;
}

void SingleInstance::Answer(QLocalSocket* socket, bool done) {
    socket->write(done ? "1\n" : "0\n");
    socket->flush();
    socket->disconnectFromServer();
}

// A launch right after this one may ask before any window of ours is up:
// wait for one a little, then raise what there is.
void SingleInstance::AnswerOnceShown(QLocalSocket* socket, const QString& title, int msLeft) {
    if (BringForward(title) || (msLeft <= 0 && BringForward(QString()))) {
        Answer(socket, true);
        return;
    }
    if (msLeft <= 0) {
        Answer(socket, false);
        return;
    }
    QTimer::singleShot(kWindowPollMs, socket, [socket, title, msLeft] {
        AnswerOnceShown(socket, title, msLeft - kWindowPollMs);
    });
}

bool SingleInstance::BringForward(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || (!title.isNull() && w->windowTitle() != title)) {
            continue;
        }
        if (w->isMinimized()) {
            w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            w->show();
        } else {
            w->raise();
            w->activateWindow();
        }
        return true;
    }
    return false;
}
