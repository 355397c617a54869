#include "control/registration.h"

#include <olectl.h>
#include <string>

#include "control/control_texts.h"
#include "control/module.h"
#include "control/zrax.h"

namespace {

std::wstring GuidText(REFGUID g) {
    wchar_t buf[64] = {};
    StringFromGUID2(g, buf, 64);
    return buf;
}

// The DLL path as registered: its short (8.3) form when the full path has a blank in it.
std::wstring RegisteredPath(const std::wstring& full) {
    if (full.find(L' ') == std::wstring::npos) return full;
    DWORD n = GetShortPathNameW(full.c_str(), nullptr, 0);
    if (n == 0) return full;
    std::wstring s(n, L'\0');
    n = GetShortPathNameW(full.c_str(), s.data(), n);
    if (n == 0 || n >= s.size()) return full;
    s.resize(n);
    return s;
}

bool SetKey(const std::wstring& key, const wchar_t* valueName, const std::wstring& data) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(h, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

const wchar_t* PlatformKey() { return sizeof(void*) == 8 ? L"win64" : L"win32"; }
std::wstring NeutralLocaleKey() {
    return L"TypeLib\\" + GuidText(LIBID_Zantorival_Media_Player_AX) + L"\\" + ZRControlText::kTypeLibVersion +
           L"\\0\\" + PlatformKey();
}

struct Keys {
    std::wstring clsidKey, progId;
};
Keys MakeKeys() { return {L"CLSID\\" + GuidText(CLSID_TxZRMediaPlayer), ZRControlText::kProgID}; }

}  // namespace

HRESULT RegisterControlServer() {
    try {
        using namespace ZRControlText;
        const std::wstring full = zrmodule::FileName();
        if (full.empty()) return SELFREG_E_CLASS;
        {
            // Registered under the module's own path (Wine's REGKIND_REGISTER would write a \\?\ form).
            ComPtr<ITypeLib> lib;
            if (FAILED(LoadTypeLibEx(full.c_str(), REGKIND_NONE, lib.Put())) ||
                FAILED(RegisterTypeLib(lib.Get(), const_cast<OLECHAR*>(full.c_str()), nullptr)))
                return SELFREG_E_TYPELIB;
        }
        // The library's locale is 0x0409; the type library marshaller of a cross-apartment ITxZRMediaPlayer asks
        // for the neutral locale, which RegisterTypeLib does not write: the library is entered there too.
        if (!SetKey(NeutralLocaleKey(), nullptr, full)) return SELFREG_E_TYPELIB;
        const std::wstring path = RegisteredPath(full);
        const Keys k = MakeKeys();
        const std::wstring& c = k.clsidKey;
        bool ok = SetKey(c, nullptr, kDescription);
        ok = ok && SetKey(c + L"\\InprocServer32", nullptr, path);
        ok = ok && SetKey(c + L"\\InprocServer32", L"ThreadingModel", kThreadingModel);
        ok = ok && SetKey(k.progId, nullptr, kDescription);
        ok = ok && SetKey(k.progId + L"\\Clsid", nullptr, GuidText(CLSID_TxZRMediaPlayer));
        ok = ok && SetKey(c + L"\\ProgID", nullptr, k.progId);
        ok = ok && SetKey(c + L"\\Version", nullptr, kTypeLibVersion);
        ok = ok && SetKey(c + L"\\TypeLib", nullptr, GuidText(LIBID_Zantorival_Media_Player_AX));
        ok = ok && SetKey(c + L"\\MiscStatus", nullptr, L"0");
        ok = ok && SetKey(c + L"\\MiscStatus\\1", nullptr, std::to_wstring(kMiscStatus));
        ok = ok && SetKey(c + L"\\ToolboxBitmap32", nullptr, path + L"," + std::to_wstring(kToolboxBitmapId));
        ok = ok && SetKey(c + L"\\Control", nullptr, L"");
        ok = ok && SetKey(c + L"\\Verb", nullptr, L"");
        ok = ok && SetKey(c + L"\\Verb\\0", nullptr, std::wstring(kVerbName) + kVerbFlags);
        return ok ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnregisterControlServer() {
    try {
        const Keys k = MakeKeys();
        const std::wstring& c = k.clsidKey;
        // Innermost first.
        const std::wstring keys[] = {c + L"\\Verb\\0",      c + L"\\Verb",       c + L"\\Control",
                                     c + L"\\ToolboxBitmap32", c + L"\\MiscStatus\\1", c + L"\\MiscStatus",
                                     c + L"\\TypeLib",      c + L"\\Version",    c + L"\\ProgID",
                                     c + L"\\InprocServer32", c,                 k.progId + L"\\Clsid",
                                     k.progId};
        for (const auto& key : keys) RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
        const std::wstring neutral = NeutralLocaleKey();
        RegDeleteKeyW(HKEY_CLASSES_ROOT, neutral.c_str());
        RegDeleteKeyW(HKEY_CLASSES_ROOT, neutral.substr(0, neutral.rfind(L'\\')).c_str());
        SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
        UnRegisterTypeLib(LIBID_Zantorival_Media_Player_AX, ZRControlText::kTypeLibMajor,
                          ZRControlText::kTypeLibMinor, ZRControlText::kTypeLibLcid, kind);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
