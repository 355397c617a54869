#include "control/control_dispargs.h"

#include <map>
#include <mutex>
#include <utility>

#include "graph/comptr.h"

namespace {

// The VARIANT a chain of VARIANT references ends at.
VARIANT* Deref(VARIANT* v) {
    for (int i = 0; v && v->vt == (VT_VARIANT | VT_BYREF) && i < 16; ++i) v = v->pvarVal;
    return v;
}

// src as vt, in out (cleared first). An unsigned 32-bit target also takes a signed value, with its bits.
HRESULT Coerce(VARIANT& out, VARIANT* src, VARTYPE vt) {
    VariantClear(&out);
    HRESULT hr = VariantChangeType(&out, src, 0, vt);
    if (SUCCEEDED(hr) || vt != VT_UI4) return hr;
    VARIANT s;
    VariantInit(&s);
    if (FAILED(VariantChangeType(&s, src, 0, VT_I4))) return hr;
    out.vt = VT_UI4;
    out.ulVal = static_cast<ULONG>(s.lVal);
    return S_OK;
}

// Types a reference to a VARIANT can be adapted to: those a VARIANT holds by value.
bool ByValueType(VARTYPE vt) {
    switch (vt) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
    case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BOOL: case VT_BSTR:
        return true;
    default:
        return false;
    }
}

// What the adaptation needs to know of a member's parameters.
struct TParam {
    enum Kind { Plain, Unsigned, Reference } kind = Plain;
    VARTYPE vt = VT_EMPTY;  // Unsigned: VT_UI4; Reference: the type referred to
    USHORT flags = 0;
};
using TMembers = std::map<std::pair<MEMBERID, int>, std::vector<TParam>>;

// The members with a parameter that may need adapting, by dispatch identifier and kind of call; read once,
// by walking the functions of the type library (every control of the module has the same one).
const TMembers& Members(ITypeInfo* ti) {
    static TMembers members;
    static std::once_flag once;
    std::call_once(once, [ti] {
        TYPEATTR* ta = nullptr;
        if (FAILED(ti->GetTypeAttr(&ta))) return;
        const WORD funcs = ta->cFuncs;
        ti->ReleaseTypeAttr(ta);
        for (WORD i = 0; i < funcs; ++i) {
            FUNCDESC* fd = nullptr;
            if (FAILED(ti->GetFuncDesc(i, &fd)) || !fd) continue;
            std::vector<TParam> params(fd->cParams);
            bool adapts = false;
            for (SHORT p = 0; p < fd->cParams; ++p) {
                const ELEMDESC& e = fd->lprgelemdescParam[p];
                TParam& t = params[p];
                t.flags = e.paramdesc.wParamFlags;
                if (t.flags & PARAMFLAG_FRETVAL) continue;
                if (e.tdesc.vt == VT_PTR && e.tdesc.lptdesc) {
                    t.vt = ZRResolvedType(ti, *e.tdesc.lptdesc);
                    if (ByValueType(t.vt)) t.kind = TParam::Reference;
                } else if (ZRResolvedType(ti, e.tdesc) == VT_UI4) {
                    t.vt = VT_UI4;
                    t.kind = TParam::Unsigned;
                }
                adapts |= t.kind != TParam::Plain;
            }
            if (adapts) members[{fd->memid, static_cast<int>(fd->invkind)}] = std::move(params);
            ti->ReleaseFuncDesc(fd);
        }
    });
    return members;
}

// The member a call names, for the kinds of call its flags allow, in the order the type library looks.
const std::vector<TParam>* FindMember(ITypeInfo* ti, DISPID id, WORD flags) {
    const TMembers& members = Members(ti);
    const struct {
        WORD flag;
        INVOKEKIND kind;
    } kinds[] = {{DISPATCH_METHOD, INVOKE_FUNC},
                 {DISPATCH_PROPERTYGET, INVOKE_PROPERTYGET},
                 {DISPATCH_PROPERTYPUT, INVOKE_PROPERTYPUT},
                 {DISPATCH_PROPERTYPUTREF, INVOKE_PROPERTYPUTREF}};
    for (const auto& k : kinds) {
        if (!(flags & k.flag)) continue;
        auto it = members.find({id, static_cast<int>(k.kind)});
        if (it != members.end()) return &it->second;
    }
    return nullptr;
}

}  // namespace

