// SPDX-License-Identifier: MIT
#include "pimstore.h"

#include "engineutility.h"
#include "quenlockerror.h"
#include "pimapplication.h"
#include "pimitem.h"
#include "pimsync.h"
#include "readahead.h"
#include "savewriters.h"
#include "systemtexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <csignal>
#include <ctime>
#include <unistd.h>

namespace Pim {

namespace {
QString systemError() { return QString::fromLocal8Bit(strerror(errno)); }

// The canonical path of what the path leads to, or empty.
QByteArray resolved(const QByteArray &path)
{
    char target[PATH_MAX];
    return ::realpath(path.constData(), target) ? QByteArray(target) : QByteArray();
}

bool isItemName(const char *name, size_t length)
{
    if (length < 5)
        return false;
    const char *ext = name + length - 4;
    return ext[0] == '.'
        && ((qstrnicmp(ext + 1, "vcf", 3) == 0) || (qstrnicmp(ext + 1, "ics", 3) == 0));
}

enum class Want { Directories, Items };

// The entry's type with symbolic links followed. DT_UNKNOWN, with *why
// saying so, for a link to nothing, a link leading out of the store or an
// entry that cannot be examined.
unsigned char resolvedType(const Store &store, const QByteArray &full, unsigned char type, QString *why,
                           QByteArray *target)
{
    struct stat st{};
    if (type == DT_UNKNOWN) { // file systems that do not fill in d_type
        if (::lstat(full.constData(), &st) != 0) {
            *why = QStringLiteral("it cannot be examined: ") + systemError();
            return DT_UNKNOWN;
        }
        type = static_cast<unsigned char>(IFTODT(st.st_mode));
    }
    if (type != DT_LNK)
        return type;
    if (::stat(full.constData(), &st) != 0) {
        *why = errno == ENOENT ? QStringLiteral("it is a symbolic link to nothing")
                               : QStringLiteral("it cannot be examined: ") + systemError();
        return DT_UNKNOWN;
    }
    *target = resolved(full);
    if (!insideStore(full, store)) {
        *why = QStringLiteral("it is a symbolic link that leads out of the store");
        return DT_UNKNOWN;
    }
    return static_cast<unsigned char>(IFTODT(st.st_mode));
}

QString whatItIs(unsigned char type)
{
    switch (type) {
    case DT_DIR: return QStringLiteral("it is a directory");
    case DT_FIFO: return QStringLiteral("it is a named pipe");
    case DT_SOCK: return QStringLiteral("it is a socket");
    case DT_CHR:
    case DT_BLK: return QStringLiteral("it is a device");
    default: return QStringLiteral("it is not a regular file");
    }
}

// A name the system's text cannot hold byte for byte: the journal and an
// undo could never find the file again.
bool lossyName(const char *name, size_t length)
{
    const QByteArray bytes = QByteArray::fromRawData(name, qsizetype(length));
    return QFile::encodeName(QFile::decodeName(bytes)) != bytes;
}

// A listing of an open folder from its start. The copy of the descriptor
// shares its position with the folder's, hence the rewind; closed with the
// listing, or here when no listing could be made of it.
DIR *listingOf(const Directory &folder)
{
    const int copy = ::dup(folder.fd);
    DIR *dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0)
            ::close(copy);
        return nullptr;
    }
    ::rewinddir(dir);
    return dir;
}

// Names in a directory, in byte order: sub-directories (not starting with
// ".") or item files. With logSkipped, each entry named like an item that
// is no item file gets one host log line: the user looks for it otherwise.
// Items are listed from the open folder, which records their links.
std::vector<QByteArray> list(const Store &store, const QByteArray &directory, Want want,
                             bool logSkipped = false, Directory *opened = nullptr)
{
    DIR *dir = opened ? listingOf(*opened) : ::opendir(directory.constData());
    if (!dir)
        throw QuenlockError(QStringLiteral("The folder \"%1\" cannot be listed: %2")
                                .arg(QFile::decodeName(directory), systemError()));
    const unsigned char wanted = want == Want::Directories ? DT_DIR : DT_REG;
    std::vector<QByteArray> names;
    QStringList skipped;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        const size_t length = strlen(name);
        if (want == Want::Directories ? name[0] == '.' : !isItemName(name, length))
            continue;
        unsigned char type = entry->d_type;
        QString why;
        QByteArray target;
        if (lossyName(name, length)) {
            type = DT_UNKNOWN;
            why = QStringLiteral("its name is not valid UTF-8");
        } else if (type == DT_LNK || type == DT_UNKNOWN) {
            type = resolvedType(store, directory + '/' + name, type, &why, &target);
        }
        if (type == wanted && opened && !target.isEmpty())
            opened->links.emplace(QByteArray(name, qsizetype(length)), target);
        if (type == wanted)
            names.emplace_back(name, qsizetype(length));
        else if (logSkipped)
            skipped.append(QStringLiteral("The entry \"%1\" was skipped: %2")
                               .arg(QFile::decodeName(directory + '/' + name),
                                    why.isEmpty() ? whatItIs(type) : why));
    }
    ::closedir(dir);
    for (const QString &line : std::as_const(skipped))
        engineUtility().LogMessage(line, 0, QLatin1String(Texts::PimSource));
    std::sort(names.begin(), names.end());
    return names;
}

