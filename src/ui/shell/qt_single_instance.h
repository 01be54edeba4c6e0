#pragma once
// One panel at a time. The first instance answers on a local socket from its
// first moment; a later start asks it to restore (when minimised) or raise its
// window titled with the application title, or, when that does not come up
// within a moment, whatever window it shows, and then ends.

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // The socket's name, in the user's private runtime folder unless it is an
    // absolute path; by default one per user (FAXRCP_INSTANCE overrides it).
    explicit SingleInstance(QString serverName = DefaultServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString DefaultServerName();

    // Asks a running instance to bring forward its window titled `title`.
    // True when it had one; false when none answers or it has no such window.
    // Waits at most timeoutMs for the answer.
    bool BringForwardRunning(const QString& title, int timeoutMs = 3000);

    // Starts answering later instances (a stale socket left by an instance
    // that died is replaced). False when the socket cannot be set up, or its
    // place holds a live socket or something that is not a socket.
    bool Listen();

    // What the running instance does with a request: bring forward the first
    // visible top-level window titled `title` (a null title: any); false when
    // there is none.
    static bool BringForward(const QString& title);

    // How long a request waits for a window titled so before any visible
    // window of this instance is raised instead (a launch during start-up).
    void SetWindowWait(int ms) { windowWaitMs_ = ms; }

  private:
    static void Answer(QLocalSocket* socket, bool done);
    static void AnswerOnceShown(QLocalSocket* socket, const QString& title, int msLeft);

    QString serverName_;
    int windowWaitMs_ = 1500;
    QLocalServer* server_ = nullptr;
};
