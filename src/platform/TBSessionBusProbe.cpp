#include "TBSessionBusProbe.h"

#include "TBLog.h"

#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QString>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Values in bus addresses are %-escaped.
QByteArray unescaped(const QByteArray& value)
{
    return QByteArray::fromPercentEncoding(value);
}

// Waits for the events on the socket until the deadline; false on time-out or error.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd item {fd, events, 0};
        const int left = int(qMax<qint64>(0, deadline.remainingTime()));
        const int ready = ::poll(&item, 1, left);
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

enum class Connection { Unreachable, Answers, Silent };

Connection tryUnixSocket(const QByteArray& name, bool abstract, const QDeadlineTimer& deadline)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const qsizetype offset = abstract ? 1 : 0;
    if (name.isEmpty() || name.size() + offset >= qsizetype(sizeof(address.sun_path)))
        return Connection::Unreachable;
    std::memcpy(address.sun_path + offset, name.constData(), size_t(name.size()));
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + name.size() + (abstract ? 0 : 1));

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Connection::Unreachable;
    const auto finish = [fd](Connection result) {
        ::close(fd);
        return result;
    };
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        if (errno != EINPROGRESS && errno != EAGAIN)
            return finish(Connection::Unreachable);
        // A full backlog: the bus is there but not taking connections.
        if (!waitFor(fd, POLLOUT, deadline))
            return finish(Connection::Silent);
        int error = 0;
        socklen_t size = sizeof(error);
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return finish(Connection::Unreachable);
    }
    // The credentials byte, then the first line of the handshake; a bus answers OK or REJECTED.
    const QByteArray hello
        = QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(uint(::getuid())).toHex() + "\r\n";
    if (::send(fd, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL) != hello.size())
        return finish(Connection::Unreachable);
    // Any reply, or the bus closing the connection, is an answer: nobody will wait on it.
    return finish(waitFor(fd, POLLIN, deadline) ? Connection::Answers : Connection::Silent);
}

} // namespace

TBSessionBusProbe::Result TBSessionBusProbe::probe(const QByteArray& address, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // Clients try the addresses in order and use the first that connects.
    for (const QByteArray& entry : address.split(';')) {
        const qsizetype colon = entry.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray transport = entry.left(colon);
        if (transport != "unix")
            return Answers; // tcp, launchd, autolaunch...: not ours to judge
        QByteArray path;
        QByteArray abstract;
        for (const QByteArray& pair : entry.mid(colon + 1).split(',')) {
            if (pair.startsWith("path="))
                path = unescaped(pair.mid(5));
            else if (pair.startsWith("abstract="))
                abstract = unescaped(pair.mid(9));
        }
        if (path.isEmpty() && abstract.isEmpty())
            return Answers;
        switch (tryUnixSocket(path.isEmpty() ? abstract : path, path.isEmpty(), deadline)) {
        case Connection::Unreachable:
            continue;
        case Connection::Answers:
            return Answers;
        case Connection::Silent:
            return Silent;
        }
    }
    return NoBus;
}

TBSessionBusProbe::Result TBSessionBusProbe::avoidSilentBus(int timeoutMs)
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return NoBus;
    const Result result = probe(address, timeoutMs);
    if (result == Silent) {
        TBLog(QStringLiteral("The session bus at %1 does not answer; starting without it (no keyring, "
                             "no desktop theme)")
                  .arg(QString::fromLocal8Bit(address)));
        qputenv("DBUS_SESSION_BUS_ADDRESS", unreachableAddress);
    }
    return result;
}
