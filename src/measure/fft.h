// Real-input FFTs for the measurement's signals, over the FFT library: one
// plan per size, reused for every transform of that size.
#pragma once

#include <complex>
#include <memory>
#include <vector>

namespace brisvel::measure {

using Cpx = std::complex<float>;

// The smallest even size of at least n whose only prime factors are 2, 3 and 5
// (the sizes the library transforms fastest).
int FftSize(int atLeast);

class RealFft {
 public:
  explicit RealFft(int size);  // size: even
  ~RealFft();
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;

  int Size() const { return size_; }
  // in: Size() samples; out: Size() / 2 + 1 bins.
  void Forward(const float* in, Cpx* out) const;
  // in: Size() / 2 + 1 bins; out: Size() samples, scaled by 1 / Size() (so
  // Inverse(Forward(x)) is x).
  void Inverse(const Cpx* in, float* out) const;

 private:
  struct Plans;
  int size_;
  std::unique_ptr<Plans> plans_;
};

}  // namespace brisvel::measure
