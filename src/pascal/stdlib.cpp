#include "pascal/builtins.h"
#include "pascal/vm.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

namespace pascal {

namespace {

void setInt(Slot& s, int64_t v) {
    s.o.reset();
    s.i = v;
}
void setFloat(Slot& s, double v) {
    s.o.reset();
    s.d = v;
}
void setStr(Slot& s, std::string v) { s.o = makeStr(std::move(v)); }
const std::string& str(const Slot& s) { return strOf(s); }

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}
std::string lowerStr(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}
// Windows-1252 letters: a-z, the accented range and the few pairs elsewhere.
unsigned char ansiUpper(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 0x10;
    if (c == 0xFF) return 0x9F;
    return c;
}
unsigned char ansiLower(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 0x10;
    if (c == 0x9F) return 0xFF;
    return c;
}
bool blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool parseInt(const std::string& text, int64_t& out) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    uint64_t v = 0;
    const uint64_t limit = base == 16 ? UINT64_MAX : uint64_t(INT64_MAX) + (neg ? 1 : 0);
    for (; i < text.size(); ++i) {
        char c = text[i];
        int d = c >= '0' && c <= '9' ? c - '0' : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
              : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        if (v > (limit - uint64_t(d)) / uint64_t(base)) return false;
        v = v * uint64_t(base) + uint64_t(d);
    }
    out = neg ? int64_t(0 - v) : int64_t(v);
    return true;
}

bool parseFloat(const std::string& text, double& out) {
    std::string t = text;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    t = t.substr(i);
    if (t.empty()) return false;
    for (char c : t)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    char* end = nullptr;
    out = std::strtod(t.c_str(), &end);
    return end && *end == 0;
}

std::string floatToStr(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    size_t e = s.find('e');
    if (e == std::string::npos) return s;
    std::string mant = s.substr(0, e);
    std::string ex = s.substr(e + 1);
    bool neg = ex[0] == '-';
    size_t d = ex.find_first_not_of("+-0");
    return mant + "E" + (neg ? "-" : "") + (d == std::string::npos ? "0" : ex.substr(d));
}

// Fixed-point text of x with `decimals` places, rounded half away from zero on its 15 significant
// digits, as the reference library does: 0.125 gives "0.13" with two places, 2.5 gives "3" with none.
std::string fixedText(double x, int decimals) {
    char buf[512];
    if (!std::isfinite(x) || std::fabs(x) >= 1e18) {
        std::snprintf(buf, sizeof buf, std::isfinite(x) ? "%.*E" : "%.*f", decimals, x);
        return buf;
    }
    std::snprintf(buf, sizeof buf, "%.14e", x);  // [-]d.dddddddddddddde[+-]xx
    const char* m = buf[0] == '-' ? buf + 1 : buf;
    std::string digits = std::string(1, m[0]) + std::string(m + 2, 14);
    int point = std::atoi(m + 17) + 1;  // digits before the decimal point
    int keep = point + decimals;
    if (keep < 0) {
        digits.clear();
    } else if (keep < int(digits.size())) {
        bool up = digits[size_t(keep)] >= '5';
        digits.resize(size_t(keep));
        for (int i = keep - 1; up && i >= 0; --i) {
            up = digits[size_t(i)] == '9';
            digits[size_t(i)] = up ? '0' : char(digits[size_t(i)] + 1);
        }
        if (up) {
            digits.insert(digits.begin(), '1');
            ++point;
        }
    }
    auto digitAt = [&](int i) { return i >= 0 && i < int(digits.size()) ? digits[size_t(i)] : '0'; };
    std::string out = buf[0] == '-' ? "-" : "";
    if (point <= 0) out += '0';
    for (int i = 0; i < point; ++i) out += digitAt(i);
    if (decimals > 0) out += '.';
    for (int i = 0; i < decimals; ++i) out += digitAt(point + i);
    return out;
}

