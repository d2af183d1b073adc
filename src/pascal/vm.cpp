#include "pascal/vm.h"

#include "pascal/builtins.h"
#include "pascal/lexer.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace pascal {

Vm::~Vm() {
    // Release script values before the libraries whose code they may point into.
    stack.clear();
    globals.clear();
    for (void* l : libraries) dlclose(l);
}

Ref Vm::buildShape(int shape) const {
    const Shape& sh = prog->shapes[size_t(shape)];
    auto* a = new ArrObj(sh.slots.size(), true);
    a->shape = shape;
    Ref r(a);
    for (size_t i = 0; i < sh.slots.size(); ++i)
        if (sh.slots[i] >= 0) a->items[i].o = buildShape(sh.slots[i]);
    return r;
}

bool Vm::reserve(int shape) {
    if (budget.live + shapeBytes[size_t(shape)] > limits.memoryBytes) return fail(EC_EOutOfMemory, "Out of memory");
    return true;
}

// Whether the local records and static arrays of the active calls stay within their limit; the
// frames are only added up when the deepest could not fill it.
bool Vm::framesFit(const Frame* base, const Frame* top) const {
    if ((top - base + 1) * maxFrameBytes <= limits.frameBytes) return true;
    int64_t total = 0;
    for (const Frame* f = base; f <= top; ++f) total += procFrameBytes[size_t(f->proc)];
    return total <= limits.frameBytes;
}

bool Vm::checkString(size_t length) {
    if (int64_t(length) > limits.maxStringLength) return fail(EC_EOutOfMemory, "String too long");
    if (budget.live + int64_t(length) > limits.memoryBytes) return fail(EC_EOutOfMemory, "Out of memory");
    return true;
}

bool Vm::load(std::shared_ptr<const Program> program, std::shared_ptr<const DebugInfo> debug, std::string* error) {
    auto bad = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!program || !debug) return bad("No compiled code");
    BudgetScope charge(budget);
    if (program->procs.empty() || debug->positions.size() != program->code.size())
        return bad("Debug information does not match the code");
    const int n = int(program->code.size());
    for (const ProcInfo& p : program->procs)
        if (p.entry < 0 || p.entry >= n) return bad("Bad procedure entry");
    // Check every operand that indexes something, so a damaged program cannot crash the VM.
    for (const Instr& in : program->code) {
        auto within = [&](int64_t v, size_t size) { return v >= 0 && uint64_t(v) < size; };
        bool ok = in.op < OP_COUNT;
        switch (in.op) {
        case OP_PUSHS: ok = within(in.a, program->strings.size()); break;
        case OP_PUSHSET: ok = within(in.a, program->sets.size()); break;
        case OP_LOADG: case OP_STOREG: case OP_ADDRG: case OP_APPENDG: case OP_INCG: case OP_LOADGN: case OP_STOREGN:
        case OP_INDEXVG: case OP_INDEXAG: case OP_STOREXG: case OP_INDEXVGN: case OP_STOREXGN:
            ok = within(in.a, size_t(program->globals));
            break;
        case OP_FORUPG: case OP_FORDNG:
            ok = within(in.a, size_t(program->globals)) && within(uint32_t(in.b), size_t(n));
            break;
        case OP_FORUPL: case OP_FORDNL: ok = within(uint32_t(in.b), size_t(n)); break;
        case OP_INITG: ok = within(in.a, size_t(program->globals)) && within(in.b, program->shapes.size()); break;
        case OP_INITL: ok = within(in.b, program->shapes.size()); break;
        case OP_LOAD2LG: ok = within(in.b, size_t(program->globals)); break;
        case OP_LOAD2GL: ok = within(in.a, size_t(program->globals)); break;
        case OP_LOAD2GG: ok = within(in.a, size_t(program->globals)) && within(in.b, size_t(program->globals)); break;
        case OP_CALL: ok = within(in.a, program->procs.size()); break;
        case OP_CALLH: ok = within(in.a, program->imports.size()); break;
        case OP_CALLX: ok = within(in.a, program->externals.size()); break;
        case OP_CALLB:
            ok = within(in.a, B_COUNT) &&
                 (in.a != B_SETLENARR || in.b == -1 || within(in.b, program->shapes.size())) &&
                 (in.a != B_EXCNEW || within(in.b, program->exceptionClasses.size()));
            break;
        case OP_EXCIS: ok = within(in.a, program->exceptionClasses.size()); break;
        case OP_DIVLK: case OP_MODLK: ok = in.b != 0 && in.b != -1; break;
        case OP_DIVIK: case OP_MODIK: ok = in.b != 0 && in.b != -1 && in.b >= INT32_MIN && in.b <= INT32_MAX; break;
        default: ok = ok && (opTarget[in.op] != Target::A || within(in.a, size_t(n))); break;
        }
        if (!ok) return bad("Invalid instruction");
    }
    // Bytes of each record or static array, nested ones included; a shape only nests earlier ones.
    std::vector<int64_t> bytes;
    for (const Shape& sh : program->shapes) {
        int64_t total = 0;
        for (int nested : sh.slots) {
            if (nested >= int(bytes.size())) return bad("Invalid shape");
            total += int64_t(sizeof(Slot)) + (nested >= 0 ? bytes[size_t(nested)] + int64_t(sizeof(ArrObj)) : 0);
        }
        bytes.push_back(total);
    }
    shapeBytes = std::move(bytes);
    // A routine makes its local records and static arrays first thing.
    procFrameBytes.clear();
    for (const ProcInfo& p : program->procs) {
        int64_t total = 0;
        for (int at = p.entry; at < n && program->code[size_t(at)].op == OP_INITL; ++at)
            total += shapeBytes[size_t(program->code[size_t(at)].b)];
        procFrameBytes.push_back(total);
    }
    maxFrameBytes = *std::max_element(procFrameBytes.begin(), procFrameBytes.end());
    prog = std::move(program);
    dbg = std::move(debug);
    strPool.clear();
    for (const std::string& s : prog->strings) strPool.push_back(makeStr(s));
    setPool.clear();
    for (const auto& b : prog->sets) {
        auto* so = new SetObj;
        so->bits = b;
        setPool.emplace_back(so);
    }
    // Runs without a line callback use a copy of the code without LINE instructions.
    fast.clear();
    fastToOrig.clear();
    std::vector<int> oldToNew(size_t(n) + 1);
    for (int i = 0; i < n; ++i) {
        oldToNew[size_t(i)] = int(fast.size());
        if (prog->code[size_t(i)].op != OP_LINE) {
            fast.push_back(prog->code[size_t(i)]);
            fastToOrig.push_back(i);
        }
    }
    oldToNew[size_t(n)] = int(fast.size());
    for (Instr& in : fast) {
        if (opTarget[in.op] == Target::A) in.a = oldToNew[size_t(in.a)];
        if (opTarget[in.op] == Target::ForB)
            in.b = int64_t(uint64_t(in.b) & ~uint64_t(0xffffffff)) | oldToNew[uint32_t(in.b)];
    }
    entries.clear();
    fastEntries.clear();
    for (const ProcInfo& p : prog->procs) {
        entries.push_back(p.entry);
        fastEntries.push_back(oldToNew[size_t(p.entry)]);
    }
    bound.assign(prog->imports.size(), HostFunction());
    externals.assign(prog->externals.size(), nullptr);
    globals.assign(size_t(prog->globals), Slot());
    loaded = true;
    return true;
}

