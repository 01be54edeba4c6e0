#pragma once
// Local sockets that only the user who runs the panel can reach: the single
// instance's and the automation socket. They live in the user's runtime
// folder, never replace a file that is not a socket, never take over a socket
// that still answers, and talk only to peers of the same user.

#include <QString>

class QLocalServer;

// XDG_RUNTIME_DIR when it is the user's own private folder, else
// /tmp/faxrcp-UID created private (0700). Empty when neither is safe.
QString PrivateRuntimeDir();

// name itself when it is an absolute path, else name in PrivateRuntimeDir()
// (empty when there is none).
QString PrivateSocketPath(const QString& name);

// Listens on path for this user only. A socket left there by a program that
// died is replaced; a socket that answers, or anything that is not a socket,
// is left alone and the listen fails.
bool ListenPrivately(QLocalServer& server, const QString& path);

// True when the other end of the connected socket runs as this user.
bool PeerIsThisUser(qintptr socketDescriptor);
