#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

namespace pascal {

// Heap values of the VM. Reference counts are not atomic: a script runs on one thread.
struct Obj {
    enum class Kind : uint8_t { String, Array, Set, Host, Exception };
    explicit Obj(Kind k) : kind(k) {}
    virtual ~Obj() = default;
    uint32_t rc = 0;
    Kind kind;
};

class Ref {
public:
    Ref() = default;
    explicit Ref(Obj* o) : p_(o) { if (p_) ++p_->rc; }
    Ref(const Ref& r) : p_(r.p_) { if (p_) ++p_->rc; }
    Ref(Ref&& r) noexcept : p_(r.p_) { r.p_ = nullptr; }
    ~Ref() { release(); }
    Ref& operator=(const Ref& r) {
        if (r.p_) ++r.p_->rc;
        release();
        p_ = r.p_;
        return *this;
    }
    Ref& operator=(Ref&& r) noexcept {
        if (this != &r) { release(); p_ = r.p_; r.p_ = nullptr; }
        return *this;
    }
    Obj* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() { release(); p_ = nullptr; }

private:
    void release() { if (p_ && --p_->rc == 0) delete p_; }
    Obj* p_ = nullptr;
};

// Bytes held by the live strings and arrays of one engine, checked against its memory budget.
// An engine makes and frees its strings and arrays only while it is current on the thread
// doing so (loading, running, being destroyed), so each is counted against its own engine.
struct Budget {
    int64_t live = 0;
    static constinit thread_local Budget* current;
    // Counts whatever is made or freed outside an engine.
    static constinit thread_local Budget unowned;
    static Budget& charged() { return current ? *current : unowned; }
};

// Makes `b` the budget charged on this thread for the scope's lifetime.
class BudgetScope {
public:
    explicit BudgetScope(Budget& b) : saved_(Budget::current) { Budget::current = &b; }
    ~BudgetScope() { Budget::current = saved_; }
    BudgetScope(const BudgetScope&) = delete;
    BudgetScope& operator=(const BudgetScope&) = delete;

private:
    Budget* saved_;
};

struct StrObj : Obj {
    explicit StrObj(std::string v) : Obj(Kind::String), s(std::move(v)) { Budget::charged().live += int64_t(s.capacity()); }
    ~StrObj() override { Budget::charged().live -= int64_t(counted); }
    void recount() { Budget::charged().live += int64_t(s.capacity()) - int64_t(counted); counted = s.capacity(); }
    std::string s;
    size_t counted = s.capacity();
};

struct Slot;

// Dynamic arrays are shared by reference; records and static arrays (isValue) are copied.
struct ArrObj : Obj {
    ArrObj(size_t n, bool value);
    ~ArrObj() override;
    void resize(size_t n);
    std::vector<Slot> items;
    bool isValue;
    int shape = -1;  // records and static arrays
};

struct SetObj : Obj {
    SetObj() : Obj(Kind::Set) {}
    std::bitset<256> bits;
};

struct HostObj : Obj {
    explicit HostObj(void* p) : Obj(Kind::Host), ptr(p) {}
    void* ptr;
};

struct ExcObj : Obj {
    ExcObj(int c, std::string m) : Obj(Kind::Exception), cls(c), message(std::move(m)) {}
    int cls;
    std::string message;
};

// One cell of the stack, a variable or an array element. Scalars live in the union; strings,
// arrays, sets and objects in `o`. A reference (var parameter, element address) keeps `p` and
// holds its container alive in `o`.
struct Slot {
    union {
        int64_t i;
        double d;
        Slot* p;
    };
    Ref o;
    Slot() : i(0) {}
    Slot(const Slot&) = default;
    Slot(Slot&&) = default;
    Slot& operator=(const Slot&) = default;
    // Kept inline: the dispatch loop moves slots on its hottest paths (function results).
    [[gnu::always_inline]] Slot& operator=(Slot&& s) noexcept {
        i = s.i;
        o = std::move(s.o);
        return *this;
    }
};

inline ArrObj::ArrObj(size_t n, bool value) : Obj(Kind::Array), items(n), isValue(value) {
    Budget::charged().live += int64_t(n * sizeof(Slot));
}
inline ArrObj::~ArrObj() { Budget::charged().live -= int64_t(items.size() * sizeof(Slot)); }
inline void ArrObj::resize(size_t n) {
    Budget::charged().live += (int64_t(n) - int64_t(items.size())) * int64_t(sizeof(Slot));
    items.resize(n);
}

inline const std::string& strOf(const Slot& s) {
    static const std::string empty;
    // A host may hand back a value of the wrong kind; anything but a string reads as empty.
    return s.o && s.o.get()->kind == Obj::Kind::String ? static_cast<StrObj*>(s.o.get())->s : empty;
}
inline Ref makeStr(std::string v) { return v.empty() ? Ref() : Ref(new StrObj(std::move(v))); }

// Copies a record or static array into an existing one of the same shape.
void assignValue(ArrObj* dst, const ArrObj* src);
Ref cloneValue(const ArrObj* src);

} // namespace pascal
