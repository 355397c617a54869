#include "core/dsp/fft.h"

#include <cmath>
#include <utility>

namespace zrdsp {

void Fft::Init(int n) {
    if (n == n_) return;
    n_ = n;
    rev_.assign(n, 0);
    int bits = 0;
    while ((1 << bits) < n) ++bits;
    for (int i = 0; i < n; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b)
            if (i & (1 << b)) r |= 1 << (bits - 1 - b);
        rev_[i] = r;
    }
    cos_.resize(n / 2 > 0 ? n / 2 : 1);
    sin_.resize(n / 2 > 0 ? n / 2 : 1);
    for (int k = 0; k < n / 2; ++k) {
        const double a = 2 * 3.14159265358979323846 * k / n;
        cos_[k] = static_cast<float>(std::cos(a));
        sin_[k] = static_cast<float>(std::sin(a));
    }
}

void Fft::Run(float* x, bool inverse) const {
    const int n = n_;
    for (int i = 0; i < n; ++i) {
        const int r = rev_[i];
        if (r > i) {
            std::swap(x[2 * i], x[2 * r]);
            std::swap(x[2 * i + 1], x[2 * r + 1]);
        }
    }
    const float sgn = inverse ? 1.0f : -1.0f;
    for (int len = 2; len <= n; len <<= 1) {
        const int half = len >> 1, step = n / len;
        for (int i = 0; i < n; i += len) {
            float* a = x + 2 * i;
            float* b = a + 2 * half;
            for (int k = 0; k < half; ++k) {
                const float wr = cos_[k * step], wi = sgn * sin_[k * step];
                const float br = b[2 * k], bi = b[2 * k + 1];
                const float tr = br * wr - bi * wi, ti = br * wi + bi * wr;
                b[2 * k] = a[2 * k] - tr;
                b[2 * k + 1] = a[2 * k + 1] - ti;
                a[2 * k] += tr;
                a[2 * k + 1] += ti;
            }
        }
    }
}

}  // namespace zrdsp