std::string withThousands(const std::string& fixed) {
    size_t dot = fixed.find('.');
    std::string ip = fixed.substr(0, dot == std::string::npos ? fixed.size() : dot);
    std::string rest = dot == std::string::npos ? "" : fixed.substr(dot);
    bool neg = !ip.empty() && ip[0] == '-';
    if (neg) ip = ip.substr(1);
    std::string out;
    for (size_t i = 0; i < ip.size(); ++i) {
        if (i && (ip.size() - i) % 3 == 0) out += ',';
        out += ip[i];
    }
    return (neg ? "-" : "") + out + rest;
}

// ---- dates: days since 1899-12-30, time as fraction of a day

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

const int64_t kEpochOffset = 25569;  // days from 1899-12-30 to 1970-01-01

double nowValue() {
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t secs = std::time_t(ms / 1000);
    std::tm local{};
    localtime_r(&secs, &local);
    int64_t days = daysFromCivil(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday)) + kEpochOffset;
    double frac = (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + double(ms % 1000) / 1000.0) / 86400.0;
    return double(days) + frac;
}

std::string formatDateTime(const std::string& fmt, double dt) {
    if (!std::isfinite(dt) || std::fabs(dt) > 1e7) dt = 0;
    int64_t days = int64_t(std::floor(dt));
    int64_t msDay = std::llround((dt - double(days)) * 86400000.0);
    if (msDay >= 86400000) { msDay -= 86400000; ++days; }
    int64_t y;
    unsigned mo, d;
    civilFromDays(days - kEpochOffset, y, mo, d);
    int hh = int(msDay / 3600000), nn = int(msDay / 60000 % 60), ss = int(msDay / 1000 % 60), zz = int(msDay % 1000);
    static const char* const months[] = {"January", "February", "March", "April", "May", "June", "July",
                                         "August", "September", "October", "November", "December"};
    std::string out;
    bool lastWasHour = false;
    auto num = [&](int64_t v, int width) {
        std::string s = std::to_string(v);
        while (int(s.size()) < width) s = "0" + s;
        out += s;
    };
    for (size_t i = 0; i < fmt.size();) {
        char c = char(std::tolower(static_cast<unsigned char>(fmt[i])));
        size_t run = 1;
        while (i + run < fmt.size() && std::tolower(static_cast<unsigned char>(fmt[i + run])) == c) ++run;
        if (fmt[i] == '\'' || fmt[i] == '"') {
            char q = fmt[i];
            size_t j = fmt.find(q, i + 1);
            if (j == std::string::npos) j = fmt.size();
            out += fmt.substr(i + 1, j - i - 1);
            i = j + 1;
            continue;
        }
        switch (c) {
        case 'y': num(run <= 2 ? y % 100 : y, run <= 2 ? 2 : 4); break;
        case 'm':
            if (lastWasHour && run <= 2) num(nn, run == 2 ? 2 : 1);
            else if (run >= 4) out += months[mo - 1];
            else if (run == 3) out += std::string(months[mo - 1]).substr(0, 3);
            else num(mo, int(run));
            break;
        case 'd': num(d, run >= 2 ? 2 : 1); break;
        case 'h': num(hh, run >= 2 ? 2 : 1); break;
        case 'n': num(nn, run >= 2 ? 2 : 1); break;
        case 's': num(ss, run >= 2 ? 2 : 1); break;
        case 'z': num(zz, run >= 3 ? 3 : 1); break;
        default: out += fmt.substr(i, run); break;
        }
        if (c == 'h') lastWasHour = true;
        else if (c != ':' && c != ' ' && c != '.') lastWasHour = false;
        if (c == 'm') lastWasHour = false;
        i += run;
    }
    return out;
}

// ---- library routines: arguments in a[0..], result into a[0]

