#include "analog/AnalogShapes.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <functional>
#include <limits>

#include "document/WaveformLimits.h"

namespace kdx {

namespace {

constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();

// Sums and products of times that a user may type near the 64-bit limits
// stop at the limit instead of wrapping round.
int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t sum;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? Int64Max : Int64Min;
}

int64_t SaturatingMultiply(int64_t a, int64_t b) {
    int64_t product;
    if (!__builtin_mul_overflow(a, b, &product)) return product;
    return (a < 0) == (b < 0) ? Int64Max : Int64Min;
}

// The check every shape starts with: a stretch of at least one sample that
// ends inside the document. Returns the stretch's sample count, 0 on failure.
uint32_t StretchSamples(uint64_t totalNs, int64_t samplingNs, int64_t period) {
    if (samplingNs <= 0 || period < samplingNs) return 0;
    if (static_cast<uint64_t>(period) > totalNs) return 0;
    const int64_t n = period / samplingNs;
    return n > int64_t{MaxSampleCount} ? 0 : static_cast<uint32_t>(n);
}

// Samples of repeatCount cycles of the given length, never more than the stretch.
uint32_t CycleSamples(uint32_t stretch, uint32_t repeatCount, int64_t cycle, int64_t samplingNs) {
    const int64_t cycles = SaturatingMultiply(int64_t{repeatCount}, cycle) / samplingNs;
    return static_cast<uint32_t>(std::clamp<int64_t>(cycles, 0, stretch));
}

void Clear(double* buffer, uint32_t n) { std::fill(buffer, buffer + n, 0.0); }

}  // namespace

namespace {

// Checks every destination[i] = f(destination[i], source[i]) before writing any.
template <class Combine>
bool CombineFinite(double* destination, const double* source, uint32_t count, Combine f) {
    return WriteIfFinite(destination, count, [&](uint32_t i) { return f(destination[i], source[i]); });
}

}  // namespace

bool applyOperation(double* destination, const double* source, uint32_t count, GeneratorOperation operation) {
    switch (operation) {
    case GeneratorOperation::Replace:
        if (!std::all_of(source, source + count, [](double v) { return std::isfinite(v); })) return false;
        std::copy(source, source + count, destination);
        return true;
    case GeneratorOperation::Add: return CombineFinite(destination, source, count, std::plus<>());
    case GeneratorOperation::Subtract: return CombineFinite(destination, source, count, std::minus<>());
    case GeneratorOperation::Multiply: return CombineFinite(destination, source, count, std::multiplies<>());
    }
    return true;
}

bool computeSine(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t, int64_t period, int64_t t1,
                 int64_t t0, double amplitude, double offset, uint32_t repeatCount) {
    const uint32_t stretch = StretchSamples(totalNs, samplingNs, period);
    if (stretch == 0 || t1 < samplingNs) return false;
    Clear(buffer, stretch);
    const uint32_t n = CycleSamples(stretch, repeatCount, t1, samplingNs);
    const double w = TwoPi / static_cast<double>(t1);
    const double delay = static_cast<double>(t0);
    for (uint32_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(int64_t{i} * samplingNs);
        buffer[i] = offset + amplitude * std::sin(w * (t - delay));
    }
    return true;
}

bool computeRectangle(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t, int64_t period, int64_t t0,
                      int64_t t1, int64_t t2, int64_t t3, int64_t t4, double, double v1, double v2,
                      uint32_t repeatCount) {
    const uint32_t stretch = StretchSamples(totalNs, samplingNs, period);
    const int64_t riseEnd = t1;
    const int64_t highEnd = SaturatingAdd(riseEnd, t2);
    const int64_t fallEnd = SaturatingAdd(highEnd, t3);
    const int64_t cycle = SaturatingAdd(fallEnd, t4);
    if (stretch == 0 || cycle < samplingNs || t0 <= -cycle || t0 >= cycle) return false;
    Clear(buffer, stretch);
    const uint32_t n = CycleSamples(stretch, repeatCount, cycle, samplingNs);
    const double rise = (v1 - v2) / static_cast<double>(t1);
    const double fall = (v2 - v1) / static_cast<double>(t3);
    // (t0 + i dt) mod Tc, made non-negative, without a sum that could pass the
    // 64-bit range for a cycle near its limit.
    int64_t start = t0 % cycle;
    if (start < 0) start += cycle;
    for (uint32_t i = 0; i < n; ++i) {
        const int64_t into = (int64_t{i} * samplingNs) % cycle;
        const int64_t p = start >= cycle - into ? start - (cycle - into) : start + into;
        double value;
        if (p < riseEnd) {
            value = v2 + rise * static_cast<double>(p);
        } else if (p < highEnd) {
            value = v1;
        } else if (p >= fallEnd) {
            value = v2;
        } else {
            value = v1 + fall * static_cast<double>(p - t1 - t2);
        }
        buffer[i] = value;
    }
    return true;
}

