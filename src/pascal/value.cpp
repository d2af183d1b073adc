#include "pascal/value.h"

namespace pascal {

constinit thread_local Budget* Budget::current = nullptr;
constinit thread_local Budget Budget::unowned;

void assignValue(ArrObj* dst, const ArrObj* src) {
    for (size_t i = 0; i < dst->items.size() && i < src->items.size(); ++i) {
        const Slot& s = src->items[i];
        Slot& d = dst->items[i];
        if (s.o && s.o.get()->kind == Obj::Kind::Array && static_cast<ArrObj*>(s.o.get())->isValue && d.o)
            assignValue(static_cast<ArrObj*>(d.o.get()), static_cast<ArrObj*>(s.o.get()));
        else
            d = s;
    }
}

Ref cloneValue(const ArrObj* src) {
    auto* a = new ArrObj(src->items.size(), true);
    a->shape = src->shape;
    Ref r(a);
    for (size_t i = 0; i < src->items.size(); ++i) {
        const Slot& s = src->items[i];
        if (s.o && s.o.get()->kind == Obj::Kind::Array && static_cast<ArrObj*>(s.o.get())->isValue)
            a->items[i].o = cloneValue(static_cast<ArrObj*>(s.o.get()));
        else
            a->items[i] = s;
    }
    return r;
}

} // namespace pascal