QString readDisplayName(const QByteArray &directory)
{
    QFile file(QFile::decodeName(directory + "/displayname"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(4096)).trimmed();
}
} // namespace

bool insideStore(const QByteArray &path, const Store &store)
{
    const QByteArray r = resolved(path);
    return !r.isEmpty() && (r == store.path || r.startsWith(store.path + '/'));
}

std::shared_ptr<Directory> Directory::open(const QByteArray &path)
{
    auto dir = std::make_shared<Directory>();
    dir->path = path;
    dir->fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir->fd < 0)
        throw QuenlockError(QStringLiteral("The folder \"%1\" cannot be listed: %2")
                                .arg(QFile::decodeName(path), systemError()));
    return dir;
}

Directory::~Directory()
{
    if (fd >= 0)
        ::close(fd);
}

namespace {
// ".<item>.<pid>.<n>.tmp": the pid, or 0 for any other name.
pid_t temporaryOwner(const QByteArray &name)
{
    if (!name.startsWith('.') || !name.endsWith(".tmp"))
        return 0;
    const QByteArray core = name.mid(1, name.size() - 5); // <item>.<pid>.<n>
    const qsizetype counter = core.lastIndexOf('.');
    const qsizetype pid = counter > 0 ? core.lastIndexOf('.', counter - 1) : -1;
    if (pid < 0)
        return 0;
    bool counted = false, numbered = false;
    core.mid(counter + 1).toULongLong(&counted);
    const qint64 owner = core.mid(pid + 1, counter - pid - 1).toLongLong(&numbered);
    const QByteArray item = core.left(pid);
    return counted && numbered && owner > 0 && isItemName(item.constData(), size_t(item.size())) ? pid_t(owner) : 0;
}

const struct timespec processStart = [] {
    struct timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}();
} // namespace

