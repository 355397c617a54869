#include "filters/base/mediatype.h"

#include <cstring>

#include "graph/comptr.h"

namespace zrf {

namespace {
void Zero(AM_MEDIA_TYPE& mt) {
    std::memset(&mt, 0, sizeof mt);
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = 1;
}
}  // namespace

void FreeMediaTypeContent(AM_MEDIA_TYPE& mt) noexcept {
    if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
    mt.pbFormat = nullptr;
    mt.cbFormat = 0;
    // The record's reference is adopted and dropped here.
    ComPtr<IUnknown>::Attach(mt.pUnk).Reset();
    mt.pUnk = nullptr;
}

HRESULT CopyMediaTypeContent(AM_MEDIA_TYPE& dst, const AM_MEDIA_TYPE& src) noexcept {
    dst = src;
    dst.pbFormat = nullptr;
    dst.cbFormat = 0;
    if (src.cbFormat && src.pbFormat) {
        dst.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src.cbFormat));
        if (!dst.pbFormat) {
            Zero(dst);
            return E_OUTOFMEMORY;
        }
        std::memcpy(dst.pbFormat, src.pbFormat, src.cbFormat);
        dst.cbFormat = src.cbFormat;
    }
    // The copy carries its own reference.
    dst.pUnk = ComPtr<IUnknown>(src.pUnk).Detach();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& src) noexcept {
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!mt) return nullptr;
    if (FAILED(CopyMediaTypeContent(*mt, src))) {
        CoTaskMemFree(mt);
        return nullptr;
    }
    return mt;
}

void DeleteMediaTypeCopy(AM_MEDIA_TYPE* mt) noexcept {
    if (!mt) return;
    FreeMediaTypeContent(*mt);
    CoTaskMemFree(mt);
}

bool MediaTypeMatches(const AM_MEDIA_TYPE& p, const AM_MEDIA_TYPE& mt) noexcept {
    if (p.majortype != GUID_NULL && p.majortype != mt.majortype) return false;
    if (p.subtype != GUID_NULL && p.subtype != mt.subtype) return false;
    if (p.formattype != GUID_NULL && p.formattype != mt.formattype) return false;
    return true;
}

bool MediaTypeIsComplete(const AM_MEDIA_TYPE& mt) noexcept {
    return mt.majortype != GUID_NULL && mt.subtype != GUID_NULL && mt.formattype != GUID_NULL;
}

bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) noexcept {
    if (a.majortype != b.majortype || a.subtype != b.subtype || a.formattype != b.formattype) return false;
    if (a.cbFormat != b.cbFormat) return false;
    if (a.cbFormat == 0) return true;
    if (!a.pbFormat || !b.pbFormat) return a.pbFormat == b.pbFormat;
    return std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

MediaType::MediaType() noexcept { Zero(mt_); }

MediaType::MediaType(const MediaType& o) noexcept {
    Zero(mt_);
    Set(o.mt_);
}

MediaType& MediaType::operator=(const MediaType& o) noexcept {
    if (this != &o) Set(o.mt_);
    return *this;
}

HRESULT MediaType::Set(const AM_MEDIA_TYPE& mt) noexcept {
    if (&mt == &mt_) return S_OK;
    AM_MEDIA_TYPE copy;
    HRESULT hr = CopyMediaTypeContent(copy, mt);
    if (FAILED(hr)) return hr;
    FreeMediaTypeContent(mt_);
    mt_ = copy;
    return S_OK;
}

void MediaType::Clear() noexcept {
    FreeMediaTypeContent(mt_);
    Zero(mt_);
}

HRESULT MediaType::SetFormat(const GUID& formatType, const void* data, ULONG len) noexcept {
    BYTE* block = nullptr;
    if (len) {
        block = static_cast<BYTE*>(CoTaskMemAlloc(len));
        if (!block) return E_OUTOFMEMORY;
        if (data) std::memcpy(block, data, len);
        else std::memset(block, 0, len);
    }
    if (mt_.pbFormat) CoTaskMemFree(mt_.pbFormat);
    mt_.pbFormat = block;
    mt_.cbFormat = len;
    mt_.formattype = formatType;
    return S_OK;
}

}  // namespace zrf
