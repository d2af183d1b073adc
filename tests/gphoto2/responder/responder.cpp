#include "responder.h"

#include "values.h"

#include "edsdk.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <optional>

namespace ptpip {
namespace {

// PTP/IP packet types.
enum : uint32_t {
    InitCommandRequest = 1,
    InitCommandAck = 2,
    InitEventRequest = 3,
    InitEventAck = 4,
    OperationRequest = 6,
    OperationResponse = 7,
    StartData = 9,
    Data = 10,
    EndData = 12,
};

// PTP and Canon EOS operation, response and event codes.
enum : uint16_t {
    GetDeviceInfo = 0x1001,
    OpenSession = 0x1002,
    CloseSession = 0x1003,
    GetObjectHandles = 0x1007,
    GetObject = 0x1009,
    GetPartialObject = 0x101B,
    SetDevicePropValue = 0x1016,
    EosGetStorageIds = 0x9101,
    EosGetObject = 0x9104,
    EosGetPartialObject = 0x9107,
    EosGetDeviceInfoEx = 0x9108,
    EosRemoteRelease = 0x910F,
    EosSetDevicePropValueEx = 0x9110,
    EosSetRemoteMode = 0x9114,
    EosSetEventMode = 0x9115,
    EosGetEvent = 0x9116,
    EosTransferComplete = 0x9117,
    EosRemoteReleaseOn = 0x9128,
    EosRemoteReleaseOff = 0x9129,

