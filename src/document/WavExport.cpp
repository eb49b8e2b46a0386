#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "document/WaveformExport.h"

namespace kdx {

namespace {

// libsndfile writes through these into memory: a WAV header is rewritten at
// the end, so the target must seek, which standard output need not.
struct MemoryFile {
    std::string bytes;
    sf_count_t position = 0;
};

sf_count_t Length(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size()); }

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->position : Length(user);
    if (base + offset < 0) return -1;
    m->position = base + offset;
    return m->position;
}

sf_count_t Read(void* out, sf_count_t count, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(Length(user) - m->position, 0, count);
    if (n > 0) std::memcpy(out, m->bytes.data() + m->position, static_cast<size_t>(n));
    m->position += n;
    return n;
}

sf_count_t Write(const void* in, sf_count_t count, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    const auto end = static_cast<size_t>(m->position + count);
    if (end > m->bytes.size()) m->bytes.resize(end);
    std::memcpy(m->bytes.data() + m->position, in, static_cast<size_t>(count));
    m->position += count;
    return count;
}

sf_count_t Tell(void* user) { return static_cast<MemoryFile*>(user)->position; }

}  // namespace

int WavRate(int64_t samplingNs) { return static_cast<int>(std::llround(1e9 / static_cast<double>(samplingNs))); }

std::optional<WavRateError> WavRateErrorOf(int64_t samplingNs) {
    if (1000000000 % samplingNs == 0) return std::nullopt;
    const int rate = WavRate(samplingNs);
    const double ppm = (static_cast<double>(rate) * static_cast<double>(samplingNs) / 1e9 - 1) * 1e6;
    return WavRateError{rate, 1e9 / static_cast<double>(samplingNs), ppm};
}

std::optional<std::string> WavRateNote(int64_t samplingNs) {
    const auto error = WavRateErrorOf(samplingNs);
    if (!error) return std::nullopt;
    char text[160];
    std::snprintf(text, sizeof text, "WAV rate %d Hz: 1 / %lld nS is %.3f Hz, a rate error of %+.3f ppm", error->rate,
                  static_cast<long long>(samplingNs), error->exactHz, error->ppm);
    return text;
}

std::optional<std::string> WavClipNote(uint32_t clipped) {
    if (clipped == 0) return std::nullopt;
    return std::to_string(clipped) + " samples beyond ±1.0 V were clipped to full scale";
}

WavFile WavBytes(const ExportSource& source, const WavOptions& options) {
    const int channels = options.digital ? 1 + DigitalChannelCount : 1;
    SF_INFO info{};
    info.samplerate = WavRate(source.samplingNs);
    info.channels = channels;
    info.format = SF_FORMAT_WAV | (options.format == WavSampleFormat::Float   ? SF_FORMAT_FLOAT
                                   : options.format == WavSampleFormat::Pcm16 ? SF_FORMAT_PCM_16
                                                                              : SF_FORMAT_PCM_24);
    MemoryFile memory;
    memory.bytes.reserve(64 + size_t{source.count} * static_cast<size_t>(channels) * 4);
    SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
    WavFile result;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (file == nullptr) {
        result.error = sf_strerror(nullptr);
        return result;
    }
    const auto& s = source.samples;
    const size_t n = source.count;
    sf_count_t written = 0;
    if (options.format == WavSampleFormat::Float) {
        std::vector<float> frames(n * static_cast<size_t>(channels));
        for (size_t i = 0; i < n; ++i) {
            float* frame = &frames[i * static_cast<size_t>(channels)];
            frame[0] = static_cast<float>(s.analog[i]);
            for (int ch = 1; ch < channels; ++ch) frame[ch] = s.digital[ch - 1][i] ? 1.0f : 0.0f;
        }
        written = sf_writef_float(file, frames.data(), static_cast<sf_count_t>(n));
    } else {
        std::vector<double> frames(n * static_cast<size_t>(channels));
        for (size_t i = 0; i < n; ++i) {
            double* frame = &frames[i * static_cast<size_t>(channels)];
            const double v = s.analog[i];
            const bool inside = v >= -1.0 && v <= 1.0;  // NaN is not
            if (!inside) ++result.clipped;
            frame[0] = inside ? v : v > 1.0 ? 1.0 : v < -1.0 ? -1.0 : 0.0;
            for (int ch = 1; ch < channels; ++ch) frame[ch] = s.digital[ch - 1][i] ? 1.0 : 0.0;
        }
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);  // +1.0 is the largest code, not a wrap
        written = sf_writef_double(file, frames.data(), static_cast<sf_count_t>(n));
    }
    if (written != static_cast<sf_count_t>(n)) result.error = sf_strerror(file);
    if (sf_close(file) != 0 && result.error.empty()) result.error = "the WAV file could not be completed";
    if (result.error.empty()) result.bytes = std::move(memory.bytes);
    return result;
}

}  // namespace kdx