void Vm::callHost(HostFunction& fn, const Import& im, Slot* args, Slot* result) {
    HostCall call(args, result, &spare, im.params);
    try {
        fn(call);
    } catch (const std::exception& e) {
        call.raise(e.what());
    } catch (...) {
        call.raise("Host function failed");
    }
    if (call.failed_) fail(EC_Exception, call.error_);
    // Whatever the host returned, the script gets a value of the declared kind.
    Obj* o = result->o.get();
    bool fits = im.result == Import::Result::String ? !o || o->kind == Obj::Kind::String
              : im.result == Import::Result::Object ? !o || o->kind == Obj::Kind::Host
              : im.result == Import::Result::Number ? !o : true;
    if (!fits || im.result == Import::Result::Other) result->o.reset();
}

static bool isA(const Program& p, int cls, int want) {
    for (int c = cls; c >= 0; c = p.exceptionParents[size_t(c)])
        if (c == want) return true;
    return false;
}

// A set variable starts out empty, without an object.
static inline const SetObj* setOf(const Slot& s) {
    static const SetObj empty;
    return s.o ? static_cast<const SetObj*>(s.o.get()) : &empty;
}

// Where the error happened: instruction `at` of the original code, in procedure `proc`.
void Vm::locate(int proc, size_t at) {
    err.proc = proc;
    err.position = int(at) - prog->procs[size_t(proc)].entry;
    const SourcePos& p = dbg->positions[at];
    err.file = dbg->files[size_t(p.file)];
    err.line = p.line;
    err.col = p.col;
}

// A stop requested before the run ends it where the main program starts.
bool Vm::stoppedBeforeStart() {
    if (!loaded || !stopRequested) return false;
    err = RuntimeError();
    err.code = RuntimeError::Stopped;
    err.text = "Script stopped";
    locate(int(prog->procs.size()) - 1, size_t(prog->procs.back().entry));
    return true;
}

