// SPDX-License-Identifier: MIT
#include "readahead.h"

#include "pimitem.h"

#include <system_error>

namespace Pim {

namespace {
// Three reads in flight take a cold folder at close to the speed of a warm
// one on this disk, and leave the run's own thread a core of two.
constexpr int Workers = 3;
// Items held ahead: enough to ride out a slow save or a burst of cold reads.
constexpr size_t Window = 32;
// Idle workers are woken once this many items wait to be read, not for each
// one: a wake-up costs more than reading and parsing a small contact
// (waking them per item tripled the run's system time).
constexpr size_t WakeBatch = Window / 2;
// No more is read ahead while the items held ahead hold this much file text;
// the item the run waits for is always read.
constexpr qint64 HeldBytes = 16 * 1024 * 1024;
} // namespace

ReadAhead::ReadAhead(std::shared_ptr<const Store> store, std::shared_ptr<Directory> directory,
                     const std::vector<QByteArray> &files)
    : m_store(std::move(store)), m_directory(std::move(directory)), m_files(files)
{
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

std::shared_ptr<PimItem> ReadAhead::load(size_t index) const
{
    return PimItem::read(m_store, m_directory, m_files[index]);
}

std::shared_ptr<PimItem> ReadAhead::take(size_t index)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_started) {
        m_started = true;
        try {
            for (int i = 0; i < Workers; ++i)
                m_workers.emplace_back([this] { work(); });
        } catch (const std::system_error &) {
            // No thread to be had: the items are read here, one by one, as
            // they are taken.
        }
    }
    if (m_slots.empty() || m_slots.front().index != index)
        restartAt(index);
    Slot &slot = m_slots.front();
    if (slot.state == Slot::Waiting) {
        // No worker got to it yet: reading it here is sooner than waiting.
        slot.state = Slot::Reading;
        lock.unlock();
        std::shared_ptr<PimItem> item = load(index);
        lock.lock();
        slot.item = std::move(item);
        slot.state = Slot::Done;
    }
    if (slot.state != Slot::Done) {
        m_waiting = true;
        m_ready.wait(lock, [&] { return slot.state == Slot::Done; });
        m_waiting = false;
    }
    std::shared_ptr<PimItem> item = std::move(slot.item);
    const std::exception_ptr failure = slot.failure;
    m_heldBytes -= slot.bytes;
    m_slots.pop_front();
    fill();
    const bool wake = m_idle > 0 && waitingSlots() >= WakeBatch;
    lock.unlock();
    if (wake)
        m_work.notify_all();
    if (failure)
        std::rethrow_exception(failure);
    return item && item->unchangedSinceRead() ? item : load(index);
}

// Asked out of order: what is held ahead is dropped (workers still reading a
// dropped slot find it gone) and the window starts again at index.
void ReadAhead::restartAt(size_t index)
{
    m_slots.clear();
    m_heldBytes = 0;
    m_next = index;
    fill();
}

void ReadAhead::fill()
{
    while (m_slots.size() < Window && m_next < m_files.size()) {
        m_slots.emplace_back();
        m_slots.back().index = m_next++;
    }
}

ReadAhead::Slot *ReadAhead::nextToRead()
{
    for (Slot &slot : m_slots) {
        if (slot.state != Slot::Waiting)
            continue;
        if (&slot != &m_slots.front() && m_heldBytes >= HeldBytes)
            return nullptr;
        return &slot;
    }
    return nullptr;
}

size_t ReadAhead::waitingSlots() const
{
    size_t waiting = 0;
    for (auto slot = m_slots.crbegin(); slot != m_slots.crend() && slot->state == Slot::Waiting; ++slot)
        ++waiting;
    return waiting;
}

ReadAhead::Slot *ReadAhead::slotFor(size_t index)
{
    if (m_slots.empty() || index < m_slots.front().index || index - m_slots.front().index >= m_slots.size())
        return nullptr;
    return &m_slots[index - m_slots.front().index];
}

void ReadAhead::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        Slot *slot = nullptr;
        ++m_idle;
        m_work.wait(lock, [&] { return m_stop || (slot = nextToRead()) != nullptr; });
        --m_idle;
        if (m_stop)
            return;
        slot->state = Slot::Reading;
        const size_t index = slot->index;
        lock.unlock();
        std::shared_ptr<PimItem> item;
        std::exception_ptr failure;
        try {
            item = load(index);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        // Gone when the window restarted meanwhile; a new slot for the same
        // index is Waiting or another reader's, and keeps its own result.
        Slot *mine = slotFor(index);
        if (!mine || mine->state != Slot::Reading || mine->item || mine->failure)
            continue;
        mine->item = std::move(item);
        mine->failure = failure;
        mine->bytes = mine->item ? mine->item->fileSize() : 0;
        mine->state = Slot::Done;
        m_heldBytes += mine->bytes;
        if (m_waiting && mine == &m_slots.front())
            m_ready.notify_one();
    }
}

} // namespace Pim
