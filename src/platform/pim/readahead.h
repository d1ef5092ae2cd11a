// SPDX-License-Identifier: MIT
// The item files of one folder read and parsed ahead of the run, in folder order.
#pragma once

#include "pimstore.h"

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class PimItem;

namespace Pim {

// While the run works on one item, a few worker threads read and parse the
// next ones, so its saves keep the disk busy and a cold cache is read with
// several requests in flight. Only reading and parsing happen on the
// workers: take() hands items out on the caller's thread, in the order
// asked, and whatever an item logs is logged there. At most Window items
// are held ahead, and no more once they hold HeldBytes, so memory stays
// bounded whatever the folder holds. An item whose file one of the run's
// own saves replaced after the worker read it (a link to an item saved just
// before) is read again when taken, so the run sees what it would have seen
// reading each item when it gets to it.
class ReadAhead
{
public:
    ReadAhead(std::shared_ptr<const Store> store, std::shared_ptr<Directory> directory,
              const std::vector<QByteArray> &files);
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // File `index` (0-based) of the list, read and parsed, not yet reported.
    std::shared_ptr<PimItem> take(size_t index);

private:
    struct Slot
    {
        size_t index = 0;
        enum State { Waiting, Reading, Done } state = Waiting;
        std::shared_ptr<PimItem> item;
        std::exception_ptr failure; // anything but an unreadable file
        qint64 bytes = 0;
    };

    void work();
    std::shared_ptr<PimItem> load(size_t index) const;
    void restartAt(size_t index);
    void fill();
    Slot *nextToRead();
    size_t waitingSlots() const; // at the window's end, none read yet
    Slot *slotFor(size_t index);

    const std::shared_ptr<const Store> m_store;
    const std::shared_ptr<Directory> m_directory;
    const std::vector<QByteArray> &m_files;

    std::mutex m_mutex;
    std::condition_variable m_work;  // a slot waits, or the end
    std::condition_variable m_ready; // a slot is done
    std::deque<Slot> m_slots;        // consecutive indexes, the next one taken first
    size_t m_next = 0;               // the next index to queue
    qint64 m_heldBytes = 0;          // in done slots
    int m_idle = 0;                  // workers waiting for work
    bool m_waiting = false;          // the taker waits for the next slot
    bool m_stop = false;
    bool m_started = false;          // workers made (or none to be had)
    std::vector<std::thread> m_workers;
};

} // namespace Pim