bool Vm::run() {
    if (!loaded) {
        err.code = RuntimeError::Internal;
        err.text = "Nothing loaded";
        return false;
    }
    err = RuntimeError();
    // Slots above the top are always empty, so the stack of an earlier run can be reused.
    if (stack.size() != size_t(limits.stackSlots)) stack = std::vector<Slot>(size_t(limits.stackSlots));
    frameStore.assign(size_t(limits.callDepth) + 2, Frame{});
    handlers.clear();
    excStack.clear();
    attention = stopRequested.load() || bool(lineHook);

    const bool hooked = bool(lineHook);
    const Instr* const code = hooked ? prog->code.data() : fast.data();
    const int* const entry = hooked ? entries.data() : fastEntries.data();
    Slot* const stackBase = stack.data();
    Slot* const stackEnd = stackBase + stack.size();
    Slot* const gp = globals.data();
    const ProcInfo& mainProc = prog->procs.back();
    Slot* sp = stackBase;
    Slot* bp = stackBase;
    if (mainProc.locals + mainProc.maxStack + 16 >= int64_t(stack.size())) {
        err.code = RuntimeError::Internal;
        err.text = "Stack too small";
        return false;
    }
    sp += mainProc.locals;
    Frame* const frameBase = frameStore.data();
    Frame* const frameLimit = frameBase + limits.callDepth;
    Frame* fp = frameBase;
    *fp = {nullptr, bp, int(prog->procs.size()) - 1};
    const Instr* pc = code + entry[prog->procs.size() - 1];
    Ref exc;

    static void* const labels[] = {
#define PASCAL_OP_LABEL(name, effect, target) &&L_##name,
        PASCAL_OPCODES(PASCAL_OP_LABEL)
#undef PASCAL_OP_LABEL
    };
#define NEXT() goto* labels[(++pc)->op]
#define JUMP(t) do { pc = code + (t); goto* labels[pc->op]; } while (0)
#define RAISE(cls, msg) do { fail(cls, msg); goto raise_pending; } while (0)
#define CHECK(expr) do { if (!(expr)) goto raise_pending; } while (0)
#define POPREF() do { --sp; sp->o.reset(); } while (0)
// At a statement a stop ends the run and the host's line hook runs. A loop step ends a stopped
// run too, and calls the hook every 1024th step, so that a loop without a statement in its
// body still lets the host handle its events (and a Stop).
#define ATTENTION(every) do { \
    if (attention.load(std::memory_order_relaxed)) { \
        if (stopRequested) goto stopped; \
        if (lineHook && ((every) == 1 || (++hookSteps & ((every) - 1)) == 0)) { \
            lineHook(dbg->positions[size_t(pc - code)]); \
            if (stopRequested) goto stopped; \
        } \
    } \
} while (0)

    goto* labels[pc->op];

L_NOP:
    NEXT();
L_LINE:
    ATTENTION(1);
    NEXT();
L_POP:
    POPREF();
    NEXT();
L_DUP:
    *sp = sp[-1];
    ++sp;
    NEXT();
L_SWAP:
    std::swap(sp[-1], sp[-2]);
    NEXT();
L_PUSHI:
    (sp++)->i = pc->b;
    NEXT();
L_PUSHF:
    std::memcpy(&sp->d, &pc->b, sizeof(double));
    ++sp;
    NEXT();
L_PUSHS:
    (sp++)->o = strPool[size_t(pc->a)];
    NEXT();
L_PUSHNIL:
    sp->i = 0;
    (sp++)->o.reset();
    NEXT();
L_PUSHSET:
    (sp++)->o = setPool[size_t(pc->a)];
    NEXT();
L_LOADL:
    *sp++ = bp[pc->a];
    NEXT();
L_LOADG:
    *sp++ = gp[pc->a];
    NEXT();
L_STOREL:
    bp[pc->a] = std::move(*--sp);
    NEXT();
L_STOREG:
    gp[pc->a] = std::move(*--sp);
    NEXT();
L_LOADLN:
    (sp++)->i = bp[pc->a].i;
    NEXT();
L_LOADGN:
    (sp++)->i = gp[pc->a].i;
    NEXT();
L_STORELN:
    bp[pc->a].i = (--sp)->i;
    NEXT();
L_STOREGN:
    gp[pc->a].i = (--sp)->i;
    NEXT();
L_LOADLI:
    *sp++ = *bp[pc->a].p;
    NEXT();
L_STORELI:
    *bp[pc->a].p = std::move(*--sp);
    NEXT();
L_ADDRL:
    sp->p = &bp[pc->a];
    (sp++)->o.reset();
    NEXT();
L_ADDRG:
    sp->p = &gp[pc->a];
    (sp++)->o.reset();
    NEXT();
L_PUSHBP:
    sp->p = bp;
    (sp++)->o.reset();
    NEXT();
L_LINK:
    sp[-1].p = sp[-1].p[pc->a].p;
    NEXT();
L_ADDRUP:
    sp[-1].p = &sp[-1].p[pc->a];
    NEXT();
L_LOADUP:
    scratch = sp[-1].p[pc->a];
    sp[-1] = std::move(scratch);
    NEXT();
L_LOADR:
    scratch = *sp[-1].p;
    sp[-1] = std::move(scratch);
    NEXT();
L_STORER:
    *sp[-2].p = std::move(sp[-1]);
    sp -= 2;
    sp->o.reset();
    NEXT();
L_CLONE:
    if (sp[-1].o && sp[-1].o.get()->kind == Obj::Kind::Array) {
        auto* v = static_cast<ArrObj*>(sp[-1].o.get());
        CHECK(v->shape < 0 || reserve(v->shape));
        sp[-1].o = cloneValue(v);
    }
    NEXT();
