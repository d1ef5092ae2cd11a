// SPDX-License-Identifier: MIT
#include "pimitem.h"

#include "engineutility.h"
#include "quenlockerror.h"
#include "pimfields.h"
#include "pimsync.h"
#include "systemtexts.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <fcntl.h>
#include <sys/uio.h>
#include <vector>
#include <unistd.h>

namespace {
constexpr qint64 maximumSize = 64 * 1024 * 1024;

QString systemError() { return QString::fromLocal8Bit(strerror(errno)); }

// The files this process's saves replaced, newest last, by device and inode:
// an item read ahead is read again only when its file is among those
// replaced since it was read (a link to an item saved just before), instead
// of asking the disk about every item (a stat per item, 2 us of the run's
// thread). Other programs' changes are found by the save, as before.
struct Replaced
{
    dev_t device;
    ino_t inode;
};
std::mutex replacedMutex;
std::deque<Replaced> replacedFiles;
quint64 replacedDropped = 0; // entries no longer kept, before the first kept
constexpr size_t ReplacedKept = 4096;

quint64 replacedSoFar()
{
    const std::lock_guard<std::mutex> lock(replacedMutex);
    return replacedDropped + replacedFiles.size();
}

void noteReplaced(const struct stat &old)
{
    const std::lock_guard<std::mutex> lock(replacedMutex);
    replacedFiles.push_back({old.st_dev, old.st_ino});
    if (replacedFiles.size() > ReplacedKept) {
        replacedFiles.pop_front();
        ++replacedDropped;
    }
}

// Whether the file read was replaced since `since`; nullopt when the
// entries of that time are no longer kept.
std::optional<bool> replacedSince(quint64 since, const struct stat &read)
{
    const std::lock_guard<std::mutex> lock(replacedMutex);
    if (since < replacedDropped)
        return std::nullopt;
    for (size_t i = size_t(since - replacedDropped); i < replacedFiles.size(); ++i)
        if (replacedFiles[i].device == read.st_dev && replacedFiles[i].inode == read.st_ino)
            return true;
    return false;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

QByteArray readAll(const QByteArray &path, struct stat *st)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw QuenlockError(systemError());
    QByteArray bytes;
    try {
        if (::fstat(fd, st) != 0)
            throw QuenlockError(systemError());
        if (!S_ISREG(st->st_mode))
            throw QuenlockError(QStringLiteral("it is not a regular file"));
        if (st->st_size > maximumSize)
            throw QuenlockError(QStringLiteral("it is larger than 64 MiB"));
        bytes.resize(qsizetype(st->st_size));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw QuenlockError(systemError());
            if (got == 0)
                break;
            done += got;
        }
        bytes.truncate(done);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return bytes;
}

// One writev for the pieces of a file (a short write goes on where it stopped).
void writeAll(int fd, const QList<QByteArrayView> &pieces)
{
    std::vector<iovec> parts;
    parts.reserve(size_t(pieces.size()));
    for (const QByteArrayView &p : pieces)
        if (!p.isEmpty())
            parts.push_back({const_cast<char *>(p.data()), size_t(p.size())});
    size_t at = 0;
    while (at < parts.size()) {
        const ssize_t put = ::writev(fd, parts.data() + at, int(qMin<size_t>(parts.size() - at, IOV_MAX)));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw QuenlockError(systemError());
        for (size_t left = size_t(put); left > 0;) {
            const size_t step = qMin(left, parts[at].iov_len);
            parts[at].iov_base = static_cast<char *>(parts[at].iov_base) + step;
            parts[at].iov_len -= step;
            left -= step;
            at += parts[at].iov_len == 0;
        }
    }
}
} // namespace

std::shared_ptr<PimItem> PimItem::open(std::shared_ptr<const Pim::Store> store,
                                       const QByteArray &dir, const QByteArray &fileName)
{
    std::shared_ptr<PimItem> item = read(std::move(store), dir, fileName);
    item->report();
    return item;
}

std::shared_ptr<PimItem> PimItem::read(std::shared_ptr<const Pim::Store> store,
                                       const QByteArray &dir, const QByteArray &fileName)
{
    std::shared_ptr<PimItem> item(new PimItem);
    item->m_dir = dir;
    item->m_fileName = fileName;
    item->m_store = std::move(store);
    item->m_target = dir + '/' + fileName;
    // Taken before the file is opened: a save that replaces it after this
    // is one unchangedSinceRead() finds.
    item->m_replacedBefore = replacedSoFar();
    try {
        item->m_document.emplace(readAll(item->m_target, &item->m_stat));
        PimFields::locateFields(*item->m_document);
    } catch (const QuenlockError &e) {
        item->m_document.reset();
        item->m_unreadable = e.description();
    }
    return item;
}

