// A Canon EOS body on the wire: a PTP/IP responder on 127.0.0.1 that libgphoto2 drives as it
// drives a body on Wi-Fi. It serves one connection at a time, keeps the ten panel properties
// with the simulated body's lists of allowed values, records the computer's writes, and on
// a release offers the picture's files (RAW before JPEG) for transfer to the computer.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ptpip {

class Responder {
public:
    // `jpeg` is what the body delivers as its JPEG; the RAW file carries it as its preview.
    explicit Responder(std::string jpeg);
    ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    // libgphoto2's port for this body, e.g. "ptpip:127.0.0.1:40123".
    std::string port() const;

    // The body's current value of an EOS property (0xD1xx).
    uint32_t value(uint16_t property);
    // Turns a value at the body, as its own dial does; announced by the next event poll.
    void turnValue(uint16_t property, uint32_t value);
    // The computer's writes, "D103=88", in order.
    std::vector<std::string> writes();
    int releases();
    std::chrono::steady_clock::time_point lastRelease();
    // Pulls the cable: the connection is closed and no new one is taken.
    void disconnect();
    // Pulls the cable and plugs it in again: the connection is closed, a new one is taken.
    void replug();
    // Pulls the cable when the computer next releases.
    void disconnectOnRelease();

private:
    struct Object {
        std::string name;
        uint16_t format;
        std::string bytes;
    };

    void serve();
    int acceptWhenReady();
    void beginSession();
    bool session(int command);
    bool handle(int fd, uint16_t code, uint32_t transaction, const std::vector<uint32_t>& params,
                const std::string& dataIn);
    std::string deviceInfo() const;
    std::string deviceInfoEx() const;
    std::string events();
    void focus();
    void release();
    uint16_t setProperty(const std::string& data);
    void queueValue(uint16_t property);

    const std::string m_jpeg;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_disconnectOnRelease{false};
    std::atomic<int> m_command{-1};
    std::atomic<int> m_event{-1};

    std::mutex m_mutex;
    std::map<uint16_t, uint32_t> m_values;
    std::map<uint16_t, std::string> m_texts;
    bool m_announced = false;
    std::deque<std::string> m_pending; // event records not yet polled
    std::map<uint32_t, Object> m_objects;
    uint32_t m_nextObject = 0x90000001;
    int m_fileNumber = 1;
    int m_releases = 0;
    std::chrono::steady_clock::time_point m_lastRelease;
    std::vector<std::string> m_writes;
    std::thread m_thread;
};

} // namespace ptpip