VARTYPE ZRResolvedType(ITypeInfo* ti, const TYPEDESC& td) {
    if (td.vt != VT_USERDEFINED) return td.vt;
    ComPtr<ITypeInfo> ref;
    if (FAILED(ti->GetRefTypeInfo(td.hreftype, ref.Put()))) return VT_EMPTY;
    TYPEATTR* ta = nullptr;
    if (FAILED(ref->GetTypeAttr(&ta))) return VT_EMPTY;
    VARTYPE vt = VT_EMPTY;
    if (ta->typekind == TKIND_ENUM) vt = VT_I4;
    else if (ta->typekind == TKIND_ALIAS) vt = ZRResolvedType(ref.Get(), ta->tdescAlias);
    ref->ReleaseTypeAttr(ta);
    return vt;
}

TZRDispArgs::~TZRDispArgs() {
    if (FTemps)
        for (size_t i = 0; i < FArgs.size(); ++i) VariantClear(&FTemps[i]);
}

void TZRDispArgs::Adapt() {
    if (FAdapted) return;
    const UINT n = FOriginal->cArgs;
    FArgs.assign(FOriginal->rgvarg, FOriginal->rgvarg + n);  // the caller's VARIANTs, not owned
    FTemps.reset(new VARIANT[n]());
    FParams = *FOriginal;
    FParams.rgvarg = FArgs.data();
    FAdapted = true;
}

HRESULT TZRDispArgs::Prepare(ITypeInfo* ti, DISPID id, WORD flags, DISPPARAMS* params, UINT* argErr) {
    FOriginal = params;
    if (!ti || !params || !params->rgvarg || params->cArgs == 0 || params->cNamedArgs > params->cArgs ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return S_OK;
    const std::vector<TParam>* member = FindMember(ti, id, flags);
    if (!member) return S_OK;
    const LONG count = static_cast<LONG>(member->size());

    const UINT n = params->cArgs;
    for (UINT a = 0; a < n; ++a) {
        // rgvarg holds the named arguments first, then the positional ones last to first.
        LONG p;
        if (a < params->cNamedArgs) {
            const DISPID named = params->rgdispidNamedArgs[a];
            p = named == DISPID_PROPERTYPUT ? count - 1 : named;
        } else {
            p = static_cast<LONG>(n - 1 - a);
        }
        if (p < 0 || p >= count) continue;
        const TParam& t = (*member)[p];
        VARIANT& arg = params->rgvarg[a];

        if (t.kind == TParam::Reference) {
            // A typed reference given as a reference to a VARIANT.
            if (arg.vt != (VT_VARIANT | VT_BYREF)) continue;
            VARIANT* target = Deref(&arg);
            if (!target || (target->vt & VT_BYREF)) continue;
            Adapt();
            VARIANT& temp = FTemps[a];
            const bool reads = (t.flags & PARAMFLAG_FIN) || !(t.flags & PARAMFLAG_FOUT);
            if (reads) {
                if (FAILED(Coerce(temp, target, t.vt))) {
                    if (argErr) *argErr = a;
                    return DISP_E_TYPEMISMATCH;
                }
            } else {
                temp.vt = t.vt;  // zero, or a null text
            }
            FArgs[a].vt = static_cast<VARTYPE>(VT_BYREF | t.vt);
            FArgs[a].byref = &temp.lVal;  // every by-value member of a VARIANT starts there
            FBack.push_back({target, a});
        } else if (t.kind == TParam::Unsigned) {
            // An unsigned 32-bit value given as anything else; left to the type library when it cannot be
            // read as a 32-bit number.
            VARIANT* src = Deref(&arg);
            if (!src || src->vt == VT_UI4 || src->vt == (VT_UI4 | VT_BYREF)) continue;
            VARIANT v;
            VariantInit(&v);
            if (FAILED(Coerce(v, src, VT_UI4))) continue;
            Adapt();
            FArgs[a] = v;
        }
    }
    return S_OK;
}

void TZRDispArgs::WriteBack() {
    for (const TBack& b : FBack) {
        VARIANT& t = FTemps[b.temp];
        VariantClear(b.target);
        *b.target = t;
        // Script engines have no unsigned 32-bit type: the same bits go back signed.
        if (b.target->vt == VT_UI4) b.target->vt = VT_I4;
        VariantInit(&t);  // now owned by the caller's VARIANT
    }
    FBack.clear();
}
