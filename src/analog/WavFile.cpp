// The WAV reader, apart from the text readers so that their fuzzers need no
// sound library.
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "analog/SignalFiles.h"
#include "document/WaveformFile.h"
#include "document/WaveformLimits.h"

namespace kdx {

SignalReadResult ReadWavFile(const std::filesystem::path& path, uint32_t channel, double* values,
                             const ProgressFn& progress) {
    SignalReadResult result;
    const auto fail = [&result](const char* message, std::string reason) {
        result.message = message;
        result.reason = std::move(reason);
        return result;
    };
    if (std::string problem = NotARegularFile(path); !problem.empty()) return fail(MsgFileOpenError, problem);
    // Opened without waiting, in case a FIFO took the file's place meanwhile.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fail(MsgFileOpenError, std::strerror(errno));
    const std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* d) { ::close(*d); });
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return fail(MsgFileOpenError, "not a regular file");
    SF_INFO info{};
    // The descriptor stays ours: closed once, after the library is done with it.
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open_fd(fd, SFM_READ, &info, SF_FALSE), sf_close);
    if (!file) return fail(MsgFileFormatError, sf_strerror(nullptr));
    if (info.samplerate <= 0 || info.channels <= 0) return fail(MsgFileFormatError, "no sampling rate or channels");
    if (channel < 1 || channel > static_cast<uint32_t>(info.channels)) {
        result.message = FileNameOf(path.generic_string()) + "：チャンネル " + std::to_string(channel) +
                         " はありません（チャンネル数 " + std::to_string(info.channels) +
                         "）。\n\n読み込みを中止しました。";
        return result;
    }
    sf_command(file.get(), SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    const auto channels = static_cast<size_t>(info.channels);
    const uint64_t expected = info.frames > 0 ? std::min<uint64_t>(info.frames, MaxSampleCount) : MaxSampleCount;
    constexpr size_t Chunk = 16384;
    std::vector<double> frames(channels == 1 ? 0 : Chunk * channels);
    uint32_t count = 0;
    int percent = 0;
    if (progress) progress(0);
    while (count < MaxSampleCount) {
        const size_t want = std::min<size_t>(Chunk, MaxSampleCount - count);
        double* into = channels == 1 ? values + count : frames.data();
        const sf_count_t got = sf_readf_double(file.get(), into, static_cast<sf_count_t>(want));
        if (got <= 0) break;
        if (channels > 1)
            for (sf_count_t i = 0; i < got; ++i) values[count + i] = frames[i * channels + channel - 1];
        count += static_cast<uint32_t>(got);
        const int now = static_cast<int>(std::min<uint64_t>(count, expected) * 100 / expected);
        if (now != percent && progress) progress(percent = now);
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) return fail(MsgFileReadError, sf_strerror(file.get()));
    if (count == MaxSampleCount) {
        std::vector<double> one(channels);
        if (sf_readf_double(file.get(), one.data(), 1) > 0) result.message = MsgExternalTooMany;
    }
    result.loaded = true;
    result.count = count;
    result.rate = info.samplerate;
    result.intervalNs = std::llround(1e9 / info.samplerate);
    result.rateNote = RateNote(result.rate, result.intervalNs);
    return result;
}

}  // namespace kdx
