// The analog shapes and how a computed stretch is combined with the
// document's samples. Each compute function fills a caller's work buffer with
// the stretch's samples from element 0 (the edit start) on; the edit start is
// passed for symmetry and used by none, a shape being always relative to the
// start of its stretch. A function whose parameter check fails returns false
// and touches nothing.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace kdx {

enum class GeneratorOperation : int32_t { Replace = 0, Add = 1, Subtract = 2, Multiply = 3 };

// destination[i] op= source[i] for i < count; an unknown operation changes
// nothing. A combination that is not a finite number anywhere (a sum beyond
// the double range) writes nothing and returns false: such a sample could be
// neither shown nor sent to a generator.
bool applyOperation(double* destination, const double* source, uint32_t count, GeneratorOperation operation);

// destination[i] = valueAt(i) for i < count, when every one is a finite
// number; otherwise nothing is written and the result is false.
template <class ValueAt>
bool WriteIfFinite(double* destination, uint32_t count, ValueAt valueAt) {
    bool finite = true;
    for (uint32_t i = 0; i < count; ++i) finite &= std::isfinite(valueAt(i));
    if (!finite) return false;
    for (uint32_t i = 0; i < count; ++i) destination[i] = valueAt(i);
    return true;
}

// The sine's 2 pi, as the shapes have always used it.
inline constexpr double TwoPi = 6.283185307179586;

// offset + amplitude x sin(2 pi / t1 x (i dt - t0)) for repeatCount cycles or
// to the end of the period, whichever comes first; 0.0 after that.
bool computeSine(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t editStart, int64_t period, int64_t t1,
                 int64_t t0, double amplitude, double offset, uint32_t repeatCount);

// A trapezoid cycle of Tc = t1 + t2 + t3 + t4: rise from v2 to v1 in t1, v1
// for t2, fall to v2 in t3, v2 for t4; the stretch begins t0 into the cycle.
// v0 is not used: the start point is always t0. 0.0 after repeatCount cycles.
bool computeRectangle(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t editStart, int64_t period,
                      int64_t t0, int64_t t1, int64_t t2, int64_t t3, int64_t t4, double v0, double v1, double v2,
                      uint32_t repeatCount);

bool computeDc(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t editStart, int64_t period, double value);

// From initial towards final in period / dt equal steps, the last one short of final.
bool computeRamp(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t editStart, int64_t period,
                 double initial, double finalValue);

// final + (initial - final) e^(-t / tau).
bool computeExponential(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t editStart, int64_t period,
                        int64_t tau, double initial, double finalValue);

// The tabulated integral of the standard normal density from 0 that the noise
// is drawn through: 1,200,000 points over 0 .. 6 sigma. Building it costs 1.2
// million exponentials, so a table is kept for its sigma and built again only
// when sigma changes. It lives on the heap (9.6 MB).
class NoiseTable {
public:
    static constexpr int Size = 1200000;
    NoiseTable();  // allocates; throws std::bad_alloc
    // Builds the table for sigma unless it already holds it.
    void Prepare(double sigma);
    double Step() const { return h; }  // table spacing in volts
    const double* Values() const { return values.data(); }
    // The last point below b (0 < b < the table's end): where the bisection
    // of the whole table ends, found through a guide of where each of
    // GuideSize equal slices of 0 .. 0.5 begins, so that a sample reads a
    // few cached points instead of twenty scattered ones.
    int Locate(double b) const;

private:
    static constexpr int GuideSize = 65536;
    std::vector<double> values;
    std::vector<int> guide;  // the first point at or above each slice's start
    double sigma = -1.0;
    double h = 0.0;
};

// The generator's pseudo-random numbers: a 32-bit linear congruential
// generator, 15 bits per draw.
class NoiseRandom {
public:
    explicit NoiseRandom(uint32_t seed) : state(seed) {}
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }

private:
    uint32_t state;
};

// Gaussian noise of standard deviation sigma (volts), drawn from a generator
// seeded with seed (the dialog seeds with the time in whole seconds), through
// the table (prepared for sigma here). Sigma 0 gives silence.
bool computeNoise(double* buffer, uint64_t totalNs, int64_t samplingNs, int64_t editStart, int64_t period,
                  double sigma, uint32_t seed, NoiseTable& table);

// The seed the dialog uses: the current time in whole seconds since 1970, low 32 bits.
uint32_t NoiseSeedNow();

}  // namespace kdx
