// The module that holds the control: its instance handle, the count of live objects and server locks, and
// its own type library.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <string>

#include "graph/comptr.h"

namespace zrmodule {
// The module containing the control's code (the DLL, or a program that links the control directly).
HINSTANCE Instance();
std::wstring FileName();

// Objects of the module alive (controls, enumerators handed out) and server locks.
void ObjectCreated();
void ObjectDestroyed();
void Lock(bool lock);
bool CanUnload();

// Window classes registered for the module's windows: the control's own and the player's (remembered from a
// player window). Unregistered when the module is unloaded, for classes whose window procedure is in it.
void RememberPlayerWindowClass(HWND playerWindow);
void UnregisterWindowClasses();

// The control's type library, loaded from the module's own TYPELIB resource 1 (from the registration when the
// module has none).
HRESULT LoadTypeLibrary(ComPtr<ITypeLib>& out);
HRESULT GetTypeInfoOf(REFGUID guid, ComPtr<ITypeInfo>& out);
}  // namespace zrmodule
