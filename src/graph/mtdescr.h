// Media-type names and descriptions on the platform's own types (GUID, AM_MEDIA_TYPE); the tables and
// rules live in core/mtnames.h.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <string>

#include "core/mtnames.h"

TZRGuid ToZRGuid(const GUID& g);

std::wstring MajorTypeName(const GUID& g);
std::wstring SubTypeName(const GUID& g);
std::wstring FormatTypeName(const GUID& g);

// One line describing the media type (the format block is read only within its cbFormat bytes).
std::wstring MediaTypeDescription(const AM_MEDIA_TYPE& mt);
