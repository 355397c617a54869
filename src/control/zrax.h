// The control's COM declarations: the interfaces generated from ZRMediaPlayer.idl, their identifiers and the
// dispatch identifiers, on top of the platform's OLE control headers.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>
#include <objsafe.h>

#include "ZRMediaPlayer_h.h"
#include "ZRMediaPlayer_dispids.h"
