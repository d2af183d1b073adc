#include "config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace edsim {

namespace {

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool parseNumber(const std::string& text, uint64_t& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    out = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    return end && *end == '\0' && text[0] != '-';
}

bool parseU32(const std::string& text, uint32_t& out)
{
    uint64_t v = 0;
    if (!parseNumber(text, v) || v > 0xFFFFFFFFu)
        return false;
    out = static_cast<uint32_t>(v);
    return true;
}

bool parseBool(const std::string& text, bool& out)
{
    const std::string t = lower(text);
    if (t == "1" || t == "true" || t == "yes" || t == "on")
        out = true;
    else if (t == "0" || t == "false" || t == "no" || t == "off")
        out = false;
    else
        return false;
    return true;
}

// "640x426", "small" or "24mp".
bool parseSize(Config& c, const std::string& text)
{
    const std::string t = lower(text);
    if (t == "small") {
        c.width = 640;
        c.height = 426;
        return true;
    }
    if (t == "24mp") {
        c.width = 6000;
        c.height = 4000;
        return true;
    }
    const auto x = t.find('x');
    uint32_t w = 0, h = 0;
    if (x == std::string::npos || !parseU32(t.substr(0, x), w) || !parseU32(t.substr(x + 1), h))
        return false;
    if (w == 0 || h == 0 || w > 12000 || h > 12000)
        return false;
    c.width = w;
    c.height = h;
    return true;
}

bool parseBattery(const std::string& text, uint32_t& out)
{
    if (lower(text) == "ac") {
        out = 0xFFFFFFFFu;
        return true;
    }
    return parseU32(text, out) && out <= 100;
}

bool parseFirmware(const std::string& text)
{
    unsigned a = 0, b = 0, c = 0;
    char tail = 0;
    return std::sscanf(text.c_str(), "%u.%u.%u%c", &a, &b, &c, &tail) == 3;
}

using Setter = std::function<bool(Config&, const std::string&)>;

Setter u32(uint32_t Config::*field)
{
    return [field](Config& c, const std::string& v) { return parseU32(v, c.*field); };
}

// A comma-separated list of counts; 0 in it stands for none.
Setter counts(std::set<uint32_t> Config::*field)
{
    return [field](Config& c, const std::string& v) {
        std::set<uint32_t> result;
        size_t start = 0;
        for (;;) {
            const size_t comma = v.find(',', start);
            uint32_t n = 0;
            if (!parseU32(v.substr(start, comma - start), n))
                return false;
            if (n != 0)
                result.insert(n);
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        c.*field = std::move(result);
        return true;
    };
}

Setter flag(bool Config::*field)
{
    return [field](Config& c, const std::string& v) { return parseBool(v, c.*field); };
}

Setter text(std::string Config::*field, size_t maxLength)
{
    return [field, maxLength](Config& c, const std::string& v) {
        if (v.size() > maxLength)
            return false;
        c.*field = v;
        return true;
    };
}

const std::map<std::string, Setter>& setters()
{
    static const std::map<std::string, Setter> table = {
        {"camera", flag(&Config::camera)},
        {"legacy", flag(&Config::legacy)},
        {"model", text(&Config::model, 255)},
        {"owner", text(&Config::owner, 31)},
        {"serial", [](Config& c, const std::string& v) { uint32_t n; return parseU32(v, n) && (c.serial = v, true); }},
        {"firmware", [](Config& c, const std::string& v) { return parseFirmware(v) && (c.firmware = v, true); }},
        {"picturesize", parseSize},
        {"quality", u32(&Config::quality)},
        {"rawjpeg", [](Config& c, const std::string& v) {
             bool on = false;
             if (!parseBool(v, on))
                 return false;
             c.quality = on ? 0x00640013u : 0x0013FF0Fu;
             return true;
         }},
        {"modedial", u32(&Config::modeDial)},
        {"battery", [](Config& c, const std::string& v) { return parseBattery(v, c.battery); }},
        {"downloadspeed", [](Config& c, const std::string& v) { return parseNumber(v, c.downloadSpeed); }},
        {"processingtime", u32(&Config::processingMs)},
        {"bulbtime", u32(&Config::bulbMs)},
        {"prefix", text(&Config::prefix, 4)},
        {"firstnumber", [](Config& c, const std::string& v) {
             return parseU32(v, c.firstNumber) && c.firstNumber >= 1 && c.firstNumber <= 9999;
         }},
        {"busyonrelease", counts(&Config::busyOnRelease)},
        {"faildownload", counts(&Config::failDownload)},
        {"lostpicture", counts(&Config::lostPicture)},
        {"failwrite", counts(&Config::failWrite)},
        {"disconnectafter", u32(&Config::disconnectAfter)},
        {"picturefile", [](Config& c, const std::string& v) {
             std::error_code ec;
             if (!v.empty() && !std::filesystem::exists(v, ec))
                 return false;
             c.pictureFile = v;
             return true;
         }},
    };
    return table;
}

std::string libraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&loadConfig), &info) == 0 || !info.dli_fname)
        return {};
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

bool applySetting(Config& config, const std::string& key, const std::string& value)
{
    auto it = setters().find(lower(trim(key)));
    return it != setters().end() && it->second(config, trim(value));
}

bool applySettings(Config& config, const std::string& text, std::string* badPair)
{
    std::string normalised = text;
    std::replace(normalised.begin(), normalised.end(), '\r', '\n');
    std::istringstream lines(normalised);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string t = trim(line);
        if (t.empty() || t[0] == '[' || t[0] == '#' || t[0] == ';')
            continue;
        std::istringstream pairs(t);
        std::string pair;
        while (std::getline(pairs, pair, ';')) {
            if (trim(pair).empty())
                continue;
            const auto eq = pair.find('=');
            if (eq == std::string::npos || !applySetting(config, pair.substr(0, eq), pair.substr(eq + 1))) {
                if (badPair)
                    *badPair = trim(pair);
                return false;
            }
        }
    }
    return true;
}

Config loadConfig()
{
    Config config;
    // A bad line in the file or the environment is skipped so the body still starts.
    auto applyLenient = [&config](const std::string& text) {
        std::string rest = text;
        std::string bad;
        while (!applySettings(config, rest, &bad)) {
            const auto at = rest.find(bad);
            if (at == std::string::npos)
                break;
            rest = rest.substr(at + bad.size());
        }
    };
    std::ifstream file(libraryFolder() + "/edsdk-sim.ini", std::ios::binary);
    if (file) {
        std::ostringstream content;
        content << file.rdbuf();
        applyLenient(content.str());
    }
    if (const char* env = std::getenv("TESSARO_SIM"))
        applyLenient(env);
    return config;
}

} // namespace edsim
