// SPDX-License-Identifier: MIT
// Item files written on threads of their own while the run goes on.
#pragma once

#include <QHash>
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

// One file's write handed to the writers.
class WriteTicket
{
public:
    bool ended() const;
    bool failed() const;
    // Waits for the write's end, then rethrows its failure.
    void finish();

private:
    friend class SaveWriters;
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
class SaveWriters
{
public:
    static SaveWriters &instance();
    ~SaveWriters();

    // Waits first while the writes given and not ended hold more than
    // MostBytes of item text, so that memory stays bounded whatever the items' sizes.
    std::shared_ptr<WriteTicket> submit(dev_t device, ino_t inode, qint64 bytes, std::function<void()> write);
    // Returns once no write of that file is under way.
    void waitFor(dev_t device, ino_t inode);

    static constexpr int Threads = 1;
    static constexpr qint64 MostBytes = 16 * 1024 * 1024;

private:
    struct Job
    {
        std::shared_ptr<WriteTicket> ticket;
        quint64 file;
        qint64 bytes;
        std::function<void()> write;
    };
    void work();
    void ended(const Job &job);

    std::mutex m_mutex;
    std::condition_variable m_work, m_fileDone;
    std::deque<Job> m_jobs;
    QHash<quint64, int> m_underWay; // writes given and not ended, by file
    qint64 m_bytesUnderWay = 0;
    std::vector<std::thread> m_threads;
    bool m_stopping = false;
};

} // namespace Pim