void PimItem::report() const
{
    if (!m_document)
        engineUtility().LogMessage(QStringLiteral("The file \"%1\" cannot be read: %2")
                                       .arg(path(), m_unreadable),
                                   0, QLatin1String(Texts::PimSource));
}

bool PimItem::unchangedSinceRead() const
{
    if (!m_document)
        return false;
    std::optional<bool> replaced = replacedSince(m_replacedBefore, m_stat);
    if (replaced)
        return !*replaced;
    struct stat now{};
    return ::stat(m_target.constData(), &now) == 0 && sameFile(now, m_stat);
}

VDocument *PimItem::document() { return m_document ? &*m_document : nullptr; }

QString PimItem::TypeName() const
{
    if (!m_document)
        return QString::fromLatin1(OlTypeName::Unreadable);
    if (const ItemKinds::Kind *kind = PimFields::kindOf(*m_document))
        return QString::fromLatin1(kind->typeName);
    return QString::fromLatin1(m_document->kind() == VDocument::Kind::DistList ? OlTypeName::DistList
                                                                               : OlTypeName::Journal);
}

QString PimItem::fileName() const { return QFile::decodeName(m_fileName); }

QString PimItem::path() const { return QFile::decodeName(m_dir + '/' + m_fileName); }

void PimItem::save()
{
    if (!document())
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be read").arg(path()));
    if (!m_document->isModified())
        return;
    checkUnchangedOnDisk();
    PimFields::touchRevision(*m_document);
    struct stat written{};
    const QByteArray temporary = writeTemporary(m_document->pieces(), written);
    try {
        // The host makes its undo records durable here, before the change they describe.
        if (m_store->beforeReplace)
            m_store->beforeReplace();
    } catch (...) {
        ::unlink(temporary.constData());
        throw;
    }
    if (::rename(temporary.constData(), m_target.constData()) != 0) {
        const QString reason = systemError();
        ::unlink(temporary.constData());
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), reason));
    }
    noteReplaced(m_stat);
    m_stat = written;
    PimSync::noteWrite(m_stat.st_dev, m_store->path);
    // The document already reads as the file now is: no second copy of the
    // text is kept or parsed.
    m_document->markSaved();
}

// Refuses when the file changed since it was read; a link is followed, so
// saving replaces the file it points at, not the link.
void PimItem::checkUnchangedOnDisk()
{
    struct stat now{};
    const bool found = ::lstat(m_target.constData(), &now) == 0;
    if (found && S_ISLNK(now.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(m_target.constData(), resolved))
            throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), systemError()));
        m_target = resolved;
    }
    if ((!found || S_ISLNK(now.st_mode)) && ::stat(m_target.constData(), &now) != 0)
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), systemError()));
    if (!sameFile(now, m_stat))
        throw QuenlockError(QStringLiteral("The file \"%1\" was changed by another program after it "
                                           "was read; it was not saved").arg(path()));
}

// Writes the pieces to a temporary file beside the item (same file system, so the
// rename is atomic; its ".tmp" ending keeps readers of the collection off
// it) with the item's permissions, and answers its name. written is what
// the item will be after the rename (a rename keeps the inode, its size and
// its modification time). On failure nothing is left behind.
QByteArray PimItem::writeTemporary(const QList<QByteArrayView> &pieces, struct stat &written)
{
    const qsizetype slash = m_target.lastIndexOf('/');
    const QByteArray directory = m_target.left(slash);
    static unsigned counter = 0;
    static const QByteArray pid = QByteArray::number(::getpid());
    const QByteArray temporary = directory + "/." + m_target.mid(slash + 1) + '.' + pid + '.'
                               + QByteArray::number(++counter) + ".tmp";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), systemError()));
    bool open = true;
    try {
        writeAll(fd, pieces);
        if (::fchmod(fd, m_stat.st_mode & 07777) != 0)
            throw QuenlockError(systemError());
        if (::fstat(fd, &written) != 0)
            throw QuenlockError(systemError());
        open = false;
        if (::close(fd) != 0)
            throw QuenlockError(systemError());
    } catch (const QuenlockError &e) {
        if (open)
            ::close(fd);
        ::unlink(temporary.constData());
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), e.description()));
    }
    return temporary;
}
