// IAsyncExControl: the control interface of the memory-stream source filter.
//
// AttachStream(stream, size) hands the filter the bytes to serve: the first size bytes of stream,
// counted from the stream's start (not from its current seek position). The filter keeps a reference
// to the stream (or a copy of its bytes, see memsource.h) until DetachStream, the next AttachStream or
// its own end. Results:
//   S_OK                                 attached; the output pin offers the data as a file source would
//   E_POINTER                            stream is nil
//   E_INVALIDARG                         size is 0 or negative: the filter serves nothing without a
//                                        stated length (it never guesses one)
//   HRESULT_FROM_WIN32(ERROR_HANDLE_EOF) the stream holds fewer than size bytes (as far as it tells)
//   VFW_E_ALREADY_CONNECTED              the output pin is connected: the stream cannot change under
//                                        a running splitter
//   E_OUTOFMEMORY, or the stream's error a copy of the bytes could not be made
#pragma once
#include <windows.h>
#include <objidl.h>

#include "filters/filter_guids.h"

struct IAsyncExControl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AttachStream(IStream* stream, LONGLONG size) = 0;
    // Forgets the stream. Refused with VFW_E_ALREADY_CONNECTED while the output pin is connected.
    virtual HRESULT STDMETHODCALLTYPE DetachStream() = 0;
    // The attached length in bytes (0 without a stream) and whether the bytes were copied (TRUE) or are
    // read from the stream itself (FALSE). Either pointer may be nil.
    virtual HRESULT STDMETHODCALLTYPE GetStreamInfo(LONGLONG* size, BOOL* copied) = 0;
};
__CRT_UUID_DECL(IAsyncExControl, 0x3E0FA056, 0x926C, 0x43D9, 0xBA, 0x18, 0xEF, 0x16, 0xE9, 0x80, 0x91, 0x3B)
