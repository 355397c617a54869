// The video effects filter's four interfaces, as the player drives them and the filter implements them.
// Methods are in their fixed slot order; Booleans are 32-bit (the player passes -1 or 1 for true; any
// non-zero value counts). The effect record and the callback types are in core/pixels/effect_record.h.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/pixels/effect_record.h"

using zr::pix::CZREffect;

struct IZREffectsPro : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetEnabledComponents(BOOL effects, BOOL motionDetection, BOOL chromaKey,
                                                           BOOL sampleGrabber) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSGCallback24(void* callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSecondCallback(void* callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAppHandle(void* app) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAppHandleID(int32_t window) = 0;
};

struct IZREffects45 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddVideoEffect(CZREffect effect) = 0;
    // Replaces the effect with the same ID (nothing happens when there is none).
    virtual HRESULT STDMETHODCALLTYPE UpdateVideoEffect(CZREffect effect) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveVideoEffect(int32_t id) = 0;
    // Removes every effect.
    virtual HRESULT STDMETHODCALLTYPE ClearVideoEffects() = 0;
};

struct IZRMotDetConfig : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetMotionCallback(void* callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHighlightEnabled(BOOL enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHighlightColor(int32_t colour) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHighlightThreshold(int32_t threshold) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMatrixWidth(int32_t width) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMatrixHeight(int32_t height) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDropFramesEnabled(BOOL enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDropFramesThreshold(int32_t threshold) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFrameInterval(int32_t interval) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompareChannels(BOOL red, BOOL green, BOOL blue, BOOL greyscale) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAppHandle(void* app) = 0;
};

struct IZRChromaKey : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetContrast(int32_t low, int32_t high) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColor(int32_t colour) = 0;  // TZRChromaColor
    virtual HRESULT STDMETHODCALLTYPE SetImageFilename(const wchar_t* fileName) = 0;
};

__CRT_UUID_DECL(IZREffectsPro, 0x9A794ABE, 0x98AD, 0x45AF, 0xBB, 0xB0, 0x04, 0x21, 0x72, 0xC7, 0x4C, 0x79)
__CRT_UUID_DECL(IZREffects45, 0x5E767DA8, 0x97AF, 0x4607, 0xB9, 0x5F, 0x8C, 0xC6, 0x01, 0x0B, 0x84, 0xCA)
__CRT_UUID_DECL(IZRMotDetConfig, 0xA77713DE, 0xE16F, 0x4F64, 0xAF, 0xE4, 0x27, 0xF5, 0x36, 0xB3, 0xF4, 0xEC)
__CRT_UUID_DECL(IZRChromaKey, 0xAF6E8208, 0x30E3, 0x44F0, 0xAA, 0xFE, 0x78, 0x7A, 0x62, 0x50, 0xBA, 0xB3)
