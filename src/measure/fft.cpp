// The FFT library's real transforms behind RealFft.
#include "measure/fft.h"

#include <kiss_fftr.h>

#include <stdexcept>

namespace brisvel::measure {

struct RealFft::Plans {
  kiss_fftr_cfg forward = nullptr;
  kiss_fftr_cfg inverse = nullptr;
  ~Plans() {
    kiss_fftr_free(forward);
    kiss_fftr_free(inverse);
  }
};

int FftSize(int atLeast) {
  for (int n = std::max(2, atLeast + (atLeast & 1));; n += 2) {
    int m = n;
    for (int p : {2, 3, 5})
      while (m % p == 0) m /= p;
    if (m == 1) return n;
  }
}

RealFft::RealFft(int size) : size_(size), plans_(std::make_unique<Plans>()) {
  if (size < 2 || size % 2 != 0) throw std::invalid_argument("an FFT size must be even");
  plans_->forward = kiss_fftr_alloc(size, 0, nullptr, nullptr);
  plans_->inverse = kiss_fftr_alloc(size, 1, nullptr, nullptr);
  if (!plans_->forward || !plans_->inverse) throw std::bad_alloc();
}

RealFft::~RealFft() = default;

void RealFft::Forward(const float* in, Cpx* out) const {
  static_assert(sizeof(Cpx) == sizeof(kiss_fft_cpx));
  kiss_fftr(plans_->forward, in, reinterpret_cast<kiss_fft_cpx*>(out));
}

void RealFft::Inverse(const Cpx* in, float* out) const {
  kiss_fftri(plans_->inverse, reinterpret_cast<const kiss_fft_cpx*>(in), out);
  const float scale = 1.0f / static_cast<float>(size_);
  for (int i = 0; i < size_; ++i) out[i] *= scale;
}

}  // namespace brisvel::measure