bool bLenStr(Vm&, Slot* a, const Instr&) { setInt(a[0], int64_t(str(a[0]).size())); return true; }
bool bLenArr(Vm&, Slot* a, const Instr&) {
    int64_t n = a[0].o ? int64_t(static_cast<ArrObj*>(a[0].o.get())->items.size()) : 0;
    setInt(a[0], n);
    return true;
}
bool bSetLenStr(Vm& vm, Slot* a, const Instr&) {
    Slot& s = *a[0].p;
    int64_t n = a[1].i < 0 ? 0 : a[1].i;
    if (!vm.checkString(size_t(n))) return false;
    std::string v = str(s);
    v.resize(size_t(n), ' ');
    s.o = makeStr(std::move(v));
    return true;
}
bool bSetLenArr(Vm& vm, Slot* a, const Instr& in) {
    Slot& s = *a[0].p;
    int64_t n = a[1].i;
    if (n < 0) return vm.fail(EC_ERangeError, "Negative array length");
    if (n > vm.limits.maxArrayLength) return vm.fail(EC_EOutOfMemory, "Array too large");
    auto* old = static_cast<ArrObj*>(s.o.get());
    size_t oldN = old ? old->items.size() : 0;
    int64_t each = int64_t(sizeof(Slot)) + (in.b >= 0 ? vm.shapeBytes[size_t(in.b)] : 0);
    if (vm.budget.live + (n - int64_t(oldN)) * each > vm.limits.memoryBytes)
        return vm.fail(EC_EOutOfMemory, "Out of memory");
    if (n == 0) {
        s.o.reset();
        return true;
    }
    ArrObj* arr = old;
    if (!old || old->rc > 1) {
        // Shared arrays are copied, so references into the old one stay valid.
        auto* fresh = new ArrObj(0, false);
        Ref keep(fresh);
        if (old) fresh->items = old->items, vm.budget.live += int64_t(oldN * sizeof(Slot));
        s.o = keep;
        arr = fresh;
    }
    arr->resize(size_t(n));
    if (in.b >= 0)
        for (size_t i = oldN; i < size_t(n); ++i) arr->items[i].o = vm.buildShape(int(in.b));
    return true;
}
bool bCopy(Vm&, Slot* a, const Instr&) {
    const std::string& s = str(a[0]);
    int64_t idx = a[1].i, cnt = a[2].i;
    if (idx < 1) idx = 1;
    std::string r;
    if (cnt > 0 && uint64_t(idx) <= s.size()) r = s.substr(size_t(idx - 1), size_t(cnt));
    setStr(a[0], std::move(r));
    return true;
}
bool bPos(Vm&, Slot* a, const Instr&) {
    const std::string& sub = str(a[0]);
    const std::string& s = str(a[1]);
    size_t p = sub.empty() ? std::string::npos : s.find(sub);
    setInt(a[0], p == std::string::npos ? 0 : int64_t(p) + 1);
    return true;
}
bool bDelete(Vm&, Slot* a, const Instr&) {
    Slot& s = *a[0].p;
    std::string v = str(s);
    int64_t idx = a[1].i, cnt = a[2].i;
    if (idx < 1 || uint64_t(idx) > v.size() || cnt <= 0) return true;
    v.erase(size_t(idx - 1), size_t(cnt));
    s.o = makeStr(std::move(v));
    return true;
}
bool bInsert(Vm& vm, Slot* a, const Instr&) {
    Slot& s = *a[1].p;
    std::string v = str(s);
    const std::string& src = str(a[0]);
    if (!vm.checkString(v.size() + src.size())) return false;
    int64_t idx = a[2].i;
    if (idx < 1) idx = 1;
    if (uint64_t(idx) > v.size()) idx = int64_t(v.size()) + 1;
    v.insert(size_t(idx - 1), src);
    s.o = makeStr(std::move(v));
    return true;
}
bool bUpper(Vm&, Slot* a, const Instr&) { setStr(a[0], upper(str(a[0]))); return true; }
bool bLower(Vm&, Slot* a, const Instr&) { setStr(a[0], lowerStr(str(a[0]))); return true; }
bool bAnsiUpper(Vm&, Slot* a, const Instr&) {
    std::string s = str(a[0]);
    for (char& c : s) c = char(ansiUpper(static_cast<unsigned char>(c)));
    setStr(a[0], std::move(s));
    return true;
}
bool bAnsiLower(Vm&, Slot* a, const Instr&) {
    std::string s = str(a[0]);
    for (char& c : s) c = char(ansiLower(static_cast<unsigned char>(c)));
    setStr(a[0], std::move(s));
    return true;
}
bool bTrimImpl(Slot* a, bool left, bool right) {
    const std::string& s = str(a[0]);
    size_t b = 0, e = s.size();
    if (left) while (b < e && blank(s[b])) ++b;
    if (right) while (e > b && blank(s[e - 1])) --e;
    setStr(a[0], s.substr(b, e - b));
    return true;
}
bool bTrim(Vm&, Slot* a, const Instr&) { return bTrimImpl(a, true, true); }
bool bTrimL(Vm&, Slot* a, const Instr&) { return bTrimImpl(a, true, false); }
bool bTrimR(Vm&, Slot* a, const Instr&) { return bTrimImpl(a, false, true); }
bool bIntToStr(Vm&, Slot* a, const Instr&) {
    char buf[24];
    int n = std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(a[0].i));
    a[0].o = Ref(new StrObj(std::string(buf, size_t(n))));
    return true;
}
bool bStrToInt(Vm& vm, Slot* a, const Instr&) {
    int64_t v;
    if (!parseInt(str(a[0]), v) || v < INT32_MIN || v > INT32_MAX)
        return vm.fail(EC_EConvertError, "'" + str(a[0]) + "' is not a valid integer value");
    setInt(a[0], v);
    return true;
}
bool bStrToInt64(Vm& vm, Slot* a, const Instr&) {
    int64_t v;
    if (!parseInt(str(a[0]), v)) return vm.fail(EC_EConvertError, "'" + str(a[0]) + "' is not a valid integer value");
    setInt(a[0], v);
    return true;
}
bool bStrToIntDef(Vm&, Slot* a, const Instr&) {
    int64_t v;
    if (!parseInt(str(a[0]), v) || v < INT32_MIN || v > INT32_MAX) v = a[1].i;
    setInt(a[0], v);
    return true;
}
bool bFloatToStr(Vm&, Slot* a, const Instr&) { setStr(a[0], floatToStr(a[0].d)); return true; }
bool bStrToFloat(Vm& vm, Slot* a, const Instr&) {
    double v;
    if (!parseFloat(str(a[0]), v)) return vm.fail(EC_EConvertError, "'" + str(a[0]) + "' is not a valid floating point value");
    setFloat(a[0], v);
    return true;
}
bool bIntToHex(Vm&, Slot* a, const Instr&) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(a[0].i));
    std::string s = buf;
    int64_t w = a[1].i > 32 ? 32 : a[1].i;
    while (int64_t(s.size()) < w) s = "0" + s;
    setStr(a[0], s);
    return true;
}

