// The thread that waits for the body's events while a session is open: new files become
// object events (one offered at a time, RAW before the JPEG of the same release), changed
// values and allowed-value lists become property events.
#pragma once

#include "session.h"

#include "edsdk.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace gpbridge {

struct Handlers {
    EdsPropertyEventHandler property = nullptr;
    EdsVoid* propertyContext = nullptr;
    EdsObjectEventHandler object = nullptr;
    EdsVoid* objectContext = nullptr;
};

// Makes the SDK item for a file (handed to the object handler, which releases it).
using ItemFactory = std::function<EdsBaseRef(const FilePath&)>;

class EventLoop {
public:
    EventLoop(std::shared_ptr<Session> session, Handlers handlers, ItemFactory makeItem);
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // The offered file was downloaded or given up: the next one may follow.
    void settled(const FilePath& file);

private:
    void run();
    void announceChanges();
    void queueFile(const FilePath& file);
    void offerNext();
    bool stopping();

    std::shared_ptr<Session> m_session;
    const Handlers m_handlers;
    const ItemFactory m_makeItem;
    std::map<EdsPropertyID, PropertyState> m_known;
    std::mutex m_mutex;
    std::deque<FilePath> m_pending;
    std::optional<FilePath> m_offered;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace gpbridge
