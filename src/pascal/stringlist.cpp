#include "pascal/stringlist.h"

#include "pascal/builtins.h"
#include "pascal/vm.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pascal {

namespace {

// Sorting and searching ignore case, as the reference's default does.
int compareText(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}
bool lessText(const std::string& a, const std::string& b) { return compareText(a, b) < 0; }

int64_t cost(const std::string& s) { return int64_t(sizeof(std::string) + s.size()); }

// Lines split at CR LF, LF or CR.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& s : items) text += s + "\r\n";
    return text;
}

class Lists {
public:
    explicit Lists(Vm& vm) : vm_(vm) {}

    // The list an argument names, or nullptr (and a pending exception) for a freed or foreign one.
    StringList* list(HostCall& c) {
        auto f = vm_.stringLists.find(c.object(0));
        if (f != vm_.stringLists.end()) return f->second.get();
        vm_.fail(EC_Exception, "Access violation: the string list does not exist (freed or nil)");
        return nullptr;
    }
    bool charge(StringList& l, int64_t bytes) {
        if (bytes > 0 && vm_.budget.live + bytes > vm_.limits.memoryBytes) return vm_.fail(EC_EOutOfMemory, "Out of memory");
        l.bytes += bytes;
        vm_.budget.live += bytes;
        return true;
    }
    bool replaceAll(StringList& l, std::vector<std::string> items) {
        int64_t total = 0;
        for (const std::string& s : items) total += cost(s);
        if (!charge(l, total - l.bytes)) return false;
        l.items = std::move(items);
        if (l.sorted) std::stable_sort(l.items.begin(), l.items.end(), lessText);
        return true;
    }
    bool inRange(const StringList& l, int64_t i) {
        if (i >= 0 && uint64_t(i) < l.items.size()) return true;
        return vm_.fail(EC_ERangeError, "List index (" + std::to_string(i) + ") out of bounds");
    }
    int64_t indexOf(const StringList& l, const std::string& s) const {
        for (size_t i = 0; i < l.items.size(); ++i)
            if (compareText(l.items[i], s) == 0) return int64_t(i);
        return -1;
    }
    // A sorted list keeps one of each text: adding one it has gives the index it has.
    int64_t add(StringList& l, const std::string& s) {
        auto at = l.items.end();
        if (l.sorted) {
            at = std::lower_bound(l.items.begin(), l.items.end(), s, lessText);
            if (at != l.items.end() && compareText(*at, s) == 0) return at - l.items.begin();
        }
        int64_t index = at - l.items.begin();
        if (!charge(l, cost(s))) return -1;
        l.items.insert(l.items.begin() + index, s);
        return index;
    }
    // Scripts hold a list by a number never used again, so a freed list stays invalid even when
    // its memory is reused.
    void create(HostCall& c) {
        auto l = std::make_unique<StringList>();
        if (!charge(*l, int64_t(sizeof(StringList)))) return;
        void* key = reinterpret_cast<void*>(++lastKey_);
        c.returnObject(key);
        vm_.stringLists.emplace(key, std::move(l));
    }
    void free(HostCall& c) {
        auto f = vm_.stringLists.find(c.object(0));
        if (f == vm_.stringLists.end()) return;  // Free on nil does nothing
        vm_.budget.live -= f->second->bytes;
        vm_.stringLists.erase(f);
    }
    void load(HostCall& c, StringList& l) {
        std::error_code ec;
        auto size = std::filesystem::file_size(c.string(1), ec);
        std::ifstream in(c.string(1), std::ios::binary);
        if (ec || !in) {
            vm_.fail(EC_Exception, "Unable to open file \"" + c.string(1) + "\"");
            return;
        }
        if (!vm_.checkString(size)) return;
        std::ostringstream text;
        text << in.rdbuf();
        replaceAll(l, splitLines(text.str()));
    }
    void save(HostCall& c, const StringList& l) {
        std::ofstream out(c.string(1), std::ios::binary | std::ios::trunc);
        out << joinLines(l.items);
        if (!out) vm_.fail(EC_Exception, "Unable to create file \"" + c.string(1) + "\"");
    }

private:
    Vm& vm_;
    uintptr_t lastKey_ = 0;
};

} // namespace

void registerStringLists(Vm& vm) {
    auto lists = std::make_shared<Lists>(vm);
    // Members that work on an existing list get it as `l`; they do nothing once it proved invalid.
    auto member = [&vm, lists](const char* name, std::function<void(HostCall&, StringList&)> fn) {
        vm.registry[name] = [lists, fn](HostCall& c) {
            if (StringList* l = lists->list(c)) fn(c, *l);
        };
    };
    vm.registry["tstringlist.create"] = [lists](HostCall& c) { lists->create(c); };
    vm.registry["tstringlist.free"] = [lists](HostCall& c) { lists->free(c); };
    member("tstringlist.add", [lists](HostCall& c, StringList& l) { c.returnInteger(lists->add(l, c.string(1))); });
    member("tstringlist.clear", [lists](HostCall&, StringList& l) { lists->replaceAll(l, {}); });
    member("tstringlist.delete", [lists](HostCall& c, StringList& l) {
        if (!lists->inRange(l, c.integer(1))) return;
        lists->charge(l, -cost(l.items[size_t(c.integer(1))]));
        l.items.erase(l.items.begin() + c.integer(1));
    });
    member("tstringlist.indexof", [lists](HostCall& c, StringList& l) { c.returnInteger(lists->indexOf(l, c.string(1))); });
    member("tstringlist.loadfromfile", [lists](HostCall& c, StringList& l) { lists->load(c, l); });
    member("tstringlist.savetofile", [lists](HostCall& c, StringList& l) { lists->save(c, l); });
    member("tstringlist.count", [](HostCall& c, StringList& l) { c.returnInteger(int64_t(l.items.size())); });
    member("tstringlist.text", [](HostCall& c, StringList& l) { c.returnString(joinLines(l.items)); });
    member("tstringlist.text:=", [lists](HostCall& c, StringList& l) { lists->replaceAll(l, splitLines(c.string(1))); });
    member("tstringlist.sorted", [](HostCall& c, StringList& l) { c.returnBoolean(l.sorted); });
    member("tstringlist.sorted:=", [lists](HostCall& c, StringList& l) {
        l.sorted = c.boolean(1);
        if (l.sorted) std::stable_sort(l.items.begin(), l.items.end(), lessText);
    });
    member("tstringlist.strings", [lists](HostCall& c, StringList& l) {
        if (lists->inRange(l, c.integer(1))) c.returnString(l.items[size_t(c.integer(1))]);
    });
    member("tstringlist.strings:=", [lists, &vm](HostCall& c, StringList& l) {
        if (l.sorted) {
            vm.fail(EC_Exception, "Operation not allowed on sorted list");
            return;
        }
        if (!lists->inRange(l, c.integer(1))) return;
        std::string& item = l.items[size_t(c.integer(1))];
        if (lists->charge(l, cost(c.string(2)) - cost(item))) item = c.string(2);
    });
}

} // namespace pascal