// Format: %[index:][-][width][.precision]type
bool bFormat(Vm& vm, Slot* a, const Instr& in) {
    const std::string fmt = str(a[0]);
    const int n = int(in.b);
    std::string out;
    int next = 0;
    auto bad = [&]() { return vm.fail(EC_EConvertError, "Format '" + fmt + "' invalid or incompatible with argument"); };
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') {
            out += fmt[i];
            continue;
        }
        if (++i >= fmt.size()) return bad();
        if (fmt[i] == '%') {
            out += '%';
            continue;
        }
        size_t start = i;
        auto number = [&]() {
            int64_t v = -1;
            while (i < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[i]))) {
                v = (v < 0 ? 0 : v) * 10 + (fmt[i++] - '0');
                if (v > 1000) v = 1000;
            }
            return v;
        };
        int64_t v = number();
        if (i < fmt.size() && fmt[i] == ':') {
            next = int(v < 0 ? 0 : v);
            ++i;
        } else {
            i = start;
        }
        bool left = i < fmt.size() && fmt[i] == '-';
        if (left) ++i;
        int64_t width = number();
        int64_t prec = -1;
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            prec = number();
            if (prec < 0) prec = 0;
        }
        if (i >= fmt.size()) return bad();
        char type = char(std::tolower(static_cast<unsigned char>(fmt[i])));
        if (next >= n) return bad();
        const Slot& val = a[1 + 2 * next];
        int tag = int(a[2 + 2 * next].i);
        ++next;
        std::string piece;
        char buf[512];
        switch (type) {
        case 'd':
        case 'u': {
            if (tag != FT_INT) return bad();
            int64_t x = type == 'u' ? int64_t(uint32_t(val.i)) : val.i;
            std::snprintf(buf, sizeof buf, "%.*lld", int(prec < 0 ? 0 : prec > 100 ? 100 : prec), static_cast<long long>(x));
            piece = buf;
            if (prec == 0 && x == 0) piece = "0";
            break;
        }
        case 'x':
            if (tag != FT_INT) return bad();
            std::snprintf(buf, sizeof buf, "%.*llX", int(prec < 0 ? 0 : prec > 100 ? 100 : prec), static_cast<unsigned long long>(val.i));
            piece = buf;
            if (val.i == 0 && prec <= 0) piece = "0";
            break;
        case 'f':
        case 'n':
        case 'e':
        case 'g':
        case 'm': {
            if (tag != FT_FLOAT && tag != FT_INT) return bad();
            double x = tag == FT_FLOAT ? val.d : double(val.i);
            int p = int(prec < 0 ? (type == 'g' ? 15 : 2) : prec > 100 ? 100 : prec);
            if (type == 'e') {
                std::snprintf(buf, sizeof buf, "%.*E", int(prec < 0 ? 14 : p), x);
            } else if (type == 'g') {
                std::snprintf(buf, sizeof buf, "%.*G", p, x);
            } else {
                std::snprintf(buf, sizeof buf, "%s", fixedText(x, p).c_str());
            }
            piece = buf;
            if (type == 'n' || type == 'm') piece = withThousands(piece);
            break;
        }
        case 's':
            if (tag == FT_STRING) piece = str(val);
            else if (tag == FT_CHAR) piece = std::string(1, char(val.i));
            else if (tag == FT_BOOL) piece = val.i ? "True" : "False";
            else return bad();
            if (prec >= 0 && size_t(prec) < piece.size()) piece.resize(size_t(prec));
            break;
        default: return bad();
        }
        if (width > 0 && size_t(width) > piece.size()) {
            std::string pad(size_t(width) - piece.size(), ' ');
            piece = left ? piece + pad : pad + piece;
        }
        if (!vm.checkString(out.size() + piece.size())) return false;
        out += piece;
    }
    setStr(a[0], std::move(out));
    return true;
}
bool bAbsI(Vm&, Slot* a, const Instr&) { a[0].i = a[0].i < 0 ? int64_t(0 - uint64_t(a[0].i)) : a[0].i; return true; }
bool bAbsF(Vm&, Slot* a, const Instr&) { a[0].d = std::fabs(a[0].d); return true; }
bool toInt(Vm& vm, Slot* a, double v) {
    if (std::isnan(v) || v >= 9.2233720368547758e18 || v < -9.2233720368547758e18)
        return vm.fail(EC_EInvalidOp, "Invalid floating point operation");
    setInt(a[0], int64_t(v));
    return true;
}
bool bRound(Vm& vm, Slot* a, const Instr&) { return toInt(vm, a, std::nearbyint(a[0].d)); }
bool bTrunc(Vm& vm, Slot* a, const Instr&) { return toInt(vm, a, std::trunc(a[0].d)); }
bool bSqrt(Vm& vm, Slot* a, const Instr&) {
    if (a[0].d < 0) return vm.fail(EC_EInvalidOp, "Invalid floating point operation");
    a[0].d = std::sqrt(a[0].d);
    return true;
}
bool bSin(Vm&, Slot* a, const Instr&) { a[0].d = std::sin(a[0].d); return true; }
bool bCos(Vm&, Slot* a, const Instr&) { a[0].d = std::cos(a[0].d); return true; }
bool bExp(Vm&, Slot* a, const Instr&) { a[0].d = std::exp(a[0].d); return true; }
bool bLn(Vm& vm, Slot* a, const Instr&) {
    if (a[0].d <= 0) return vm.fail(EC_EInvalidOp, "Invalid floating point operation");
    a[0].d = std::log(a[0].d);
    return true;
}
bool bFrac(Vm&, Slot* a, const Instr&) { a[0].d = a[0].d - std::trunc(a[0].d); return true; }
bool bInt(Vm&, Slot* a, const Instr&) { a[0].d = std::trunc(a[0].d); return true; }
bool bPower(Vm&, Slot* a, const Instr&) { a[0].d = std::pow(a[0].d, a[1].d); return true; }
bool bArcTan(Vm&, Slot* a, const Instr&) { a[0].d = std::atan(a[0].d); return true; }
uint64_t nextRandom(Vm& vm) {
    uint64_t z = (vm.randomState += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}
bool bRandomI(Vm& vm, Slot* a, const Instr&) {
    int64_t n = a[0].i;
    a[0].i = n <= 0 ? 0 : int64_t(nextRandom(vm) % uint64_t(n));
    return true;
}
bool bRandomF(Vm& vm, Slot* a, const Instr&) {
    setFloat(a[0], double(nextRandom(vm) >> 11) / 9007199254740992.0);
    return true;
}
bool bRandomize(Vm& vm, Slot*, const Instr&) {
    vm.randomState = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    return true;
}
bool bStrReplace(Vm& vm, Slot* a, const Instr&) {
    const std::string s = str(a[0]);
    const std::string& from = str(a[1]);
    const std::string& to = str(a[2]);
    auto* flags = static_cast<SetObj*>(a[3].o.get());
    bool all = flags && flags->bits.test(0);
    bool icase = flags && flags->bits.test(1);
    if (from.empty()) return true;
    std::string hay = icase ? upper(s) : s;
    std::string needle = icase ? upper(from) : from;
    std::string out;
    size_t pos = 0;
    while (true) {
        size_t f = hay.find(needle, pos);
        if (f == std::string::npos) break;
        out.append(s, pos, f - pos);
        out += to;
        if (!vm.checkString(out.size())) return false;
        pos = f + from.size();
        if (!all) break;
    }
    out.append(s, pos, std::string::npos);
    setStr(a[0], std::move(out));
    return true;
}
bool bNow(Vm&, Slot* a, const Instr&) { setFloat(a[0], nowValue()); return true; }
bool bDate(Vm&, Slot* a, const Instr&) { setFloat(a[0], std::floor(nowValue())); return true; }
bool bTime(Vm&, Slot* a, const Instr&) { double n = nowValue(); setFloat(a[0], n - std::floor(n)); return true; }
bool bFormatDateTime(Vm&, Slot* a, const Instr&) { setStr(a[0], formatDateTime(str(a[0]), a[1].d)); return true; }
bool bSleep(Vm& vm, Slot* a, const Instr&) {
    // Sleeps in short steps so that a stop request ends it early.
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(a[0].i < 0 ? 0 : a[0].i);
    while (!vm.stopRequested && std::chrono::steady_clock::now() < end) {
        auto left = end - std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(10)));
    }
    return true;
}
bool bTick(Vm&, Slot* a, const Instr&) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    setInt(a[0], int64_t(uint32_t(ms)));
    return true;
}
bool bUpCase(Vm&, Slot* a, const Instr&) { if (a[0].i >= 'a' && a[0].i <= 'z') a[0].i -= 32; return true; }
bool bSetBit(Vm& vm, Slot* a, bool on) {
    Slot& s = *a[0].p;
    int64_t v = a[1].i;
    if (v < 0 || v > 255) return vm.fail(EC_ERangeError, "Set element out of range");
    auto* n = new SetObj;
    if (s.o) n->bits = static_cast<SetObj*>(s.o.get())->bits;
    n->bits.set(size_t(v), on);
    s.o = Ref(n);
    return true;
}
bool bInclude(Vm& vm, Slot* a, const Instr&) { return bSetBit(vm, a, true); }
bool bExclude(Vm& vm, Slot* a, const Instr&) { return bSetBit(vm, a, false); }
bool bExcMsg(Vm&, Slot* a, const Instr&) {
    auto* e = static_cast<ExcObj*>(a[0].o.get());
    setStr(a[0], e ? e->message : std::string());
    return true;
}
bool bExcClassName(Vm& vm, Slot* a, const Instr&) {
    auto* e = static_cast<ExcObj*>(a[0].o.get());
    setStr(a[0], e ? vm.prog->exceptionClasses[size_t(e->cls)] : std::string());
    return true;
}
bool bExcNew(Vm&, Slot* a, const Instr& in) {
    a[0].o = Ref(new ExcObj(int(in.b), str(a[0])));
    return true;
}
bool bStringOfChar(Vm& vm, Slot* a, const Instr&) {
    int64_t n = a[1].i < 0 ? 0 : a[1].i;
    if (!vm.checkString(size_t(n))) return false;
    setStr(a[0], std::string(size_t(n), char(a[0].i)));
    return true;
}
bool bIsNan(Vm&, Slot* a, const Instr&) { setInt(a[0], std::isnan(a[0].d)); return true; }
bool bBoolToStr(Vm&, Slot* a, const Instr&) {
    static const char* const texts[2][2] = {{"0", "-1"}, {"False", "True"}};
    setStr(a[0], texts[a[1].i != 0][a[0].i != 0]);
    return true;
}
bool bChkOrd(Vm& vm, Slot* a, const Instr& in) {
    if (a[0].i < 0 || a[0].i > in.b) return vm.fail(EC_ERangeError, "Out of range");
    return true;
}

