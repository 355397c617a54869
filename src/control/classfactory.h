// The class factory of TxZRMediaPlayer: one object for the module's whole life.
#pragma once
#include <windows.h>
#include <unknwn.h>

// The factory as riid (IClassFactory or IUnknown).
HRESULT GetControlClassFactory(REFIID riid, void** ppv);
