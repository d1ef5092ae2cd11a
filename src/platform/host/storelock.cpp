// SPDX-License-Identifier: MIT
#include "storelock.h"

#include "enginepaths.h"
#include "logdbsupport.h"
#include "quenlockerror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// As long as a log write waits for another program's lock on the database.
constexpr int WaitMs = LogDb::BusyTimeoutMs;
constexpr int RetryMs = 50;
} // namespace

std::shared_ptr<void> StoreLock::take(const QString &storeId)
{
    const QString folder = EnginePaths::stateDir() + QStringLiteral("/locks");
    const QByteArray name =
        QCryptographicHash::hash(storeId.toUtf8(), QCryptographicHash::Sha1).toHex() + ".lock";
    if (!QDir().mkpath(folder))
        throw QuenlockError(QStringLiteral("Cannot create the folder %1").arg(folder));
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        throw QuenlockError(QStringLiteral("Cannot open the lock file %1: %2")
                                .arg(QFile::decodeName(path), QString::fromLocal8Bit(strerror(errno))));
    for (int waited = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; waited += RetryMs) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= WaitMs) {
            ::close(fd);
            throw QuenlockError(QStringLiteral("Another run is changing this store"));
        }
        QThread::msleep(RetryMs);
    }
    // The store's id in the file, for whoever looks at the folder.
    if (::ftruncate(fd, 0) == 0) {
        const QByteArray id = storeId.toUtf8() + '\n';
        [[maybe_unused]] const ssize_t written = ::write(fd, id.constData(), size_t(id.size()));
    }
    return std::shared_ptr<void>(new int(fd), [](void *held) {
        const int *descriptor = static_cast<int *>(held);
        ::close(*descriptor); // closing lets go of the lock
        delete descriptor;
    });
}