// ---- file names: '/' and '\\' both separate folders, a new delimiter is '/'

bool isDelimiter(char c) { return c == '/' || c == '\\'; }
size_t nameStart(const std::string& s) {
    size_t i = s.size();
    while (i > 0 && !isDelimiter(s[i - 1]) && s[i - 1] != ':') --i;
    return i;
}
// Where the extension starts (at its '.'), or the end when there is none.
size_t extStart(const std::string& s) {
    size_t dot = s.rfind('.');
    return dot == std::string::npos || dot < nameStart(s) ? s.size() : dot;
}
bool bFileExists(Vm&, Slot* a, const Instr&) {
    std::error_code ec;
    setInt(a[0], std::filesystem::is_regular_file(str(a[0]), ec));
    return true;
}
bool bDirectoryExists(Vm&, Slot* a, const Instr&) {
    std::error_code ec;
    setInt(a[0], !str(a[0]).empty() && std::filesystem::is_directory(str(a[0]), ec));
    return true;
}
bool bExtractFileName(Vm&, Slot* a, const Instr&) { setStr(a[0], str(a[0]).substr(nameStart(str(a[0])))); return true; }
bool bExtractFilePath(Vm&, Slot* a, const Instr&) { setStr(a[0], str(a[0]).substr(0, nameStart(str(a[0])))); return true; }
bool bExtractFileExt(Vm&, Slot* a, const Instr&) { setStr(a[0], str(a[0]).substr(extStart(str(a[0])))); return true; }
bool bChangeFileExt(Vm&, Slot* a, const Instr&) {
    const std::string& s = str(a[0]);
    setStr(a[0], s.substr(0, extStart(s)) + str(a[1]));
    return true;
}
bool bIncludeTrailingDelimiter(Vm&, Slot* a, const Instr&) {
    const std::string& s = str(a[0]);
    setStr(a[0], !s.empty() && isDelimiter(s.back()) ? s : s + "/");
    return true;
}

