#include "core/pixels/effect_ex.h"

#include <cmath>
#include <string>
#include <vector>

#include "core/textutil.h"

namespace zr::pix {

int32_t RoundHalfEven(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    const double f = std::floor(v), diff = v - f;
    double r = f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0)) r = f + 1;
    if (r > 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(r);
}

bool ParseInt32(std::wstring_view s, int32_t& out) {
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) neg = s[i++] == L'-';
    if (i >= s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < L'0' || s[i] > L'9') return false;
        v = v * 10 + (s[i] - L'0');
        if (v > 2147483648LL) return false;
    }
    if (neg) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    out = static_cast<int32_t>(v);
    return true;
}

void FillEffectEx(CZREffect& e, int32_t id, int32_t startTime, int32_t stopTime, bool enabled, int32_t type,
                  double amount, std::wstring_view params) {
    e.ID = id;
    e.Enabled = enabled ? -1 : 0;
    e.StartTime = startTime;
    e.StopTime = stopTime;
    e._type = type;
    e.pAmountI = RoundHalfEven(amount);
    e.pAmountD = amount;
    // Lines of the upper-cased text; ';' ends a line as a line break does.
    std::vector<std::wstring> lines;
    std::wstring cur;
    const std::wstring up = ToUpperW(params);
    for (size_t i = 0; i < up.size(); ++i) {
        const wchar_t c = up[i];
        if (c == L';' || c == L'\n' || c == L'\r') {
            lines.push_back(cur);
            cur.clear();
            if (c == L'\r' && i + 1 < up.size() && up[i + 1] == L'\n') ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    auto value = [&](const wchar_t* key, std::wstring& out) {
        for (const std::wstring& l : lines) {
            const size_t eq = l.find(L'=');
            if (eq == std::wstring::npos || l.compare(0, eq, key) != 0) continue;
            out = Trim(std::wstring_view(l).substr(eq + 1));
            return !out.empty();
        }
        return false;
    };
    struct IntKey {
        const wchar_t* key;
        int32_t CZREffect::*field;
    };
    static const IntKey kInts[] = {{L"MIN", &CZREffect::pMinI},        {L"MAX", &CZREffect::pMaxI},
                                   {L"TURBULENCE", &CZREffect::pTurbulenceI}, {L"SIZE", &CZREffect::pSizeI},
                                   {L"SEAM", &CZREffect::pSeamI},      {L"FACTOR", &CZREffect::pFactorI},
                                   {L"INFERENCE", &CZREffect::pInferenceI}, {L"STYLE", &CZREffect::pStyleI}};
    std::wstring v;
    for (int k = 0; k < 2; ++k)
        if (value(kInts[k].key, v)) {
            int32_t n = 0;
            e.*kInts[k].field = ParseInt32(v, n) ? n : 0;
        }
    if (value(L"SCALE", v)) {
        double d = 0;
        e.pScaleD = ParseDouble(v, d) ? d : 0;
    }
    for (int k = 2; k < 8; ++k)
        if (value(kInts[k].key, v)) {
            int32_t n = 0;
            e.*kInts[k].field = ParseInt32(v, n) ? n : 0;
        }
}

}  // namespace zr::pix