bool computeDc(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t, int64_t period, double value) {
    const uint32_t n = StretchSamples(totalNs, samplingNs, period);
    if (n == 0) return false;
    std::fill(buffer, buffer + n, value);
    return true;
}

bool computeRamp(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t, int64_t period, double initial,
                 double finalValue) {
    const uint32_t n = StretchSamples(totalNs, samplingNs, period);
    if (n == 0) return false;
    const double step = (finalValue - initial) / static_cast<double>(n);
    for (uint32_t i = 0; i < n; ++i) buffer[i] = initial + step * static_cast<double>(i);
    return true;
}

bool computeExponential(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t, int64_t period, int64_t tau,
                        double initial, double finalValue) {
    const uint32_t n = StretchSamples(totalNs, samplingNs, period);
    // A time constant of zero or below has no curve (it would divide by zero).
    if (n == 0 || tau <= 0) return false;
    const double a = static_cast<double>(samplingNs) / 1000000000.0;
    const double b = static_cast<double>(tau) / 1000000000.0;
    for (uint32_t i = 0; i < n; ++i)
        buffer[i] = finalValue + (initial - finalValue) * std::exp(-(static_cast<double>(i) * a) / b);
    return true;
}

NoiseTable::NoiseTable() : values(Size), guide(GuideSize + 1) {}

void NoiseTable::Prepare(double s) {
    if (s == sigma) return;
    // Trapezoids under exp(-x^2 / 2) / sqrt(2 pi); each point's exponential
    // serves two neighbouring trapezoids, so it is computed once.
    h = 6.0 * s / Size;
    const double k = h / (std::sqrt(TwoPi) * s);
    values[0] = 0.0;
    double previous = std::exp(-0.0 / 2.0);
    for (int i = 1; i < Size; ++i) {
        const double x = static_cast<double>(i) * h / s;
        const double current = std::exp(-(x * x) / 2.0);
        values[i] = values[i - 1] + ((previous + current) * k) * 0.5;
        previous = current;
    }
    for (int j = 0; j <= GuideSize; ++j) {
        const double start = 0.5 * j / GuideSize;
        guide[j] = static_cast<int>(std::lower_bound(values.begin(), values.end(), start) - values.begin());
    }
    sigma = s;
}

int NoiseTable::Locate(double b) const {
    // The points are strictly rising wherever b can fall, so there is one
    // last point below b and any search finds the one the bisection finds.
    const int j = std::clamp(static_cast<int>(b * 2.0 * GuideSize), 0, GuideSize - 1);
    const int from = std::max(guide[j] - 1, 0);
    const int to = std::min(guide[j + 1] + 1, Size);
    const int lo = static_cast<int>(std::lower_bound(values.begin() + from, values.begin() + to, b) - values.begin()) - 1;
    if (lo >= 0 && lo + 1 < Size && values[lo] < b && b <= values[lo + 1]) return lo;
    // Not in its slice (a rounding at a slice's edge): the plain bisection.
    int l = 0, h = Size - 1;
    while (h - l >= 2) {
        const int mid = (l + h) / 2;
        if (b <= values[mid]) {
            h = mid;
        } else {
            l = mid;
        }
    }
    return l;
}

bool computeNoise(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t, int64_t period, double sigma,
                  uint32_t seed, NoiseTable& table) {
    const uint32_t n = StretchSamples(totalNs, samplingNs, period);
    if (n == 0 || !(sigma >= 0.0)) return false;
    Clear(buffer, n);
    // A table for sigma 0 would divide zero by zero; no deviation is silence.
    if (sigma == 0.0) return true;
    table.Prepare(sigma);
    const double* f = table.Values();
    const double h = table.Step();
    NoiseRandom random(seed);
    for (uint32_t i = 0; i < n; ++i) {
        const int r1 = random.Next();
        const int r2 = random.Next();
        const double w = (static_cast<double>(r1 * 32768 + r2) / 1073741823.0 - 0.5) * 0.99999999;
        const bool negative = w < 0;
        const double b = std::fabs(w);
        const int lo = table.Locate(b), hi = lo + 1;
        const double fraction = (b - f[lo]) / (f[hi] - f[lo]);
        const double value = fraction < 1.0 ? static_cast<double>(lo) * h + fraction * h : static_cast<double>(lo) * h;
        buffer[i] = negative ? -value : value;
    }
    return true;
}

uint32_t NoiseSeedNow() { return static_cast<uint32_t>(static_cast<uint64_t>(std::time(nullptr)) & 0xFFFFFFFFu); }

}  // namespace kdx