// ---- Write, Writeln and Str

// Floating point without decimals: " d.ddddE+ddd", 16 digits after the point by default.
std::string scientificText(double x, int width) {
    int digits = width > 0 ? std::max(1, width - 8) : 16;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", digits, x);
    std::string s = buf;
    size_t e = s.find('E');
    if (e == std::string::npos) return s;  // NAN, INF
    std::string exp = s.substr(e + 2);
    while (exp.size() < 3) exp = "0" + exp;
    return (x < 0 ? "" : " ") + s.substr(0, e + 2) + exp;
}

bool bWriteText(Vm&, Slot* a, const Instr& in) {
    int64_t width = a[1].i, decimals = a[2].i;
    std::string text;
    switch (in.b) {
    case FT_INT: text = std::to_string(a[0].i); break;
    case FT_FLOAT: text = decimals >= 0 ? fixedText(a[0].d, int(std::min<int64_t>(decimals, 100))) : scientificText(a[0].d, int(std::min<int64_t>(width, 100))); break;
    case FT_CHAR: text = std::string(1, char(a[0].i)); break;
    case FT_BOOL: text = a[0].i ? "TRUE" : "FALSE"; break;
    default: text = str(a[0]); break;
    }
    if (width > int64_t(text.size()) && width <= 4096) text.insert(0, size_t(width) - text.size(), ' ');
    setStr(a[0], std::move(text));
    return true;
}

