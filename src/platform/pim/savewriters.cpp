// SPDX-License-Identifier: MIT
#include "savewriters.h"

#include "quenlockerror.h"

namespace Pim {

namespace {
// Device and inode in one key; two files differing in both by the same
// hash bits only make a hand-out wait for a write it did not need to.
quint64 fileKey(dev_t device, ino_t inode) { return (quint64(device) << 40) ^ quint64(inode); }
} // namespace

bool WriteTicket::ended() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended;
}

bool WriteTicket::failed() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended && m_failure;
}

void WriteTicket::finish()
{
    // The oldest of the saves under way is most often covered already: a
    // hook run for it here would commit one save at a time.
    if (!ended() && !m_group->covered)
        m_writers->runHook();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return m_ended; });
    if (m_failure)
        std::rethrow_exception(m_failure);
}

SaveWriters &SaveWriters::instance()
{
    static SaveWriters writers;
    return writers;
}

SaveWriters::~SaveWriters()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_work.notify_all();
    m_covered.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

std::shared_ptr<WriteTicket> SaveWriters::submit(dev_t device, ino_t inode, qint64 bytes,
                                                 std::function<void()> hook, std::function<void()> write)
{
    auto ticket = std::make_shared<WriteTicket>();
    ticket->m_writers = this;
    const quint64 file = fileKey(device, inode);
    const auto roomFor = [&] { return m_bytesUnderWay == 0 || m_bytesUnderWay + bytes <= MostBytes; };
    bool groupFull = false;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_threads.empty())
            for (int n = 0; n < Threads; ++n)
                m_threads.emplace_back([this] { work(); });
        if (!roomFor()) {
            lock.unlock();
            runHook(); // the writes waited for may be waiting for it
            lock.lock();
            m_fileDone.wait(lock, roomFor);
        }
        if (!m_open)
            m_open = std::make_shared<CommitGroup>();
        if (!m_open->hook)
            m_open->hook = std::move(hook);
        ticket->m_group = m_open;
        m_jobs.push_back({ticket, file, bytes, std::move(write)});
        ++m_underWay[file];
        m_bytesUnderWay += bytes;
        groupFull = ++m_openWrites >= GroupSaves || m_hookWanted;
    }
    m_work.notify_one();
    if (groupFull)
        runHook();
    return ticket;
}

void SaveWriters::waitFor(dev_t device, ino_t inode)
{
    const quint64 file = fileKey(device, inode);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_underWay.contains(file))
        return;
    lock.unlock();
    runHook();
    lock.lock();
    m_fileDone.wait(lock, [&] { return !m_underWay.contains(file); });
}

void SaveWriters::runHook()
{
    std::shared_ptr<CommitGroup> group;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        group = std::exchange(m_open, nullptr);
        m_openWrites = 0;
        m_hookWanted = false;
    }
    if (!group)
        return;
    std::exception_ptr failure;
    try {
        if (group->hook)
            group->hook();
    } catch (...) {
        failure = std::current_exception();
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        group->failure = failure;
        group->covered = true;
    }
    m_covered.notify_all();
}

void SaveWriters::work()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_work.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        const std::exception_ptr failure = run(job);
        ended(job);
        {
            const std::lock_guard<std::mutex> lock(job.ticket->m_mutex);
            job.ticket->m_ended = true;
            job.ticket->m_failure = failure;
        }
        job.ticket->m_done.notify_all();
    }
}

std::exception_ptr SaveWriters::run(const Job &job)
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const CommitGroup &group = *job.ticket->m_group;
        if (!group.covered)
            m_hookWanted = true;
        m_covered.wait(lock, [&] { return group.covered || m_stopping; });
        if (!group.covered)
            return std::make_exception_ptr(QuenlockError(QStringLiteral("The program ended before the file was saved")));
        if (group.failure)
            return group.failure;
    }
    try {
        job.write();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void SaveWriters::ended(const Job &job)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (--m_underWay[job.file] == 0)
            m_underWay.remove(job.file);
        m_bytesUnderWay -= job.bytes;
    }
    m_fileDone.notify_all();
}

} // namespace Pim
