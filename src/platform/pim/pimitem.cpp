// SPDX-License-Identifier: MIT
#include "pimitem.h"

#include "engineutility.h"
#include "quenlockerror.h"
#include "pimfields.h"
#include "pimsync.h"
#include "savewriters.h"
#include "safeitem.h"
#include "systemtexts.h"

#include <QFile>
#include <QScopeGuard>
#include <atomic>
#include <utility>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <fcntl.h>
#include <sys/uio.h>
#include <vector>
#include <unistd.h>

namespace {
constexpr qint64 maximumSize = MaximumItemBytes;

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

// Why a link found where the listing had a file is not followed: the line
// the listing gives a link that leads out of the store, when it does.
QString linkRefusal(const Pim::Directory &dir, const QByteArray &name, const Pim::Store &store)
{
    return Pim::insideStore(dir.path + '/' + name, store)
        ? QStringLiteral("it became a symbolic link after the folder was listed")
        : QStringLiteral("it is a symbolic link that leads out of the store");
}

// Opened relative to the folder's descriptor and never through a link;
// O_NONBLOCK keeps a named pipe put in its place from hanging the run.
QByteArray readAll(const Pim::Directory &dir, const QByteArray &name, struct stat *st, bool *isLink)
{
    const int fd = ::openat(dir.fd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *isLink = errno == ELOOP;
        throw QuenlockError(systemError());
    }
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
                                       std::shared_ptr<Pim::Directory> dir, const QByteArray &fileName)
{
    std::shared_ptr<PimItem> item = read(std::move(store), std::move(dir), fileName);
    item->report();
    return item;
}

std::shared_ptr<PimItem> PimItem::read(std::shared_ptr<const Pim::Store> store,
                                       std::shared_ptr<Pim::Directory> dir, const QByteArray &fileName)
{
    std::shared_ptr<PimItem> item(new PimItem);
    item->m_folder = dir;
    item->m_fileName = fileName;
    item->m_home = std::move(dir);
    item->m_homeName = fileName;
    item->m_store = std::move(store);
    // Taken before the file is opened: a save that replaces it after this
    // is one unchangedSinceRead() finds.
    item->m_replacedBefore = replacedSoFar();
    bool isLink = false;
    try {
        // An item listed as a link inside the store is the file it led to then.
        const auto link = item->m_folder->links.find(fileName);
        if (link != item->m_folder->links.cend()) {
            const qsizetype slash = link->second.lastIndexOf('/');
            item->m_home = Pim::Directory::open(link->second.left(slash));
            item->m_homeName = link->second.mid(slash + 1);
        }
        item->m_document.emplace(readAll(*item->m_home, item->m_homeName, &item->m_stat, &isLink));
        PimFields::locateFields(*item->m_document);
    } catch (const QuenlockError &e) {
        item->m_document.reset();
        item->m_linkRefused = isLink;
        item->m_unreadable = isLink ? linkRefusal(*item->m_home, item->m_homeName, *item->m_store) : e.description();
    }
    return item;
}

std::shared_ptr<PimItem> PimItem::fromBytes(std::shared_ptr<const Pim::Store> store,
                                            const QByteArray &location, const QByteArray &name,
                                            const QByteArray &bytes, const QString &failure,
                                            SaveElsewhere saveElsewhere)
{
    std::shared_ptr<PimItem> item(new PimItem);
    // No folder on disk: its path names where the item is kept.
    auto place = std::make_shared<Pim::Directory>();
    place->path = location;
    item->m_folder = item->m_home = place;
    item->m_fileName = item->m_homeName = name;
    item->m_store = std::move(store);
    item->m_saveElsewhere = std::move(saveElsewhere);
    item->m_unreadable = failure;
    if (failure.isEmpty() && bytes.size() > maximumSize)
        item->m_unreadable = QStringLiteral("it is larger than 64 MiB");
    if (!item->m_unreadable.isEmpty())
        return item;
    try {
        item->m_document.emplace(bytes);
        PimFields::locateFields(*item->m_document);
    } catch (const QuenlockError &e) {
        item->m_document.reset();
        item->m_unreadable = e.description();
    }
    return item;
}

void PimItem::report() const
{
    if (m_linkRefused)
        engineUtility().LogMessage(QStringLiteral("The entry \"%1\" was skipped: %2").arg(path(), m_unreadable), 0,
                                   QLatin1String(Texts::PimSource));
    else if (!m_document)
        engineUtility().LogMessage(QStringLiteral("The file \"%1\" cannot be read: %2")
                                       .arg(path(), m_unreadable),
                                   0, QLatin1String(Texts::PimSource));
}

bool PimItem::unchangedSinceRead() const
{
    if (!m_document)
        return false;
    if (!m_saveElsewhere)
        Pim::SaveWriters::instance().waitFor(m_stat.st_dev, m_stat.st_ino);
    std::optional<bool> replaced = replacedSince(m_replacedBefore, m_stat);
    if (replaced)
        return !*replaced;
    struct stat now{};
    return ::fstatat(m_home->fd, m_homeName.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(now, m_stat);
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

QString PimItem::path() const { return QFile::decodeName(m_folder->path + '/' + m_fileName); }

namespace {
// An item's save as its caller sees it: the store's write under way, then
// the item's own bookkeeping on the caller's thread.
class ItemSave final : public SaveInFlight
{
public:
    ItemSave(PimItem::SaveUnderWay way, std::function<void()> saved)
        : m_way(std::move(way)), m_saved(std::move(saved))
    {
    }
    // The write must not outlive the item it reads.
    ~ItemSave() override
    {
        try {
            finish();
        } catch (...) {
        }
    }
    bool ended() const override { return m_finished || m_way.ended(); }
    bool failed() const override { return !m_finished && m_way.failed(); }
    void finish() override
    {
        if (std::exchange(m_finished, true))
            return;
        m_way.finish();
        m_saved();
    }

private:
    PimItem::SaveUnderWay m_way;
    std::function<void()> m_saved;
    bool m_finished = false;
};
} // namespace

void PimItem::save()
{
    if (const std::unique_ptr<SaveInFlight> saving = startSave())
        saving->finish();
}

std::unique_ptr<SaveInFlight> PimItem::startSave()
{
    if (!document())
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be read").arg(path()));
    if (!m_document->isModified())
        return nullptr;
    m_store->hold();
    PimFields::touchRevision(*m_document);
    // What grew past the limit could not be read back, nor its change undone.
    qint64 size = 0;
    for (const QByteArrayView &piece : m_document->pieces())
        size += piece.size();
    if (size > maximumSize)
        throw QuenlockError(QStringLiteral("The file \"%1\" was not saved: it would be larger than 64 MiB").arg(path()));
    SaveUnderWay way;
    if (m_saveElsewhere) {
        QByteArray text;
        for (const QByteArrayView &piece : m_document->pieces())
            text.append(piece);
        if (m_store->beforeReplace)
            m_store->beforeReplace();
        way = m_saveElsewhere(text);
    } else {
        way = writeFile();
    }
    // The document already reads as the item now is: no second copy of the
    // text is kept or parsed.
    return std::make_unique<ItemSave>(std::move(way), [this] { m_document->markSaved(); });
}

// The host's hook makes the undo records durable on this thread, for a
// group of saves; a writer thread then writes the temporary file and puts
// it in the item's place.
PimItem::SaveUnderWay PimItem::writeFile()
{
    auto written = std::make_shared<struct stat>();
    const std::shared_ptr<Pim::WriteTicket> ticket = Pim::SaveWriters::instance().submit(
        m_stat.st_dev, m_stat.st_ino, m_stat.st_size, m_store->beforeReplace, [this, written] {
            std::call_once(m_home->swept, [this] { Pim::removeStaleTemporaries(*m_home); });
            replaceWith(writeTemporary(m_document->pieces(), *written));
            noteReplaced(m_stat);
        });
    return {[ticket] { return ticket->ended(); }, [ticket] { return ticket->failed(); },
            [this, ticket, written] {
                ticket->finish();
                m_stat = *written;
                PimSync::noteWrite(m_stat.st_dev, m_store->path);
            }};
}

// The item is replaced only while it is still the file that was read. The
// kernel exchanges the two names at once, and the check is made on the
// file swapped out: nothing another program does can slip in between the
// check and the rename. When it is not the file read, the exchange is undone.
// Where no exchange is offered (some file systems), the check comes right
// before the rename, and the few microseconds between them stay open.
void PimItem::replaceWith(const QByteArray &temporary)
{
    const int dir = m_home->fd;
    const char *const fresh = temporary.constData(), *const name = m_homeName.constData();
    // Whatever is under the temporary name when the save ends goes: the old
    // file after an exchange, else the text not saved.
    auto drop = qScopeGuard([&] { ::unlinkat(dir, fresh, 0); });
    if (::renameat2(dir, fresh, dir, name, RENAME_EXCHANGE) == 0) {
        struct stat old{};
        const bool found = ::fstatat(dir, fresh, &old, AT_SYMLINK_NOFOLLOW) == 0;
        if (found && sameFile(old, m_stat))
            return;
        if (::renameat2(dir, fresh, dir, name, RENAME_EXCHANGE) != 0) {
            drop.dismiss();
            m_document.reset(); // what is on disk is no longer what was read
            throw QuenlockError(QStringLiteral("The file \"%1\" was changed by another program while it was "
                                               "saved; that program's version is kept as \"%2\"")
                                    .arg(path(), QFile::decodeName(m_home->path + '/' + temporary)));
        }
        refuseChanged(found ? &old : nullptr);
    }
    const int why = errno;
    if (why == ENOENT)
        refuseChanged(nullptr);
    if (why != EINVAL && why != ENOSYS && why != EOPNOTSUPP)
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2")
                                .arg(path(), QString::fromLocal8Bit(strerror(why))));
    checkUnchangedOnDisk();
    if (::renameat(dir, fresh, dir, name) != 0)
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), systemError()));
    drop.dismiss();
}

