#include "events.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>

namespace gpbridge {
namespace {

constexpr int kWaitMs = 20;
constexpr auto kRecheck = std::chrono::milliseconds(500);

std::string extensionOf(const std::string& name)
{
    const size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::ranges::transform(ext, ext.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext;
}

bool isRawExtension(const std::string& ext)
{
    return ext == "CR2" || ext == "CR3" || ext == "CRW";
}

bool isRaw(const FilePath& file)
{
    return isRawExtension(extensionOf(file.shown));
}

std::string stem(const FilePath& file)
{
    return file.shown.substr(0, file.shown.rfind('.'));
}

// libgphoto2's own names: "capt", digits, an extension.
bool namedByLibgphoto2(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return name.starts_with("capt") && dot != std::string::npos && dot > 4
           && std::all_of(name.begin() + 4, name.begin() + static_cast<long>(dot),
                          [](unsigned char c) { return std::isdigit(c); });
}

} // namespace

EventLoop::EventLoop(std::shared_ptr<Session> session, Handlers handlers, ItemFactory makeItem)
    : m_session(std::move(session)), m_handlers(handlers), m_makeItem(std::move(makeItem))
{
    m_thread = std::thread([this] { run(); });
}

EventLoop::~EventLoop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_thread.join();
}

bool EventLoop::stopping()
{
    std::lock_guard lock(m_mutex);
    return m_stop;
}

void EventLoop::run()
{
    announceChanges();
    auto lastCheck = std::chrono::steady_clock::now();
    while (!stopping() && !m_session->disconnected()) {
        CameraEvent event;
        if (m_session->waitForEvent(kWaitMs, event)) {
            // An error other than a lost body may come back at once: ask again at the waits' pace.
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
            continue;
        }
        if (event.kind == CameraEvent::Kind::FileAdded)
            queueFile(event.file);
        const auto now = std::chrono::steady_clock::now();
        if (event.kind == CameraEvent::Kind::Other || now - lastCheck >= kRecheck) {
            announceChanges();
            lastCheck = now;
        }
    }
}

// Lists first, then values, the AE mode last: the program rebuilds a list before it selects.
void EventLoop::announceChanges()
{
    std::vector<std::pair<EdsPropertyID, PropertyState>> changed;
    for (const PropertyWidget& widget : propertyWidgets()) {
        PropertyState state;
        if (m_session->read(widget, state))
            continue;
        const auto known = m_known.find(widget.id);
        if (known == m_known.end() || !(known->second == state))
            changed.emplace_back(widget.id, state);
    }
    if (!m_handlers.property)
        return;
    for (const auto& [id, state] : changed) {
        const auto known = m_known.find(id);
        if (known == m_known.end() || known->second.allowed != state.allowed
            || known->second.writable != state.writable)
            m_handlers.property(kEdsPropertyEvent_PropertyDescChanged, id, 0, m_handlers.propertyContext);
    }
    for (const auto& [id, state] : changed) {
        const auto known = m_known.find(id);
        const bool valueChanged = known == m_known.end() || known->second.value != state.value
                                  || known->second.text != state.text;
        m_known[id] = state;
        if (valueChanged)
            m_handlers.property(kEdsPropertyEvent_PropertyChanged, id, 0, m_handlers.propertyContext);
    }
}

std::string EventLoop::shownName(const std::string& name)
{
    if (!namedByLibgphoto2(name))
        return name;
    const std::string ext = extensionOf(name);
    // A release ends where an extension repeats; a body hands over its RAW first.
    const bool repeats = m_releaseExtensions.contains(ext);
    const bool rawAfterOthers = isRawExtension(ext) && !m_releaseExtensions.empty();
    if (m_release == 0 || repeats || rawAfterOthers) {
        ++m_release;
        m_releaseExtensions.clear();
    }
    m_releaseExtensions.insert(ext);
    char shown[32];
    std::snprintf(shown, sizeof shown, "IMG_%04d.", (m_release - 1) % 9999 + 1);
    return shown + ext;
}

void EventLoop::queueFile(FilePath file)
{
    file.shown = shownName(file.name);
    {
        std::lock_guard lock(m_mutex);
        // A RAW goes before a waiting JPEG of its own release.
        auto place = m_pending.end();
        if (isRaw(file)) {
            place = std::ranges::find_if(m_pending, [&](const FilePath& p) { return stem(p) == stem(file); });
        }
        m_pending.insert(place, file);
    }
    offerNext();
}

void EventLoop::offerNext()
{
    FilePath next;
    {
        std::lock_guard lock(m_mutex);
        if (m_offered || m_pending.empty() || m_stop || !m_handlers.object)
            return;
        next = m_pending.front();
        m_pending.pop_front();
        m_offered = next;
    }
    if (const EdsBaseRef item = m_makeItem(next))
        m_handlers.object(kEdsObjectEvent_DirItemRequestTransfer, item, m_handlers.objectContext);
}

void EventLoop::settled(const FilePath& file)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_offered || m_offered->folder != file.folder || m_offered->name != file.name)
            return;
        m_offered.reset();
    }
    offerNext();
}

} // namespace gpbridge
