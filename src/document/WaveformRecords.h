// Records the waveform file exchanges with its callers: the header record
// (time base, identities, frame and view state, output settings) and the
// sample buffers. The dialog memories travel as DialogMemories.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "document/OutputSettings.h"
#include "document/WaveformLimits.h"

namespace kdx {

inline constexpr int EditRingSize = 128;
inline constexpr int ZoomTableSize = 32;

// The main frame's per-file state, as the frame holds it. The file stores A,
// C and the edit flag inverted; D as is.
struct FrameBlock {
    bool flagA = true;
    bool editAllowed = true;
    bool flagC = true;
    bool flagD = false;
    std::string documentTag;  // at most 16 bytes are stored
    friend bool operator==(const FrameBlock&, const FrameBlock&) = default;
};

// The view's state saved with every file: cursor, time mark, edit-position
// ring and zoom. Sample positions are unsigned, as the view holds them.
struct ViewBlock {
    uint32_t cursorSample = 0;
    uint32_t firstVisibleSample = 0;
    int32_t cursorX = 0;  // pixel column of the drawn cursor line
    bool timeMarkSet = false;
    uint32_t timeMarkSample = 0;
    int32_t timeMarkX = 0;  // pixel column of the drawn time mark
    std::array<uint32_t, EditRingSize> ring{};
    int32_t ringHead = 0;   // oldest entry
    int32_t ringWrite = 0;  // one past the newest
    int32_t ringBrowse = 0;
    bool ringEmpty = true;
    bool ringCanGoBack = false;
    bool ringCanGoForward = false;
    bool ringBrowsing = false;
    bool zoomEnabled = false;
    bool spareFlag = false;  // stored and restored only
    std::array<uint32_t, ZoomTableSize> zoomTable{};
    int32_t standardZoomIndex = 0;
    int32_t maxZoomIndex = 0;
    int32_t zoomIndex = 0;
    friend bool operator==(const ViewBlock&, const ViewBlock&) = default;
};

struct WaveformHeader {
    uint64_t totalTimeNs = 0;
    uint32_t samplingStep = 0;  // units of 20 ns
    uint32_t sampleCount = 0;
    uint32_t timeUnitNs = BaseClockNs;
    int32_t dataId = 0;
    int32_t documentId = 0;
    int32_t editCount = 0;
    std::array<std::string, SignalNameCount> signalNames{};  // at most 8 bytes each are stored
    FrameBlock frame;
    ViewBlock view;
    OutputSettings output;
    uint32_t formatVersion = FileFormatVersion;  // reader: the value found in the file
    friend bool operator==(const WaveformHeader&, const WaveformHeader&) = default;
};

// Leaves the elements of a vector it sizes without a value (they are
// written before they are read), so that memory never used is never touched.
template <class T>
struct UnsetElements : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnsetElements<U>;
    };
    UnsetElements() = default;
    template <class U>
    UnsetElements(const UnsetElements<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// One analog array and four channel arrays of full capacity, allocated once;
// zero, or with ForReading without a value (a reader fills what it uses).
struct SampleBuffers {
    struct ForReadingTag {};
    static constexpr ForReadingTag ForReading{};
    SampleBuffers() : SampleBuffers(ForReading) {
        std::fill(analog.begin(), analog.end(), 0.0);
        for (auto& channel : digital) std::fill(channel.begin(), channel.end(), uint8_t{0});
    }
    explicit SampleBuffers(ForReadingTag) {}
    std::vector<double, UnsetElements<double>> analog = std::vector<double, UnsetElements<double>>(MaxSampleCount);
    std::array<std::vector<uint8_t, UnsetElements<uint8_t>>, DigitalChannelCount> digital{
        std::vector<uint8_t, UnsetElements<uint8_t>>(MaxSampleCount),
        std::vector<uint8_t, UnsetElements<uint8_t>>(MaxSampleCount),
        std::vector<uint8_t, UnsetElements<uint8_t>>(MaxSampleCount),
        std::vector<uint8_t, UnsetElements<uint8_t>>(MaxSampleCount)};
};

// Non-owning views of sample arrays of at least MaxSampleCount elements.
struct ConstSampleArrays {
    const double* analog = nullptr;
    std::array<const uint8_t*, DigitalChannelCount> digital{};
};
struct SampleArrays {
    double* analog = nullptr;
    std::array<uint8_t*, DigitalChannelCount> digital{};
    operator ConstSampleArrays() const { return {analog, {digital[0], digital[1], digital[2], digital[3]}}; }
};

inline SampleArrays ArraysOf(SampleBuffers& b) {
    return {b.analog.data(), {b.digital[0].data(), b.digital[1].data(), b.digital[2].data(), b.digital[3].data()}};
}
inline ConstSampleArrays ArraysOf(const SampleBuffers& b) {
    return {b.analog.data(), {b.digital[0].data(), b.digital[1].data(), b.digital[2].data(), b.digital[3].data()}};
}

}  // namespace kdx
