// SPDX-License-Identifier: MIT
// One item file of a collection: read whole, parsed once, saved atomically.
#pragma once

#include "olapplication.h"
#include "safeitem.h"
#include "pimstore.h"
#include "vdocument.h"

#include <QByteArray>
#include <functional>
#include <optional>
#include <sys/stat.h>

// Owns the file's text and its parsed form. A file that cannot be read or
// parsed is an item of type "UnreadableItem"; opening it writes one host log
// line naming the file and the reason.
class PimItem final : public OlItem
{
public:
    // dir is the listed collection; store holds the path for the final sync
    // and the host's hook for saves. Reads and parses the file, then reports().
    static std::shared_ptr<PimItem> open(std::shared_ptr<const Pim::Store> store,
                                         std::shared_ptr<Pim::Directory> dir, const QByteArray &fileName);
    // Reads and parses the file and logs nothing: it touches nothing shared,
    // so a thread reading ahead of the run may call it. The file is opened
    // without following a link: one that was no link when the folder was
    // listed makes the item unreadable.
    static std::shared_ptr<PimItem> read(std::shared_ptr<const Pim::Store> store,
                                         std::shared_ptr<Pim::Directory> dir, const QByteArray &fileName);
    // An item kept elsewhere than in a file (a server's resource), read from
    // bytes: location and name make its path() and fileName(). A non-empty
    // failure makes it unreadable for that reason. Its save hands the new
    // text to saveElsewhere after the store's beforeReplace hook, as a file
    // save renames after it; the answer tells when that save has ended and
    // finishes it, throwing when the text could not be stored.
    struct SaveUnderWay
    {
        std::function<bool()> ended, failed;
        std::function<void()> finish;
    };
    using SaveElsewhere = std::function<SaveUnderWay(const QByteArray &text)>;
    static std::shared_ptr<PimItem> fromBytes(std::shared_ptr<const Pim::Store> store,
                                              const QByteArray &location, const QByteArray &name,
                                              const QByteArray &bytes, const QString &failure,
                                              SaveElsewhere saveElsewhere);
    // On the run's thread, when the item is handed out: an unreadable
    // file's host log line.
    void report() const;
    // No save of this process replaced the file since it was read; waits
    // for a save of the same file under way (a link to an item saved just before).
    bool unchangedSinceRead() const;
    qint64 fileSize() const { return m_stat.st_size; }

    QString TypeName() const override;
    // nullptr for an unreadable item.
    VDocument *document();
    QString fileName() const;
    QString path() const;

    // Writes the changed lines back once the store's beforeReplace hook has
    // run: a temporary file beside the item, renamed over it.
    // Refuses when the file changed on disk since it was read, up to the
    // rename itself.
    void save();
    // The same save, under way on a writer thread (or on its way to where
    // the item is kept) once the hook has run; nullptr when nothing changed.
    std::unique_ptr<SaveInFlight> startSave();

private:
    PimItem() = default;
    void checkUnchangedOnDisk();
    SaveUnderWay writeFile();
    QByteArray writeTemporary(const QList<QByteArrayView> &pieces, struct stat &written);
    void replaceWith(const QByteArray &temporary);
    [[noreturn]] void refuseChanged(const struct stat *now);

    std::shared_ptr<Pim::Directory> m_folder; // as listed
    QByteArray m_fileName;
    // Where the file is: the listed folder, or for an item listed as a link
    // inside the store, the folder of the file it leads to.
    std::shared_ptr<Pim::Directory> m_home;
    QByteArray m_homeName;
    std::shared_ptr<const Pim::Store> m_store;
    struct stat m_stat{};
    std::optional<VDocument> m_document;
    QString m_unreadable; // why the file cannot be read, for report()
    bool m_linkRefused = false; // a link found where the listing had a file
    quint64 m_replacedBefore = 0; // files replaced by saves before it was read
    SaveElsewhere m_saveElsewhere; // set for an item that is no file
};
