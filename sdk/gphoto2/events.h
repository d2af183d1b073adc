// The thread that waits for the body's events while a session is open: new files become
// object events (one offered at a time, RAW before the JPEG of the same release), changed
// values and allowed-value lists become property events.
//
// libgphoto2 names the files a body hands to the computer itself ("capt0000.cr2",
// "capt0001.jpg", one number a file); they are shown in the camera's style instead, RAW and
// JPEG of one release under one number ("IMG_0001.CR2", "IMG_0001.JPG"), counting from 1
// each session.
#pragma once

#include "session.h"

#include "edsdk.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
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
    void queueFile(FilePath file);
    std::string shownName(const std::string& name);
    void offerNext();
    bool stopping();

    std::shared_ptr<Session> m_session;
    const Handlers m_handlers;
    const ItemFactory m_makeItem;
    std::map<EdsPropertyID, PropertyState> m_known;
    std::mutex m_mutex;
    std::deque<FilePath> m_pending;
    std::optional<FilePath> m_offered;
    int m_release = 0;
    std::set<std::string> m_releaseExtensions;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace gpbridge