L_INDEX: {
    Obj* o = sp[-2].p->o.get();
    auto* arr = static_cast<ArrObj*>(o);
    int64_t k = sp[-1].i - pc->a;
    if (!arr || k < 0 || uint64_t(k) >= arr->items.size())
        RAISE(EC_ERangeError, "Index out of bounds (" + std::to_string(sp[-1].i) + ")");
    --sp;
    sp[-1].p = &arr->items[size_t(k)];
    sp[-1].o = Ref(arr);
    NEXT();
}
L_INDEXV: {
    auto* arr = static_cast<ArrObj*>(sp[-2].o.get());
    int64_t k = sp[-1].i - pc->a;
    if (!arr || k < 0 || uint64_t(k) >= arr->items.size())
        RAISE(EC_ERangeError, "Index out of bounds (" + std::to_string(sp[-1].i) + ")");
    scratch = arr->items[size_t(k)];
    --sp;
    sp->o.reset();
    sp[-1] = std::move(scratch);
    NEXT();
}
#define ELEMENT(base, index, k) \
    auto* arr = static_cast<ArrObj*>(base[pc->a].o.get()); \
    int64_t k = (index).i - pc->b; \
    if (!arr || k < 0 || uint64_t(k) >= arr->items.size()) \
        RAISE(EC_ERangeError, "Index out of bounds (" + std::to_string((index).i) + ")");
L_INDEXVL: {
    ELEMENT(bp, sp[-1], k)
    sp[-1] = arr->items[size_t(k)];
    NEXT();
}
L_INDEXVG: {
    ELEMENT(gp, sp[-1], k)
    sp[-1] = arr->items[size_t(k)];
    NEXT();
}
L_INDEXAL: {
    ELEMENT(bp, sp[-1], k)
    sp[-1].p = &arr->items[size_t(k)];
    sp[-1].o = Ref(arr);
    NEXT();
}
L_INDEXAG: {
    ELEMENT(gp, sp[-1], k)
    sp[-1].p = &arr->items[size_t(k)];
    sp[-1].o = Ref(arr);
    NEXT();
}
L_STOREXL: {
    ELEMENT(bp, sp[-2], k)
    arr->items[size_t(k)] = std::move(sp[-1]);
    sp -= 2;
    NEXT();
}
L_STOREXG: {
    ELEMENT(gp, sp[-2], k)
    arr->items[size_t(k)] = std::move(sp[-1]);
    sp -= 2;
    NEXT();
}
L_INDEXVLN: {
    ELEMENT(bp, sp[-1], k)
    sp[-1].i = arr->items[size_t(k)].i;
    NEXT();
}
L_INDEXVGN: {
    ELEMENT(gp, sp[-1], k)
    sp[-1].i = arr->items[size_t(k)].i;
    NEXT();
}
L_STOREXLN: {
    ELEMENT(bp, sp[-2], k)
    arr->items[size_t(k)].i = sp[-1].i;
    sp -= 2;
    NEXT();
}
L_STOREXGN: {
    ELEMENT(gp, sp[-2], k)
    arr->items[size_t(k)].i = sp[-1].i;
    sp -= 2;
    NEXT();
}
#undef ELEMENT
L_FIELD: {
    auto* rec = static_cast<ArrObj*>(sp[-1].p->o.get());
    sp[-1].p = &rec->items[size_t(pc->a)];
    sp[-1].o = Ref(rec);
    NEXT();
}
L_FIELDV: {
    scratch = static_cast<ArrObj*>(sp[-1].o.get())->items[size_t(pc->a)];
    sp[-1] = std::move(scratch);
    NEXT();
}
L_STRCHAR: {
    const std::string& s = strOf(sp[-2]);
    int64_t k = sp[-1].i;
    if (k < 1 || uint64_t(k) > s.size()) RAISE(EC_ERangeError, "Index out of bounds (" + std::to_string(k) + ")");
    int64_t c = static_cast<unsigned char>(s[size_t(k - 1)]);
    --sp;
    sp->o.reset();
    sp[-1].o.reset();
    sp[-1].i = c;
    NEXT();
}
L_SETSTRCHAR: {
    Slot* target = sp[-3].p;
    int64_t k = sp[-2].i;
    size_t len = strOf(*target).size();
    if (k < 1 || uint64_t(k) > len) RAISE(EC_ERangeError, "Index out of bounds (" + std::to_string(k) + ")");
    if (target->o.get()->rc > 1) target->o = Ref(new StrObj(strOf(*target)));
    static_cast<StrObj*>(target->o.get())->s[size_t(k - 1)] = char(sp[-1].i);
    sp -= 3;
    sp->o.reset();
    NEXT();
}
L_MKARRAY: {
    size_t n = size_t(pc->b);
    auto* arr = new ArrObj(n, false);
    Ref keep(arr);
    Slot* first = sp - n;
    for (size_t k = 0; k < n; ++k) arr->items[k] = std::move(first[k]);
    sp = first;
    sp->o = std::move(keep);
    ++sp;
    NEXT();
}
L_INITL:
    if (!framesFit(frameBase, fp)) RAISE(EC_EStackOverflow, "Stack overflow");
    CHECK(reserve(int(pc->b)));
    bp[pc->a].o = buildShape(int(pc->b));
    NEXT();
L_INITG:
    CHECK(reserve(int(pc->b)));
    gp[pc->a].o = buildShape(int(pc->b));
    NEXT();
L_NARROW:
    sp[-1].i = narrowed(sp[-1].i, pc->a);
    NEXT();
L_ADDI:
    --sp;
    sp[-1].i = int32_t(uint32_t(sp[-1].i) + uint32_t(sp->i));
    NEXT();
L_SUBI:
    --sp;
    sp[-1].i = int32_t(uint32_t(sp[-1].i) - uint32_t(sp->i));
    NEXT();
L_MULI:
    --sp;
    sp[-1].i = int32_t(uint32_t(sp[-1].i) * uint32_t(sp->i));
    NEXT();