    RcOk = 0x2001,
    RcGeneralError = 0x2002,
    RcOperationNotSupported = 0x2005,
    RcInvalidObjectHandle = 0x2009,
    RcInvalidDevicePropValue = 0x201C,
};

enum : uint32_t {
    EventRequestObjectTransfer = 0xC186,
    EventPropValueChanged = 0xC189,
    EventAvailListChanged = 0xC18A,
    EventOlcInfoChanged = 0xC1A5,
};

constexpr uint16_t kImageFormat = 0xD120;
constexpr uint16_t kOwner = 0xD115;
constexpr uint16_t kBattery = 0xD111;
constexpr uint16_t kCaptureDestination = 0xD11C;
constexpr uint16_t kAEMode = 0xD105;

// The body's properties: EOS code, SDK code (for the simulated body's lists), start value.
struct Property {
    uint16_t eos;
    uint32_t sdk;
    uint32_t start;
};
constexpr Property kProperties[] = {
    {0xD101, kEdsPropID_Av, 48},          {0xD102, kEdsPropID_Tv, 112},
    {0xD103, kEdsPropID_ISOSpeed, 72},    {0xD104, kEdsPropID_ExposureCompensation, 0},
    {0xD106, kEdsPropID_DriveMode, 0},    {0xD107, kEdsPropID_MeteringMode, 3},
    {0xD108, kEdsPropID_AFMode, 0},       {0xD109, kEdsPropID_WhiteBalance, 0},
    {kImageFormat, kEdsPropID_ImageQuality, 0x00640013},
    {kBattery, kEdsPropID_BatteryLevel, 2}, // libgphoto2 reads 2 as "100%"
    {kCaptureDestination, kEdsPropID_SaveTo, 1},
    {0xD11B, 0, 999},                     // available shots: libgphoto2 waits for them
    {0xD1B0, 0, 0},                       // live view output: libgphoto2 waits for it
    {kAEMode, kEdsPropID_AEMode, 3},      // last: the program selects after the lists
};

const Property* propertyOf(uint16_t eos)
{
    for (const Property& p : kProperties)
        if (p.eos == eos)
            return &p;
    return nullptr;
}

void put16(std::string& out, uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void put32(std::string& out, uint32_t v)
{
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
    put16(out, static_cast<uint16_t>(v >> 16));
}

uint32_t get32(const std::string& in, size_t at)
{
    uint32_t v = 0;
    if (at + 4 <= in.size())
        std::memcpy(&v, in.data() + at, 4);
    return v;
}

uint16_t get16(const std::string& in, size_t at)
{
    uint16_t v = 0;
    if (at + 2 <= in.size())
        std::memcpy(&v, in.data() + at, 2);
    return v;
}

// A PTP string: the count of UCS-2 characters with the terminating zero, then the characters.
void putString(std::string& out, const std::string& text)
{
    if (text.empty()) {
        out.push_back(0);
        return;
    }
    out.push_back(static_cast<char>(text.size() + 1));
    for (char c : text)
        put16(out, static_cast<uint8_t>(c));
    put16(out, 0);
}

void putArray16(std::string& out, const std::vector<uint16_t>& values)
{
    put32(out, static_cast<uint32_t>(values.size()));
    for (uint16_t v : values)
        put16(out, v);
}

void putArray32(std::string& out, const std::vector<uint32_t>& values)
{
    put32(out, static_cast<uint32_t>(values.size()));
    for (uint32_t v : values)
        put32(out, v);
}

// The image format as EOS bodies send it: per file its type, size and compression, which the
// SDK's quality code holds in one 16-bit half each (0xFF0F: no second file).
std::string imageFormat(uint32_t quality)
{
    std::string out;
    const uint16_t halves[] = {static_cast<uint16_t>(quality >> 16), static_cast<uint16_t>(quality & 0xFFFF)};
    const int count = halves[1] == 0xFF0F ? 1 : 2;
    put32(out, count);
    for (int i = 0; i < count; ++i) {
        put32(out, 0x10);
        put32(out, (halves[i] >> 4) & 0xF);
        put32(out, halves[i] >> 8);
        put32(out, halves[i] & 0xF);
    }
    return out;
}

std::optional<uint32_t> qualityOf(const std::string& data, size_t at)
{
    const uint32_t count = get32(data, at);
    if (count < 1 || count > 2)
        return std::nullopt;
    auto half = [&](size_t base) {
        return static_cast<uint16_t>((get32(data, base + 8) << 8) | (get32(data, base + 4) << 4) | get32(data, base + 12));
    };
    const uint16_t first = half(at + 4);
    const uint16_t second = count == 2 ? half(at + 20) : 0xFF0F;
    return (static_cast<uint32_t>(first) << 16) | second;
}

std::string record(uint32_t type, const std::string& payload)
{
    std::string out;
    put32(out, static_cast<uint32_t>(8 + payload.size()));
    put32(out, type);
    return out + payload;
}

bool readAll(int fd, char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

struct Packet {
    uint32_t type = 0;
    std::string body;
};

std::optional<Packet> readPacket(int fd)
{
    char header[8];
    if (!readAll(fd, header, 8))
        return std::nullopt;
    uint32_t length = 0;
    Packet packet;
    std::memcpy(&length, header, 4);
    std::memcpy(&packet.type, header + 4, 4);
    if (length < 8 || length > (64u << 20))
        return std::nullopt;
    packet.body.resize(length - 8);
    if (!readAll(fd, packet.body.data(), packet.body.size()))
        return std::nullopt;
    return packet;
}

bool writePacket(int fd, uint32_t type, const std::string& body)
{
    std::string out;
    put32(out, static_cast<uint32_t>(8 + body.size()));
    put32(out, type);
    return writeAll(fd, out + body);
}

bool carriesData(uint16_t code)
{
    return code == EosSetDevicePropValueEx || code == SetDevicePropValue;
}

} // namespace

Responder::Responder(std::string jpeg) : m_jpeg(std::move(jpeg))
{
    for (const Property& p : kProperties)
        m_values[p.eos] = p.start;
    m_texts[kOwner] = "Tessaro";
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 4);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

Responder::~Responder()
{
    m_stop = true;
    disconnect();
    ::shutdown(m_listener, SHUT_RDWR);
    ::close(m_listener);
    m_thread.join();
}

std::string Responder::port() const
{
    // libgphoto2 takes the event connection's port apart.
    return "ptpip:127.0.0.1:" + std::to_string(m_port) + ":" + std::to_string(m_port);
}

uint32_t Responder::value(uint16_t property)
{
    std::lock_guard lock(m_mutex);
    return m_values[property];
}

void Responder::turnValue(uint16_t property, uint32_t value)
{
    std::lock_guard lock(m_mutex);
    m_values[property] = value;
    queueValue(property);
}

std::vector<std::string> Responder::writes()
{
    std::lock_guard lock(m_mutex);
    return m_writes;
}

int Responder::releases()
{
    std::lock_guard lock(m_mutex);
    return m_releases;
}

std::chrono::steady_clock::time_point Responder::lastRelease()
{
    std::lock_guard lock(m_mutex);
    return m_lastRelease;
}

void Responder::disconnect()
{
    m_stop = true;
    replug();
}

void Responder::replug()
{
    for (std::atomic<int>* fd : {&m_command, &m_event}) {
        const int open = fd->exchange(-1);
        if (open >= 0)
            ::shutdown(open, SHUT_RDWR);
    }
}

void Responder::disconnectOnRelease()
{
    m_disconnectOnRelease = true;
}

// Waits in poll, not in accept: a blocked accept holds the lowest free descriptor number for
// itself, which the computer's side in the same process (a test) may want back meanwhile.
int Responder::acceptWhenReady()
{
    pollfd ready{m_listener, POLLIN, 0};
    while (!m_stop) {
        const int polled = ::poll(&ready, 1, 50);
        if (polled < 0 || (polled > 0 && !(ready.revents & POLLIN)))
            return -1;
        if (polled > 0)
            return ::accept(m_listener, nullptr, nullptr);
    }
    return -1;
}

void Responder::serve()
{
    while (!m_stop) {
        const int command = acceptWhenReady();
        if (command < 0)
            return;
        if (!m_stop) {
            m_command = command;
            beginSession();
            session(command);
        }
        ::close(command);
        const int event = m_event.exchange(-1);
        if (event >= 0)
            ::close(event);
        m_command = -1;
    }
}

// A body announces everything again to each new connection and forgets what it held for the
// last one.
void Responder::beginSession()
{
    std::lock_guard lock(m_mutex);
    m_announced = false;
    m_pending.clear();
    m_objects.clear();
}

bool Responder::session(int command)
{
    const int on = 1;
    ::setsockopt(command, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const std::optional<Packet> init = readPacket(command);
    if (!init || init->type != InitCommandRequest)
        return false;
    std::string ack;
    put32(ack, 1);               // connection number
    ack.append(16, '\x42');      // the body's GUID
    for (char c : std::string("EOS responder"))
        put16(ack, static_cast<uint8_t>(c));
    put16(ack, 0);
    put32(ack, 0x00010000);      // protocol version 1.0
    if (!writePacket(command, InitCommandAck, ack))
        return false;
    // The event connection comes once the command connection is acknowledged.
    const int event = acceptWhenReady();
    if (event < 0)
        return false;
    m_event = event;
    const std::optional<Packet> eventInit = readPacket(event);
    if (!eventInit || eventInit->type != InitEventRequest || !writePacket(event, InitEventAck, {}))
        return false;
    while (!m_stop) {
        const std::optional<Packet> request = readPacket(command);
        if (!request || request->type != OperationRequest || request->body.size() < 10)
            return false;
        const uint16_t code = get16(request->body, 4);
        const uint32_t transaction = get32(request->body, 6);
        std::vector<uint32_t> params;
        for (size_t at = 10; at + 4 <= request->body.size(); at += 4)
            params.push_back(get32(request->body, at));
        std::string dataIn;
        if (carriesData(code)) {
            for (;;) {
                const std::optional<Packet> data = readPacket(command);
                if (!data)
                    return false;
                if (data->type == Data || data->type == EndData)
                    dataIn += data->body.substr(4);
                if (data->type == EndData)
                    break;
            }
        }
        if (!handle(command, code, transaction, params, dataIn))
            return false;
    }
    return true;
}

bool Responder::handle(int fd, uint16_t code, uint32_t transaction, const std::vector<uint32_t>& params,
                       const std::string& dataIn)
{
    const bool releasing = code == EosRemoteRelease || code == EosRemoteReleaseOn;
    if (releasing && m_disconnectOnRelease) {
        disconnect();
        return false;
    }
    std::optional<std::string> dataOut;
    uint16_t result = RcOk;
    const uint32_t p1 = params.empty() ? 0 : params[0];
    switch (code) {
    case GetDeviceInfo: dataOut = deviceInfo(); break;
    case EosGetDeviceInfoEx: dataOut = deviceInfoEx(); break;
    case EosGetEvent: dataOut = events(); break;
    case EosGetStorageIds: // no card: pictures go to the host
    case GetObjectHandles: dataOut = std::string(4, '\0'); break;
    case EosSetDevicePropValueEx:
    case SetDevicePropValue: result = setProperty(dataIn); break;
    case EosRemoteRelease: release(); break;
    case EosRemoteReleaseOn:
        if ((p1 & 2) != 0)
            release();
        else
            focus();
        break;
    case GetObject:
    case GetPartialObject:
    case EosGetObject:
    case EosGetPartialObject: {
        std::lock_guard lock(m_mutex);
        const auto object = m_objects.find(p1);
        if (object == m_objects.end()) {
            result = RcInvalidObjectHandle;
            break;
        }
        const std::string& bytes = object->second.bytes;
        const bool partial = code == GetPartialObject || code == EosGetPartialObject;
        const size_t offset = partial && params.size() > 1 ? params[1] : 0;
        const size_t size = partial && params.size() > 2 ? params[2] : bytes.size();
        dataOut = offset < bytes.size() ? bytes.substr(offset, size) : std::string();
        break;
    }
    case EosTransferComplete: {
        std::lock_guard lock(m_mutex);
        m_objects.erase(p1);
        break;
    }
    case OpenSession:
    case CloseSession:
    case EosSetRemoteMode:
    case EosSetEventMode:
    case EosRemoteReleaseOff: break;
    default: result = (code & 0xFF00) == 0x9100 ? RcOk : RcOperationNotSupported; break;
    }
    if (dataOut) {
        std::string start;
        put32(start, transaction);
        put32(start, static_cast<uint32_t>(dataOut->size()));
        put32(start, 0);
        std::string end;
        put32(end, transaction);
        if (!writePacket(fd, StartData, start) || !writePacket(fd, EndData, end + *dataOut))
            return false;
    }
    std::string response;
    put16(response, result);
    put32(response, transaction);
    return writePacket(fd, OperationResponse, response);
}

std::string Responder::deviceInfo() const
{
    std::string out;
    put16(out, 100);       // PTP 1.00
    put32(out, 0x0000000B); // Canon's vendor extension
    put16(out, 200);
    putString(out, "");
    put16(out, 0);
    putArray16(out, {GetDeviceInfo, OpenSession, CloseSession, GetObject, GetPartialObject, EosGetStorageIds, EosGetObject, EosGetPartialObject,
                     EosGetDeviceInfoEx, EosRemoteRelease, EosSetDevicePropValueEx, EosSetRemoteMode, EosSetEventMode,
                     EosGetEvent, EosTransferComplete, EosRemoteReleaseOn, EosRemoteReleaseOff});
    putArray16(out, {0x4002, 0x4003, 0xC101});
    // As a real body: the standard list names PTP's own properties only; the EOS ones come
    // with the extended device information and the events.
    putArray16(out, {0xD402, 0xD406, 0xD407});
    putArray16(out, {});
    putArray16(out, {0x3801, 0xB103});
    putString(out, "Canon Inc.");
    putString(out, "Canon EOS 5D Mark II");
    putString(out, "3-1.0.7");
    putString(out, "1230456789");
    return out;
}

std::string Responder::deviceInfoEx() const
{
    std::string body;
    putArray32(body, {0xC181, EventRequestObjectTransfer, EventPropValueChanged, EventAvailListChanged});
    std::vector<uint32_t> props;
    for (const Property& p : kProperties)
        props.push_back(p.eos);
    props.push_back(kOwner);
    putArray32(body, props);
    putArray32(body, {1}); // libgphoto2 takes the answer only with this third list filled
    std::string out;
    put32(out, static_cast<uint32_t>(4 + body.size()));
    return out + body;
}

void Responder::queueValue(uint16_t property)
{
    std::string payload;
    put32(payload, property);
    if (property == kImageFormat)
        payload += imageFormat(m_values[property]);
    else if (m_texts.contains(property))
        payload += m_texts[property] + '\0';
    else
        put32(payload, m_values[property]);
    m_pending.push_back(record(EventPropValueChanged, payload));
}

// Every value first (libgphoto2 takes a list only for a property it knows), then the lists
// the simulated body offers in the dial's zone.
std::string Responder::events()
{
    std::lock_guard lock(m_mutex);
    if (!m_announced) {
        m_announced = true;
        for (const auto& [property, value] : m_values)
            queueValue(property);
        queueValue(kOwner);
        const edsim::Zone zone = edsim::zoneOf(m_values[kAEMode]);
        for (const Property& p : kProperties) {
            const edsim::Codes codes = edsim::allowedValues(p.sdk, zone);
            std::vector<uint32_t> allowed(codes.begin(), codes.end());
            if (p.eos == kCaptureDestination)
                allowed = {1, 4};
            if (allowed.empty())
                continue;
            std::string payload;
            put32(payload, p.eos);
            put32(payload, 3);
            put32(payload, static_cast<uint32_t>(allowed.size()));
            for (uint32_t code : allowed) {
                if (p.eos == kImageFormat)
                    payload += imageFormat(code);
                else
                    put32(payload, code);
            }
            m_pending.push_back(record(EventAvailListChanged, payload));
        }
    }
    std::string out;
    while (!m_pending.empty()) {
        out += m_pending.front();
        m_pending.pop_front();
    }
    put32(out, 8);
    put32(out, 0);
    return out;
}

uint16_t Responder::setProperty(const std::string& data)
{
    const auto property = static_cast<uint16_t>(get32(data, 4));
    std::lock_guard lock(m_mutex);
    if (property == kOwner) {
        m_texts[kOwner] = std::string(data.c_str() + 8);
        m_writes.push_back("D115=" + m_texts[kOwner]);
        queueValue(kOwner);
        return RcOk;
    }
    const Property* known = propertyOf(property);
    if (!known)
        return RcOperationNotSupported;
    const std::optional<uint32_t> value = property == kImageFormat ? qualityOf(data, 8) : get32(data, 8);
    if (!value)
        return RcInvalidDevicePropValue;
    char line[32];
    std::snprintf(line, sizeof line, "%04X=%u", property, *value);
    m_writes.emplace_back(line);
    m_values[property] = *value;
    queueValue(property);
    return RcOk;
}

// Half press: the body reports focus found (libgphoto2 waits up to 2 s for it).
void Responder::focus()
{
    std::string payload;
    put32(payload, 14);     // length of the rest of the record
    put16(payload, 0x0100); // what follows: the focus state
    put16(payload, 0);
    payload += std::string("\0\0\0\0\1\0", 6);
    std::lock_guard lock(m_mutex);
    m_pending.push_back(record(EventOlcInfoChanged, payload));
}

// A frame: its files are offered for transfer to the computer, RAW first.
void Responder::release()
{
    std::lock_guard lock(m_mutex);
    ++m_releases;
    m_lastRelease = std::chrono::steady_clock::now();
    const uint32_t quality = m_values[kImageFormat];
    char stem[16];
    std::snprintf(stem, sizeof stem, "IMG_%04d", m_fileNumber++);
    std::vector<Object> files;
    if (edsim::qualityHasRaw(quality))
        files.push_back({std::string(stem) + ".CR2", 0xB103, "II*\0RAW-like " + m_jpeg});
    if (edsim::qualityHasJpeg(quality))
        files.push_back({std::string(stem) + ".JPG", 0x3801, m_jpeg});
    for (Object& file : files) {
        const uint32_t handle = m_nextObject++;
        std::string payload;
        put32(payload, handle);
        put32(payload, file.format);
        put32(payload, 0);
        put32(payload, static_cast<uint32_t>(file.bytes.size()));
        put32(payload, 0);
        payload += file.name + '\0';
        m_pending.push_back(record(EventRequestObjectTransfer, payload));
        m_objects[handle] = std::move(file);
    }
}

} // namespace ptpip
