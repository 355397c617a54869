// An in-place radix-2 complex FFT on interleaved (re, im) floats.
#pragma once
#include <cstddef>
#include <vector>

namespace zrdsp {

class Fft {
public:
    // n: a power of two >= 2. Allocates the tables.
    void Init(int n);
    int Size() const { return n_; }
    // x holds n complex values (2n floats). Forward: e^{-i}; Inverse: e^{+i}, not scaled.
    void Forward(float* x) const { Run(x, false); }
    void Inverse(float* x) const { Run(x, true); }

private:
    void Run(float* x, bool inverse) const;
    int n_ = 0;
    std::vector<int> rev_;
    std::vector<float> cos_, sin_;
};

}  // namespace zrdsp