L_ADDL:
    --sp;
    sp[-1].i = int64_t(uint64_t(sp[-1].i) + uint64_t(sp->i));
    NEXT();
L_SUBL:
    --sp;
    sp[-1].i = int64_t(uint64_t(sp[-1].i) - uint64_t(sp->i));
    NEXT();
L_MULL:
    --sp;
    sp[-1].i = int64_t(uint64_t(sp[-1].i) * uint64_t(sp->i));
    NEXT();
L_DIVI:
    --sp;
    if (sp->i == 0) RAISE(EC_EDivByZero, "Division by zero");
    sp[-1].i = sp->i == -1 ? int64_t(int32_t(0 - uint32_t(sp[-1].i))) : sp[-1].i / sp->i;
    NEXT();
L_DIVL:
    --sp;
    if (sp->i == 0) RAISE(EC_EDivByZero, "Division by zero");
    sp[-1].i = sp->i == -1 ? int64_t(0 - uint64_t(sp[-1].i)) : sp[-1].i / sp->i;
    NEXT();
L_MODL:
    --sp;
    if (sp->i == 0) RAISE(EC_EDivByZero, "Division by zero");
    sp[-1].i = sp->i == -1 ? 0 : sp[-1].i % sp->i;
    NEXT();
L_NEGI:
    sp[-1].i = int32_t(0 - uint32_t(sp[-1].i));
    NEXT();
L_NEGL:
    sp[-1].i = int64_t(0 - uint64_t(sp[-1].i));
    NEXT();
L_AND:
    --sp;
    sp[-1].i &= sp->i;
    NEXT();
L_OR:
    --sp;
    sp[-1].i |= sp->i;
    NEXT();
L_XOR:
    --sp;
    sp[-1].i ^= sp->i;
    NEXT();
L_NOT:
    sp[-1].i = ~sp[-1].i;
    NEXT();
L_NOTB:
    sp[-1].i = !sp[-1].i;
    NEXT();
L_SHL: {
    --sp;
    int64_t n = sp->i;
    int width = pc->a;
    uint64_t v = n < 0 || n >= width ? 0 : uint64_t(sp[-1].i) << n;
    sp[-1].i = width == 32 ? int64_t(int32_t(uint32_t(v))) : int64_t(v);
    NEXT();
}
L_SHR: {
    --sp;
    int64_t n = sp->i;
    int width = pc->a;
    uint64_t v = width == 32 ? uint64_t(uint32_t(sp[-1].i)) : uint64_t(sp[-1].i);
    v = n < 0 || n >= width ? 0 : v >> n;
    sp[-1].i = width == 32 ? int64_t(int32_t(uint32_t(v))) : int64_t(v);
    NEXT();
}
#define CMP(name, type, field, op) \
L_##name: \
    --sp; \
    sp[-1].i = sp[-1].field op sp->field; \
    NEXT();
    CMP(EQI, int64_t, i, ==)
    CMP(NEI, int64_t, i, !=)
    CMP(LTI, int64_t, i, <)
    CMP(LEI, int64_t, i, <=)
    CMP(GTI, int64_t, i, >)
    CMP(GEI, int64_t, i, >=)
    CMP(EQF, double, d, ==)
    CMP(NEF, double, d, !=)
    CMP(LTF, double, d, <)
    CMP(LEF, double, d, <=)
    CMP(GTF, double, d, >)
    CMP(GEF, double, d, >=)
#undef CMP
L_ADDF:
    --sp;
    sp[-1].d += sp->d;
    NEXT();
L_SUBF:
    --sp;
    sp[-1].d -= sp->d;
    NEXT();
L_MULF:
    --sp;
    sp[-1].d *= sp->d;
    NEXT();
L_DIVF:
    --sp;
    if (sp->d == 0) RAISE(EC_EDivByZero, "Division by zero");
    sp[-1].d /= sp->d;
    NEXT();
L_NEGF:
    sp[-1].d = -sp[-1].d;
    NEXT();
L_I2F:
    sp[-1].d = double(sp[-1].i);
    NEXT();
L_I2F2:
    sp[-2].d = double(sp[-2].i);
    NEXT();
L_C2S:
    sp[-1].o = makeStr(std::string(1, char(sp[-1].i)));
    NEXT();
L_C2S2:
    sp[-2].o = makeStr(std::string(1, char(sp[-2].i)));
    NEXT();
L_CONCAT: {
    Slot& a = sp[-2];
    const std::string& b = strOf(sp[-1]);
    size_t len = strOf(a).size() + b.size();
    CHECK(checkString(len));
    if (!a.o) {
        a.o = std::move(sp[-1].o);
    } else if (!b.empty()) {
        if (a.o.get()->rc > 1) a.o = Ref(new StrObj(strOf(a)));
        auto* so = static_cast<StrObj*>(a.o.get());
        so->s += b;
        so->recount();
    }
    POPREF();
    NEXT();
}
#define SCMP(name, op) \
L_##name: { \
    bool r = strOf(sp[-2]).compare(strOf(sp[-1])) op 0; \
    POPREF(); \
    sp[-1].o.reset(); \
    sp[-1].i = r; \
    NEXT(); \
}
    SCMP(EQS, ==)
    SCMP(NES, !=)
    SCMP(LTS, <)
    SCMP(LES, <=)
    SCMP(GTS, >)
    SCMP(GES, >=)