bool bEnumName(Vm&, Slot* a, const Instr&) {
    const std::string& names = str(a[1]);
    size_t start = 0;
    for (int64_t i = 0; i < a[0].i && start != std::string::npos; ++i) {
        start = names.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    std::string name = start == std::string::npos ? std::to_string(a[0].i) : names.substr(start, names.find('\n', start) - start);
    setStr(a[0], std::move(name));
    return true;
}

// Where an integer's text goes wrong: the first character that is no digit, else (too large) its end.
size_t badDigit(const std::string& t) {
    size_t i = t.find_first_not_of(' ');
    if (i == std::string::npos) return t.size();
    if (t[i] == '+' || t[i] == '-') ++i;
    bool hex = i < t.size() && t[i] == '$';
    if (hex) ++i;
    else if (t.compare(i, 2, "0x") == 0 || t.compare(i, 2, "0X") == 0) hex = true, i += 2;
    while (i < t.size() && (hex ? std::isxdigit(static_cast<unsigned char>(t[i])) : std::isdigit(static_cast<unsigned char>(t[i])))) ++i;
    return i == t.size() ? (t.empty() ? 0 : t.size() - 1) : i;
}

// Val(text, variable, code): code 0, or the position of the first character that does not fit.
bool bVal(Vm&, Slot* a, const Instr& in) {
    const std::string& text = str(a[0]);
    Slot& target = *a[1].p;
    Slot& code = *a[2].p;
    size_t end = text.find_last_not_of(' ');
    std::string t = end == std::string::npos ? std::string() : text.substr(0, end + 1);
    if (in.b == 0) {
        double v;
        bool ok = parseFloat(t, v);
        if (ok) setFloat(target, v);
        setInt(code, ok ? 0 : int64_t(std::max<size_t>(1, t.find_first_not_of(" +-0123456789.eE") + 1)));
        return true;
    }
    int bits = int(in.b / 2);
    bool isSigned = in.b % 2;
    int64_t v;
    bool ok = parseInt(t, v);
    if (ok && bits < 64) {
        int64_t lo = isSigned ? -(int64_t(1) << (bits - 1)) : 0;
        int64_t hi = isSigned ? (int64_t(1) << (bits - 1)) - 1 : int64_t((uint64_t(1) << bits) - 1);
        ok = v >= lo && v <= hi;
    }
    if (ok) setInt(target, v);
    setInt(code, ok ? 0 : int64_t(badDigit(t)) + 1);
    return true;
}
} // namespace

const BuiltinInfo builtinTable[] = {
#define PASCAL_BUILTIN_INFO(id, name, fn, sig) {fn, builtinArgs(sig), builtinHasResult(sig)},
    PASCAL_BUILTINS(PASCAL_BUILTIN_INFO)
#undef PASCAL_BUILTIN_INFO
};
static_assert(sizeof(builtinTable) / sizeof(builtinTable[0]) == B_COUNT, "one entry per builtin");

} // namespace pascal
