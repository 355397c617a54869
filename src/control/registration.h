// Self-registration of the control: the type library and the class keys under the classes root.
#pragma once
#include <windows.h>

HRESULT RegisterControlServer();
HRESULT UnregisterControlServer();
