// The arguments of an IDispatch call, adapted to the member's declared parameter types where the type
// library's own conversion refuses what script hosts pass:
// - an unsigned 32-bit parameter (colours, handles) given a signed value takes the same 32 bits: script
//   engines have no unsigned type, so they read such values back as signed and write them so;
// - an [in, out] or [out] parameter given a reference to a VARIANT (what VBScript passes for a plain
//   variable) gets a value of the declared type, which goes back into the caller's VARIANT after a successful
//   call.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <vector>

// The automation type a declared type stands for: enumerations are VT_I4, aliases (OLE_COLOR) their
// underlying type; VT_EMPTY for a type that is neither a plain automation type, an enumeration nor an alias.
VARTYPE ZRResolvedType(ITypeInfo* ti, const TYPEDESC& td);

class TZRDispArgs {
public:
    TZRDispArgs() = default;
    ~TZRDispArgs();
    TZRDispArgs(const TZRDispArgs&) = delete;
    TZRDispArgs& operator=(const TZRDispArgs&) = delete;

    // Looks the member up and adapts what needs it. DISP_E_TYPEMISMATCH (with *argErr, the argument's
    // position in rgvarg) when the VARIANT behind an [in, out] reference cannot hold the declared type;
    // otherwise S_OK, also when nothing needed adapting or the member is unknown (the type library then
    // answers as it would have).
    HRESULT Prepare(ITypeInfo* ti, DISPID id, WORD flags, DISPPARAMS* params, UINT* argErr);
    // The parameters to call with: the caller's own when nothing was adapted.
    DISPPARAMS* Params() { return FAdapted ? &FParams : FOriginal; }
    // After a successful call: the values of adapted references go into the caller's VARIANTs.
    void WriteBack();

private:
    struct TBack {
        VARIANT* target;  // the caller's VARIANT
        size_t temp;      // index into FTemps
    };
    void Adapt();  // copies the caller's arguments once, before the first one is replaced

    DISPPARAMS* FOriginal = nullptr;
    DISPPARAMS FParams = {};
    bool FAdapted = false;
    std::vector<VARIANT> FArgs;
    std::unique_ptr<VARIANT[]> FTemps;  // one per argument; fixed addresses, referenced from FArgs
    std::vector<TBack> FBack;
};
