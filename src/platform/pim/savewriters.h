// SPDX-License-Identifier: MIT
// Item files written on threads of their own while the run goes on.
#pragma once

#include <QHash>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <sys/types.h>

namespace Pim {

class SaveWriters;

// The writes handed over between two runs of the host's hook.
struct CommitGroup
{
    std::function<void()> hook;
    std::atomic<bool> covered = false; // the hook has run, and failed when failure is set
    std::exception_ptr failure;
};

// One file's write handed to the writers.
class WriteTicket
{
public:
    bool ended() const;
    bool failed() const;
    // Waits for the write's end, then rethrows its failure (the hook's
    // failure included). Runs the hook first when the write needs it.
    void finish();

private:
    friend class SaveWriters;
    SaveWriters *m_writers = nullptr;
    std::shared_ptr<const struct CommitGroup> m_group;
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_ended = false;
    std::exception_ptr m_failure;
};

// A pool of writer threads, started on the first save, taking writes in the
// order given. The run's thread is left with matching and the undo records:
// the temporary file's creation and the rename were 78% of it. A file with a
// write under way is known by device and inode, so that an item read ahead
// of that write (a link to the same file) is handed out only after it.
//
// The host's hook (the undo records made durable) runs on the saving thread
// once for a group of saves: when GroupSaves have been handed over since it
// last ran, when a writer has nothing else to do (at the next save or item
// handed out), and before that thread waits on a writer. A writer starts a
// write only once a call of the hook made after the write was handed over
// has returned, so no file is touched before its records are durable. On
// 100,000 contacts one commit per item was 45% of the run's time.
class SaveWriters
{
public:
    static SaveWriters &instance();
    ~SaveWriters();

    // Waits first while the writes given and not ended hold more than
    // MostBytes of item text, so that memory stays bounded whatever the
    // items' sizes. hook may be empty; a hook that throws fails every write
    // of its group with that error, and they leave their files as they were.
    std::shared_ptr<WriteTicket> submit(dev_t device, ino_t inode, qint64 bytes, std::function<void()> hook,
                                        std::function<void()> write);
    // Returns once no write of that file is under way.
    void waitFor(dev_t device, ino_t inode);
    // Runs the hook for every write handed over and not yet covered.
    void runHook();
    // The same, when a writer waits for it. Cheap: the saving thread calls
    // it for every item it takes.
    void runHookIfWanted()
    {
        if (m_hookWanted.load(std::memory_order_relaxed))
            runHook();
    }

    static constexpr int Threads = 1;
    static constexpr int GroupSaves = 16;
    static constexpr qint64 MostBytes = 16 * 1024 * 1024;

private:
    struct Job
    {
        std::shared_ptr<WriteTicket> ticket; // its group, the hook's run it waits for
        quint64 file;
        qint64 bytes;
        std::function<void()> write;
    };
    void work();
    // Waits for the job's group to be covered and runs it: answers its failure.
    std::exception_ptr run(const Job &job);
    void ended(const Job &job);

    std::mutex m_mutex;
    std::condition_variable m_work, m_fileDone, m_covered;
    std::deque<Job> m_jobs;
    std::shared_ptr<CommitGroup> m_open; // the writes handed over since the hook last ran
    int m_openWrites = 0;
    std::atomic<bool> m_hookWanted = false; // a writer waits for the open group
    QHash<quint64, int> m_underWay; // writes given and not ended, by file
    qint64 m_bytesUnderWay = 0;
    std::vector<std::thread> m_threads;
    bool m_stopping = false;
};

} // namespace Pim