void removeStaleTemporaries(const Directory &folder)
{
    DIR *dir = listingOf(folder);
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const pid_t owner = temporaryOwner(QByteArray(entry->d_name));
        struct stat st{};
        if (!owner || owner == ::getpid()
            || ::fstatat(folder.fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        const bool older = st.st_mtim.tv_sec < processStart.tv_sec
            || (st.st_mtim.tv_sec == processStart.tv_sec && st.st_mtim.tv_nsec < processStart.tv_nsec);
        if (older && ::kill(owner, 0) != 0 && errno == ESRCH)
            ::unlinkat(folder.fd, entry->d_name, 0);
    }
    ::closedir(dir);
}

PimFolder::PimFolder(std::shared_ptr<const Store> store, QByteArray directoryName)
    : m_store(std::move(store)), m_directory(std::move(directoryName))
{
}

QByteArray PimFolder::path() const
{
    return m_directory.isEmpty() ? m_store->path : m_store->path + '/' + m_directory;
}

QString PimFolder::Name() const
{
    if (m_name.isEmpty()) {
        m_name = readDisplayName(path());
        if (m_name.isEmpty()) {
            const QByteArray p = path();
            m_name = QFile::decodeName(p.mid(p.lastIndexOf('/') + 1));
        }
    }
    return m_name;
}

QString PimFolder::EntryID() const
{
    return m_directory.isEmpty() ? QStringLiteral(".") : QFile::decodeName(m_directory);
}

std::shared_ptr<OlItems> PimFolder::Items() { return std::make_shared<PimItems>(m_store, path()); }

QList<std::shared_ptr<OlFolder>> PimFolder::Folders()
{
    QList<std::shared_ptr<OlFolder>> folders;
    if (!m_directory.isEmpty())
        return folders; // collections do not nest
    if (::access(m_store->path.constData(), F_OK) != 0)
        return folders; // a store not yet made holds nothing
    for (QByteArray &name : list(*m_store, m_store->path, Want::Directories))
        folders.append(std::make_shared<PimFolder>(m_store, std::move(name)));
    return folders;
}

bool PimFolder::holdsVCards() const
{
    try {
        for (const QByteArray &name : list(*m_store, path(), Want::Items))
            if (name.toLower().endsWith(".vcf"))
                return true;
    } catch (const QuenlockError &) {
    }
    return false;
}

PimItems::PimItems(std::shared_ptr<const Store> store, QByteArray directory)
    : m_store(std::move(store)), m_directory(Directory::open(directory)),
      m_files(list(*m_store, directory, Want::Items, true, m_directory.get()))
{
}

PimItems::~PimItems() = default;

std::shared_ptr<OlItem> PimItems::Item(int index)
{
    if (index < 1 || index > Count())
        throw QuenlockError(QStringLiteral("Array index out of bounds"));
    // A folder of one item has nothing to read ahead.
    if (Count() == 1)
        return PimItem::open(m_store, m_directory, m_files.front());
    if (!m_readAhead)
        m_readAhead = std::make_unique<ReadAhead>(m_store, m_directory, m_files);
    Pim::SaveWriters::instance().runHookIfWanted();
    std::shared_ptr<PimItem> item = m_readAhead->take(size_t(index - 1));
    item->report();
    return item;
}

std::shared_ptr<OlItem> PimItems::ItemByEntryId(const QString &entryId)
{
    // The list is sorted: one lookup costs no more than a few comparisons.
    const QByteArray name = QFile::encodeName(entryId);
    const auto file = std::lower_bound(m_files.cbegin(), m_files.cend(), name);
    return file == m_files.cend() || *file != name ? nullptr : PimItem::open(m_store, m_directory, *file);
}

PimNamespace::PimNamespace(std::shared_ptr<const StoreSet> stores) : m_stores(std::move(stores))
{
    PimSync::namespaceOpened();
}

PimNamespace::~PimNamespace()
{
    if (PimSync::namespaceClosed())
        for (const auto &store : m_stores->stores)
            store->letGo();
}

void Store::hold() const
{
    if (!lockStore)
        return;
    const std::lock_guard<std::mutex> guard(m_lockMutex);
    if (m_lock)
        return;
    if (!m_refused.isEmpty())
        throw QuenlockError(m_refused);
    try {
        m_lock = lockStore(id);
    } catch (const QuenlockError &error) {
        m_refused = error.description();
        throw;
    }
}

void Store::letGo() const
{
    const std::lock_guard<std::mutex> guard(m_lockMutex);
    m_lock.reset();
    m_refused.clear();
}

std::shared_ptr<OlFolder> PimNamespace::GetDefaultFolder(int kind)
{
    if (kind != OlDefaultFolder::Contacts)
        throw QuenlockError(QStringLiteral("There is no default folder of kind %1").arg(kind));
    const QString configured = m_stores->defaultContacts;
    if (!configured.isEmpty()) {
        const QFileInfo info(configured);
        const QByteArray canonical = QFile::encodeName(info.canonicalFilePath());
        const qsizetype slash = canonical.lastIndexOf('/');
        for (const auto &store : m_stores->stores)
            if (info.isDir() && slash > 0 && canonical.left(slash) == store->path)
                return std::make_shared<PimFolder>(store, canonical.mid(slash + 1));
        throw QuenlockError(QStringLiteral("The default contacts folder \"%1\" is not a collection "
                                           "of the stores given").arg(configured));
    }
    // Unset: the first collection, store by store in name order, that holds vCards.
    for (const auto &store : m_stores->stores) {
        PimFolder root(store, {});
        for (const auto &folder : root.Folders())
            if (static_cast<PimFolder &>(*folder).holdsVCards())
                return folder;
    }
    throw QuenlockError(QStringLiteral("None of the stores given has a collection holding contacts"));
}

std::shared_ptr<OlFolder> PimNamespace::PickFolder()
{
    return m_stores->pickFolder ? m_stores->pickFolder(*this) : nullptr;
}

QList<std::shared_ptr<OlFolder>> PimNamespace::Folders()
{
    QList<std::shared_ptr<OlFolder>> roots;
    for (const auto &store : m_stores->stores)
        roots.append(std::make_shared<PimFolder>(store, QByteArray()));
    return roots;
}

PimApplication::~PimApplication()
{
    const QString failure = PimSync::syncAll();
    if (!failure.isEmpty())
        engineUtility().LogMessage(failure, 0, QLatin1String(Texts::PimSource));
}

std::shared_ptr<OlNamespace> PimApplication::GetNamespace(const QString &type)
{
    if (type != QLatin1String("MAPI"))
        throw QuenlockError(QStringLiteral("Invalid procedure call or argument"));
    return std::make_shared<PimNamespace>(m_stores);
}

} // namespace Pim

std::shared_ptr<OlApplication> Pim::createApplication(const QStringList &storeDirs,
                                                      const QString &defaultContactsFolder,
                                                      HostHooks host)
{
    auto set = std::make_shared<StoreSet>();
    for (const QString &dir : storeDirs) {
        const QFileInfo info(dir);
        const QString canonical = info.canonicalFilePath();
        auto store = std::make_shared<Store>();
        store->id = canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
        store->path = QFile::encodeName(store->id);
        store->beforeReplace = host.beforeReplace;
        store->lockStore = host.lockStore;
        set->stores.append(std::move(store));
    }
    set->defaultContacts = defaultContactsFolder;
    set->pickFolder = std::move(host.pickFolder);
    return std::make_shared<PimApplication>(std::move(set));
}