#undef SCMP
L_EQR: {
    bool r = sp[-2].o.get() == sp[-1].o.get();
    POPREF();
    sp[-1].o.reset();
    sp[-1].i = r;
    NEXT();
}
L_APPENDL:
L_APPENDG: {
    Slot& v = pc->op == OP_APPENDL ? bp[pc->a] : gp[pc->a];
    const std::string& b = strOf(sp[-1]);
    CHECK(checkString(strOf(v).size() + b.size()));
    if (!v.o) {
        v.o = std::move(sp[-1].o);
    } else if (!b.empty()) {
        if (v.o.get()->rc > 1) v.o = Ref(new StrObj(strOf(v)));
        auto* so = static_cast<StrObj*>(v.o.get());
        so->s += b;
        so->recount();
    }
    POPREF();
    NEXT();
}
L_SETADD:
L_SETADDR: {
    bool range = pc->op == OP_SETADDR;
    int64_t lo = range ? sp[-2].i : sp[-1].i;
    int64_t hi = sp[-1].i;
    if (lo < 0 || hi > 255) RAISE(EC_ERangeError, "Set element out of range");
    Slot& s = range ? sp[-3] : sp[-2];
    auto* n = new SetObj;
    n->bits = setOf(s)->bits;
    for (int64_t v = lo; v <= hi; ++v) n->bits.set(size_t(v));
    s.o = Ref(n);
    sp -= range ? 2 : 1;
    NEXT();
}
L_IN: {
    int64_t v = sp[-2].i;
    bool r = v >= 0 && v < 256 && setOf(sp[-1])->bits.test(size_t(v));
    POPREF();
    sp[-1].i = r;
    NEXT();
}
L_SETUNION:
L_SETDIFF:
L_SETINTER: {
    auto* n = new SetObj;
    const auto& a = setOf(sp[-2])->bits;
    const auto& b = setOf(sp[-1])->bits;
    n->bits = pc->op == OP_SETUNION ? (a | b) : pc->op == OP_SETDIFF ? (a & ~b) : (a & b);
    POPREF();
    sp[-1].o = Ref(n);
    NEXT();
}
L_SETEQ:
L_SETNE:
L_SETLE:
L_SETGE: {
    const auto& a = setOf(sp[-2])->bits;
    const auto& b = setOf(sp[-1])->bits;
    bool r = pc->op == OP_SETEQ ? a == b : pc->op == OP_SETNE ? a != b
           : pc->op == OP_SETLE ? (a & ~b).none() : (b & ~a).none();
    POPREF();
    sp[-1].o.reset();
    sp[-1].i = r;
    NEXT();
}
L_JMP:
    JUMP(pc->a);
L_JMPB:
    ATTENTION(1024);
    JUMP(pc->a);
L_JF:
    if (!(--sp)->i) JUMP(pc->a);
    NEXT();
L_JT:
    if ((--sp)->i) JUMP(pc->a);
    NEXT();
L_JFK:
    if (!sp[-1].i) JUMP(pc->a);
    --sp;
    NEXT();
L_JTK:
    if (sp[-1].i) JUMP(pc->a);
    --sp;
    NEXT();
#define FORSTEP(name, base, cmp, step) \
L_##name: { \
    Slot& v = base[pc->a]; \
    if (v.i cmp bp[pc->b >> 32].i) { \
        v.i += step; \
        ATTENTION(1024); \
        JUMP(uint32_t(pc->b)); \
    } \
    NEXT(); \
}
    FORSTEP(FORUPL, bp, <, 1)
    FORSTEP(FORDNL, bp, >, -1)
    FORSTEP(FORUPG, gp, <, 1)
    FORSTEP(FORDNG, gp, >, -1)
#undef FORSTEP
L_LOAD2LL:
    sp[0].i = bp[pc->a].i;
    sp[1].i = bp[pc->b].i;
    sp += 2;
    NEXT();
L_LOAD2LG:
    sp[0].i = bp[pc->a].i;
    sp[1].i = gp[pc->b].i;
    sp += 2;
    NEXT();
L_LOAD2GL:
    sp[0].i = gp[pc->a].i;
    sp[1].i = bp[pc->b].i;
    sp += 2;
    NEXT();
L_LOAD2GG:
    sp[0].i = gp[pc->a].i;
    sp[1].i = gp[pc->b].i;
    sp += 2;
    NEXT();
L_INCL:
    bp[pc->a].i = int32_t(uint32_t(bp[pc->a].i) + uint32_t(pc->b));
    NEXT();
L_INCG:
    gp[pc->a].i = int32_t(uint32_t(gp[pc->a].i) + uint32_t(pc->b));
    NEXT();
L_ADDIK:
    sp[-1].i = int32_t(uint32_t(sp[-1].i) + uint32_t(pc->b));
    NEXT();
L_MULIK:
    sp[-1].i = int32_t(uint32_t(sp[-1].i) * uint32_t(pc->b));
    NEXT();
L_DIVLK:
    sp[-1].i /= pc->b;
    NEXT();
L_DIVIK:
    sp[-1].i = int32_t(sp[-1].i) / int32_t(pc->b);
    NEXT();
