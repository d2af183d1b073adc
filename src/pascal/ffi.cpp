#include "pascal/builtins.h"
#include "pascal/vm.h"

#include <dlfcn.h>
#include <ffi.h>

namespace pascal {

namespace {

ffi_type* ffiType(CType t) {
    switch (t) {
    case CType::Int8: return &ffi_type_sint8;
    case CType::UInt8:
    case CType::Bool: return &ffi_type_uint8;
    case CType::Int16: return &ffi_type_sint16;
    case CType::UInt16: return &ffi_type_uint16;
    case CType::Int32: return &ffi_type_sint32;
    case CType::UInt32: return &ffi_type_uint32;
    case CType::Int64: return &ffi_type_sint64;
    case CType::Double: return &ffi_type_double;
    case CType::PChar: return &ffi_type_pointer;
    case CType::Void: return &ffi_type_void;
    }
    return &ffi_type_void;
}

union CValue {
    int8_t i8;
    uint8_t u8;
    int16_t i16;
    uint16_t u16;
    int32_t i32;
    uint32_t u32;
    int64_t i64;
    double d;
    const char* str;
    ffi_arg ret;
};

void toC(CType t, const Slot& s, CValue& v) {
    switch (t) {
    case CType::Int8: v.i8 = int8_t(s.i); break;
    case CType::UInt8: v.u8 = uint8_t(s.i); break;
    case CType::Bool: v.u8 = s.i != 0; break;
    case CType::Int16: v.i16 = int16_t(s.i); break;
    case CType::UInt16: v.u16 = uint16_t(s.i); break;
    case CType::Int32: v.i32 = int32_t(s.i); break;
    case CType::UInt32: v.u32 = uint32_t(s.i); break;
    case CType::Int64: v.i64 = s.i; break;
    case CType::Double: v.d = s.d; break;
    default: break;
    }
}

void fromC(CType t, const CValue& v, Slot& s, bool isReturn) {
    // Integer results narrower than a register come back widened in `ret`.
    switch (t) {
    case CType::Int8: s.i = isReturn ? int8_t(v.ret) : v.i8; break;
    case CType::UInt8: s.i = isReturn ? uint8_t(v.ret) : v.u8; break;
    case CType::Bool: s.i = (isReturn ? uint8_t(v.ret) : v.u8) != 0; break;
    case CType::Int16: s.i = isReturn ? int16_t(v.ret) : v.i16; break;
    case CType::UInt16: s.i = isReturn ? uint16_t(v.ret) : v.u16; break;
    case CType::Int32: s.i = isReturn ? int32_t(v.ret) : v.i32; break;
    case CType::UInt32: s.i = isReturn ? uint32_t(v.ret) : v.u32; break;
    case CType::Int64: s.i = v.i64; break;
    case CType::Double: s.d = v.d; break;
    case CType::PChar: s.o = makeStr(v.str ? std::string(v.str) : std::string()); break;
    case CType::Void: break;
    }
}

} // namespace

bool Vm::callExternal(int index, Slot* args, Slot* result) {
    const External& ex = prog->externals[size_t(index)];
    void*& fn = externals[size_t(index)];
    if (!fn) {
        void* lib = dlopen(ex.library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib) return fail(EC_EExternal, "Cannot load library '" + ex.library + "'");
        libraries.push_back(lib);
        fn = dlsym(lib, ex.symbol.c_str());
        if (!fn) return fail(EC_EExternal, "Cannot find '" + ex.symbol + "' in '" + ex.library + "'");
    }
    const size_t n = ex.params.size();
    std::vector<ffi_type*> types(n);
    std::vector<CValue> values(n);
    std::vector<void*> pointers(n);
    std::vector<void*> argPtrs(n);
    std::vector<std::string> strings(n);
    for (size_t i = 0; i < n; ++i) {
        bool byRef = ex.kinds[i] == ParamKind::Var;
        const Slot& s = byRef ? *args[i].p : args[i];
        if (ex.params[i] == CType::PChar) {
            strings[i] = strOf(s);
            values[i].str = strings[i].c_str();
        } else {
            toC(ex.params[i], s, values[i]);
        }
        if (byRef) {
            pointers[i] = &values[i];
            types[i] = &ffi_type_pointer;
            argPtrs[i] = &pointers[i];
        } else {
            types[i] = ffiType(ex.params[i]);
            argPtrs[i] = &values[i];
        }
    }
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, unsigned(n), ffiType(ex.result), types.data()) != FFI_OK)
        return fail(EC_EExternal, "Cannot call '" + ex.symbol + "'");
    CValue ret{};
    ffi_call(&cif, FFI_FN(fn), &ret, argPtrs.data());
    for (size_t i = 0; i < n; ++i)
        if (ex.kinds[i] == ParamKind::Var) fromC(ex.params[i], values[i], *args[i].p, false);
    fromC(ex.result, ret, *result, true);
    return true;
}

} // namespace pascal
