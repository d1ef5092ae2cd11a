// SPDX-License-Identifier: MIT
#include "pimsync.h"

#include "engineutility.h"
#include "systemtexts.h"

#include <QFile>
#include <QHash>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace PimSync {

namespace {
QHash<dev_t, QByteArray> &pending()
{
    static QHash<dev_t, QByteArray> devices;
    return devices;
}
int &liveNamespaces()
{
    static int count = 0;
    return count;
}
} // namespace

void noteWrite(dev_t device, const QByteArray &directory)
{
    if (!pending().contains(device))
        pending().insert(device, directory);
}

QString syncAll()
{
    QString failure;
    const QHash<dev_t, QByteArray> devices = std::exchange(pending(), {});
    for (const QByteArray &directory : devices) {
        const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0) {
            failure = QStringLiteral("The file system of \"%1\" could not be synced: %2")
                          .arg(QFile::decodeName(directory), QString::fromLocal8Bit(strerror(errno)));
        }
        if (fd >= 0)
            ::close(fd);
    }
    return failure;
}

void namespaceOpened() { ++liveNamespaces(); }

bool namespaceClosed()
{
    if (--liveNamespaces() > 0)
        return false;
    if (pending().isEmpty())
        return true;
    const QString failure = syncAll();
    if (!failure.isEmpty())
        engineUtility().LogMessage(failure, 0, QLatin1String(Texts::PimSource));
    return true;
}

} // namespace PimSync