L_MODIK:
    sp[-1].i = int32_t(sp[-1].i) % int32_t(pc->b);
    NEXT();
L_MODLK:
    sp[-1].i %= pc->b;
    NEXT();
L_NEIK:
    sp[-1].i = sp[-1].i != pc->b;
    NEXT();
L_LTIK:
    sp[-1].i = sp[-1].i < pc->b;
    NEXT();
L_LEIK:
    sp[-1].i = sp[-1].i <= pc->b;
    NEXT();
L_GTIK:
    sp[-1].i = sp[-1].i > pc->b;
    NEXT();
L_GEIK:
    sp[-1].i = sp[-1].i >= pc->b;
    NEXT();
L_EQIK:
    sp[-1].i = sp[-1].i == pc->b;
    NEXT();
#define JFCMP(name, op) \
L_JF##name: \
    sp -= 2; \
    if (!(sp[0].i op sp[1].i)) JUMP(pc->a); \
    NEXT(); \
L_JF##name##K: \
    --sp; \
    if (!(sp->i op pc->b)) JUMP(pc->a); \
    NEXT();
    JFCMP(EQ, ==)
    JFCMP(NE, !=)
    JFCMP(LT, <)
    JFCMP(LE, <=)
    JFCMP(GT, >)
    JFCMP(GE, >=)
#undef JFCMP
L_CALL: {
    const ProcInfo& pi = prog->procs[size_t(pc->a)];
    if (fp >= frameLimit || sp + pi.locals + pi.maxStack >= stackEnd)
        RAISE(EC_EStackOverflow, "Stack overflow");
    if (attention.load(std::memory_order_relaxed) && stopRequested) goto stopped;
    Slot* nbp = sp - pi.params;
    for (int k = 0; k < pi.locals; ++k) sp[k].i = 0;
    sp += pi.locals;
    *++fp = {pc + 1, nbp, pc->a};
    bp = nbp;
    JUMP(entry[pc->a]);
}
L_RET: {
    const Frame f = *fp--;
    const ProcInfo& pi = prog->procs[size_t(f.proc)];
    if (pi.isFunction) {
        scratch = std::move(bp[pi.params]);
        while (sp > bp) POPREF();
        *sp++ = std::move(scratch);
    } else {
        while (sp > bp) POPREF();
    }
    bp = fp->bp;
    pc = f.ret;
    goto* labels[pc->op];
}
L_CALLH: {
    HostFunction& fn = bound[size_t(pc->a)];
    const Import& im = prog->imports[size_t(pc->a)];
    if (!fn) RAISE(EC_Exception, "Host function '" + im.name + "' is not available");
    int n = int(pc->b);
    Slot* args = sp - n;
    scratch = Slot();
    pendingClass = -1;
    callHost(fn, im, args, &scratch);
    while (sp > args) POPREF();
    if (pendingClass >= 0) goto raise_pending;
    if (im.isFunction) *sp++ = std::move(scratch);
    else scratch.o.reset();
    NEXT();
}
L_CALLX: {
    const External& ex = prog->externals[size_t(pc->a)];
    int n = int(pc->b);
    Slot* args = sp - n;
    scratch = Slot();
    bool ok = callExternal(pc->a, args, &scratch);
    while (sp > args) POPREF();
    CHECK(ok);
    if (ex.result != CType::Void) *sp++ = std::move(scratch);
    NEXT();
}
L_CALLB: {
    const BuiltinInfo& b = builtinTable[pc->a];
    int n = b.args >= 0 ? b.args : int(1 + 2 * pc->b);
    Slot* args = sp - n;
    CHECK(b.fn(*this, args, *pc));
    Slot* end = args + (b.result ? 1 : 0);
    while (sp > end) POPREF();
    sp = end;
    NEXT();
}
L_TRY:
    handlers.push_back({pc->a, size_t(fp - frameBase), size_t(sp - stackBase), excStack.size()});
    NEXT();
L_POPTRY:
    handlers.pop_back();
    NEXT();
L_RAISE:
    exc = std::move(sp[-1].o);
    --sp;
    if (!exc) exc = Ref(new ExcObj(EC_Exception, "Exception raised with nil"));
    goto raise_exc;
L_RERAISE:
    if (excStack.empty()) RAISE(EC_Exception, "Re-raise outside of an exception handler");
    exc = std::move(excStack.back());
    excStack.pop_back();
    goto raise_exc;
L_ENDEXCEPT:
    if (!excStack.empty()) excStack.pop_back();
    NEXT();
L_GETEXC:
    sp->i = 0;
    (sp++)->o = excStack.empty() ? Ref() : excStack.back();
    NEXT();
L_EXCIS: {
    bool r = !excStack.empty() && isA(*prog, static_cast<ExcObj*>(excStack.back().get())->cls, pc->a);
    sp->o.reset();
    (sp++)->i = r;
    NEXT();
}
L_JSR:
    (sp++)->i = pc + 1 - code;
    JUMP(pc->a);
L_RETSUB:
    --sp;
    if (sp->i < 0 || sp->i >= int64_t(hooked ? prog->code.size() : fast.size()))
        RAISE(EC_Exception, "Internal error: bad return address");
    JUMP(sp->i);
