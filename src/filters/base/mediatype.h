// An owned AM_MEDIA_TYPE for filters, and the task-memory copies that pins hand out.
#pragma once
#include <windows.h>
#include <dshow.h>

namespace zrf {

// Frees the format block and releases pUnk of a record the caller owns; the record itself stays.
void FreeMediaTypeContent(AM_MEDIA_TYPE& mt) noexcept;
// Copies src into dst (whose old content must already be free). E_OUTOFMEMORY leaves dst empty.
HRESULT CopyMediaTypeContent(AM_MEDIA_TYPE& dst, const AM_MEDIA_TYPE& src) noexcept;
// A copy in task memory (record and format block), as IEnumMediaTypes and IMediaSample hand out;
// nil when memory runs out.
AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& src) noexcept;
// Frees a record made by CreateMediaTypeCopy (or any task-memory record). nil is ignored.
void DeleteMediaTypeCopy(AM_MEDIA_TYPE* mt) noexcept;
// Whether a partly specified type (GUID_NULL = any major type, subtype or format) admits mt.
bool MediaTypeMatches(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& mt) noexcept;
// Whether every GUID of mt is given (no wildcard).
bool MediaTypeIsComplete(const AM_MEDIA_TYPE& mt) noexcept;
// Same GUIDs and same format bytes.
bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) noexcept;

class MediaType {
public:
    MediaType() noexcept;
    MediaType(const MediaType& o) noexcept;  // an allocation failure leaves this empty
    MediaType& operator=(const MediaType& o) noexcept;
    ~MediaType() { Clear(); }

    HRESULT Set(const AM_MEDIA_TYPE& mt) noexcept;
    void Clear() noexcept;  // back to the empty record
    // Replaces the format block with len bytes (copied from data when given, else zeroed).
    HRESULT SetFormat(const GUID& formatType, const void* data, ULONG len) noexcept;
    bool Empty() const noexcept { return mt_.majortype == GUID_NULL; }

    AM_MEDIA_TYPE& Get() noexcept { return mt_; }
    const AM_MEDIA_TYPE& Get() const noexcept { return mt_; }
    const AM_MEDIA_TYPE* operator->() const noexcept { return &mt_; }
    AM_MEDIA_TYPE* operator->() noexcept { return &mt_; }

private:
    AM_MEDIA_TYPE mt_;
};

}  // namespace zrf