// now: what is where the item was, or nullptr when nothing is.
void PimItem::refuseChanged(const struct stat *now)
{
    if (!now)
        throw QuenlockError(QStringLiteral("The file \"%1\" was removed by another program after it was read; "
                                           "it was not saved").arg(path()));
    if (S_ISLNK(now->st_mode))
        throw QuenlockError(QStringLiteral("The file \"%1\" was not saved: %2")
                                .arg(path(), linkRefusal(*m_home, m_homeName, *m_store)));
    throw QuenlockError(QStringLiteral("The file \"%1\" was changed by another program after it "
                                       "was read; it was not saved").arg(path()));
}

// Refuses when the file changed since it was read, was removed, or is now
// a symbolic link.
void PimItem::checkUnchangedOnDisk()
{
    struct stat now{};
    if (::fstatat(m_home->fd, m_homeName.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            refuseChanged(nullptr);
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), systemError()));
    }
    if (!sameFile(now, m_stat))
        refuseChanged(&now);
}

// Writes the pieces to a temporary file beside the item (same file system, so the
// rename is atomic; its ".tmp" ending keeps readers of the collection off
// it) with the item's permissions, and answers its name. written is what
// the item will be after the rename (a rename keeps the inode, its size and
// its modification time). On failure nothing is left behind.
QByteArray PimItem::writeTemporary(const QList<QByteArrayView> &pieces, struct stat &written)
{
    static std::atomic<unsigned> counter = 0;
    static const QByteArray pid = QByteArray::number(::getpid());
    const QByteArray temporary = "." + m_homeName + '.' + pid + '.' + QByteArray::number(++counter) + ".tmp";
    const mode_t mode = m_stat.st_mode & 07777;
    const int fd = ::openat(m_home->fd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            mode);
    if (fd < 0)
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), systemError()));
    bool open = true;
    try {
        writeAll(fd, pieces);
        if (::fstat(fd, &written) != 0)
            throw QuenlockError(systemError());
        // Only where the umask took bits away: a change of mode is a write
        // of the inode, one per item.
        if ((written.st_mode & 07777) != mode && (::fchmod(fd, mode) != 0 || ::fstat(fd, &written) != 0))
            throw QuenlockError(systemError());
        open = false;
        if (::close(fd) != 0)
            throw QuenlockError(systemError());
    } catch (const QuenlockError &e) {
        if (open)
            ::close(fd);
        ::unlinkat(m_home->fd, temporary.constData(), 0);
        throw QuenlockError(QStringLiteral("The file \"%1\" cannot be saved: %2").arg(path(), e.description()));
    }
    return temporary;
}