L_HALT:
    while (sp > stackBase) POPREF();
    return true;

raise_pending:
    exc = Ref(new ExcObj(pendingClass < 0 ? EC_Exception : pendingClass, pendingMessage));
    pendingClass = -1;
raise_exc:
    if (!handlers.empty()) {
        Handler h = handlers.back();
        handlers.pop_back();
        fp = frameBase + h.frames;
        bp = fp->bp;
        Slot* target = stackBase + h.sp;
        while (sp > target) POPREF();
        excStack.resize(h.exc);
        excStack.push_back(std::move(exc));
        JUMP(h.pc);
    }
    {
        auto* e = static_cast<ExcObj*>(exc.get());
        err.code = RuntimeError::Exception;
        err.text = e->message;
        err.exceptionClass = prog->exceptionClasses[size_t(e->cls)];
    }
    goto fill_position;
stopped:
    err.code = RuntimeError::Stopped;
    err.text = "Script stopped";
fill_position : {
    size_t at = size_t(pc - code);
    locate(fp->proc, hooked ? at : size_t(fastToOrig[at]));
    while (sp > stackBase) POPREF();
    handlers.clear();
    excStack.clear();
    exc.reset();
    return false;
}
#undef NEXT
#undef JUMP
#undef RAISE
#undef CHECK
#undef ATTENTION
#undef POPREF
}

// ---------------------------------------------------------------- HostCall

Slot& HostCall::arg(int i) const {
    // An index beyond the declaration reads and writes a throw-away slot.
    if (i < 0 || i >= count()) {
        *spare_ = Slot();
        return *spare_;
    }
    Slot& s = args_[i];
    return kinds_[size_t(i)] == ParamKind::Var ? *s.p : s;
}
int64_t HostCall::integer(int i) const { return arg(i).i; }
double HostCall::real(int i) const { return arg(i).d; }
std::string HostCall::string(int i) const { return strOf(arg(i)); }
void* HostCall::object(int i) const {
    const Slot& s = arg(i);
    return s.o && s.o.get()->kind == Obj::Kind::Host ? static_cast<HostObj*>(s.o.get())->ptr : nullptr;
}
void HostCall::setInteger(int i, int64_t v) { arg(i).i = v; }
void HostCall::setReal(int i, double v) { arg(i).d = v; }
void HostCall::setString(int i, const std::string& v) { arg(i).o = makeStr(v); }
void HostCall::returnInteger(int64_t v) { result_->i = v; }
void HostCall::returnReal(double v) { result_->d = v; }
void HostCall::returnString(const std::string& v) { result_->o = makeStr(v); }
void HostCall::returnObject(void* object) { result_->o = object ? Ref(new HostObj(object)) : Ref(); }

// ---------------------------------------------------------------- Executor

Executor::Executor() : vm_(std::make_unique<Vm>()) { registerStringLists(*vm_); }
Executor::~Executor() {
    // The engine's values are freed against its own budget.
    BudgetScope charge(vm_->budget);
    vm_.reset();
}

bool Executor::load(std::shared_ptr<const Program> program, std::shared_ptr<const DebugInfo> debug,
                    std::string* error) {
    if (!vm_->load(std::move(program), std::move(debug), error)) return false;
    for (auto& [name, fn] : vm_->registry) registerFunction(name, fn);
    return true;
}

void Executor::setLimits(const Limits& limits) { vm_->limits = limits; }

void Executor::registerFunction(const std::string& name, HostFunction fn) {
    std::string key = lower(name);
    vm_->registry[key] = fn;
    if (!vm_->prog) return;
    for (size_t i = 0; i < vm_->prog->imports.size(); ++i)
        if (vm_->prog->imports[i].name == key) vm_->bound[i] = fn;
}

bool Executor::bindVariable(const std::string& name, void* object) {
    if (!vm_->prog) return false;
    std::string key = lower(name);
    for (const GlobalBinding& b : vm_->prog->hostVariables) {
        if (b.name == key) {
            vm_->globals[size_t(b.slot)].o = object ? Ref(new HostObj(object)) : Ref();
            return true;
        }
    }
    return false;
}

void Executor::setLineCallback(std::function<void(const SourcePos&)> callback) { vm_->lineHook = std::move(callback); }

void Executor::stop() {
    vm_->stopRequested = true;
    vm_->attention = true;
}

static bool runCatching(Vm& vm) {
    // Values made during the run count against this engine's budget.
    BudgetScope charge(vm.budget);
    if (vm.stoppedBeforeStart()) return false;
    try {
        return vm.run();
    } catch (const std::exception& e) {
        // Only allocation failures and a throwing line callback get here; start clean next time.
        vm.stack.clear();
        vm.handlers.clear();
        vm.excStack.clear();
        vm.err = RuntimeError();
        vm.err.code = RuntimeError::Internal;
        vm.err.text = std::string("Internal error: ") + e.what();
        return false;
    }
}

bool Executor::run() {
    // A stop requested before the run ends it at once; either way the run uses it up.
    bool ok = runCatching(*vm_);
    vm_->stopRequested = false;
    return ok;
}

const RuntimeError& Executor::error() const { return vm_->err; }
const DebugInfo* Executor::debugInfo() const { return vm_->dbg.get(); }

} // namespace pascal
