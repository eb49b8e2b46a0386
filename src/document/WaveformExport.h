// A waveform written in the formats other tools read: VCD for logic viewers,
// PWL for a SPICE voltage source. Each text is a function of the samples
// alone, so the same document always gives the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "document/WaveformRecords.h"

namespace kdx {

// The samples and time base an export reads.
struct ExportSource {
    ConstSampleArrays samples;
    uint32_t count = 0;
    int64_t samplingNs = 0;
};

// index,time_ns,analog,ch0..ch3: one line a sample, the analog value as
// printf's "%.17g" (reads back to the same double), no locale. Handed to put
// in pieces of up to a megabyte; false from put stops and is returned.
bool WriteCsv(const ExportSource& source, const std::function<bool(std::string_view)>& put);

// A text handed to put in pieces (false from put stops it and is returned),
// and the file it makes written as Save writes a waveform: never half-written,
// through links; message and reason as WriteFileAtomically sets them.
using TextPieces = std::function<bool(const std::function<bool(std::string_view)>& put)>;
bool WriteTextFile(const std::filesystem::path& path, const TextPieces& produce, std::string& message,
                   std::string* reason = nullptr);

// Timescale 1 ns, one scope, CH0..CH3 as 1-bit wires and the analog channel
// as a real; every value at #0, then only changes, and a last timestamp at
// count × dt so that the last sample shows its full length.
std::string VcdText(const ExportSource& source);

// A piecewise-linear source that holds each sample for dt, as the generator
// plays it: edges of edgeNs end on the sample times. channel -1 is the analog
// channel; a digital channel is 0 or highVolts.
struct PwlOptions {
    int channel = -1;
    double highVolts = 3.3;
    int64_t edgeNs = 1;
};
std::string PwlText(const ExportSource& source, const PwlOptions& options);

// Why an edge time cannot be used with this sampling time; nullopt when it can.
std::optional<std::string> PwlEdgeProblem(int64_t edgeNs, int64_t samplingNs);

// The shortest text that reads back to the same double; no locale.
void AppendDouble(std::string& out, double value);

}  // namespace kdx

namespace kdx {

// WAV: the analog channel, and with digital CH0..CH3 as four more channels of
// 0.0 / 1.0. Float keeps each value as float32; PCM maps ±1.0 V to full scale
// and clips beyond it.
enum class WavSampleFormat { Float, Pcm16, Pcm24 };
struct WavOptions {
    WavSampleFormat format = WavSampleFormat::Float;
    bool digital = false;
};

// The file's rate: 1e9 / dt rounded to the nearest hertz.
int WavRate(int64_t samplingNs);
// How far that rate is from 1 / dt; nullopt when exact.
struct WavRateError {
    int rate = 0;        // Hz, as the file says
    double exactHz = 0;  // 1 / dt
    double ppm = 0;      // rate against 1 / dt
};
std::optional<WavRateError> WavRateErrorOf(int64_t samplingNs);
// The same for the user to read; nullopt when exact.
std::optional<std::string> WavRateNote(int64_t samplingNs);

struct WavFile {
    std::string bytes;  // empty when libsndfile refused; error says why
    uint32_t clipped = 0;  // PCM samples beyond ±1.0 V
    std::string error;
};
WavFile WavBytes(const ExportSource& source, const WavOptions& options);

// The clipping, in the user's words; nullopt when nothing was clipped.
std::optional<std::string> WavClipNote(uint32_t clipped);

}  // namespace kdx
