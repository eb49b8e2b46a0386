#include "digital/DigitalForms.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <new>

#include "document/WaveformFile.h"
#include "document/WaveformLimits.h"
#include "document/WaveformRecords.h"

namespace kdx {

namespace {

constexpr const char* IntervalLabel = "[インターバル時間] ";
constexpr const char* CopyStartLabel = "[コピー開始] ";
constexpr const char* CopyPeriodLabel = "[コピー期間] ";
constexpr const char* ShiftLabel = "[シフト時間] ";
constexpr const char* VcdPeriodLabel = "[期間] ";

// Typed text is read in blocks of this many characters, each a loop of fixed
// length the compiler turns into vector code.
constexpr size_t Block = 64;

// Text without blanks, the common case, in one pass the compiler vectorises
// (GCC takes restrict from parameters only): '0' and '1' differ from 0x30 only
// in the low bit, which is the bit. Not zero when any byte is something else.
uint8_t BitValues(const uint8_t* __restrict in, uint8_t* __restrict out, size_t size) {
    uint8_t other = 0;
    size_t i = 0;
    for (; i + Block <= size; i += Block) {
        for (size_t k = i; k < i + Block; ++k) {
            other |= uint8_t((in[k] & 0xFE) ^ 0x30);
            out[k] = in[k] & 1;
        }
    }
    for (; i < size; ++i) {
        other |= uint8_t((in[i] & 0xFE) ^ 0x30);
        out[i] = in[i] & 1;
    }
    return other;
}

// Every hexadecimal digit's value, without a table look-up so that the
// compiler vectorises it ('A'..'F' are taken as 'a'..'f'). Not zero when any
// byte is something else.
uint8_t HexDigitValue(uint8_t c, uint8_t& other) {
    const uint8_t digit = uint8_t(c - '0'), letter = uint8_t((c | 0x20) - 'a');
    const bool isDigit = digit < 10, isLetter = letter < 6;
    other |= uint8_t(!(isDigit || isLetter));
    return isDigit ? digit : uint8_t(letter + 10);
}

uint8_t HexValues(const uint8_t* __restrict in, uint8_t* __restrict out, size_t size) {
    uint8_t other = 0;
    size_t i = 0;
    for (; i + Block <= size; i += Block)
        for (size_t k = i; k < i + Block; ++k) out[k] = HexDigitValue(in[k], other);
    for (; i < size; ++i) out[i] = HexDigitValue(in[i], other);
    return other;
}

int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
    return sum;
}

}  // namespace

int ValidChannelOr(int channel, int fallback) {
    return channel >= 0 && channel < DigitalChannels ? channel : fallback;
}

// ---- Shared frame ----

DigitalForm::DigitalForm(const DigitalSetup& setup, int fieldCount, int laneCount)
    : EditForm(setup.base, setup.editStart, fieldCount), channels(setup.channels) {
    lanes.reserve(static_cast<size_t>(laneCount));
    for (int i = 0; i < laneCount; ++i) lanes.emplace_back(MaxSampleCount);
    // A digital preview goes empty when the pattern no longer follows the fields.
    SetStaleClearsPreview(true);
}

int64_t DigitalForm::CutPeriod(uint64_t count, int64_t each) const {
    const uint64_t total = TimeBase().totalNs;
    if (each <= 0 || count == 0) return 0;
    if (count > total / static_cast<uint64_t>(each)) return static_cast<int64_t>(total);
    return static_cast<int64_t>(std::min<uint64_t>(count * static_cast<uint64_t>(each), total));
}

bool DigitalForm::Finish(bool ok, int64_t period, uint32_t count, FormPrompts& prompts) {
    if (ok) {
        laneCount = count;
        appliedPeriod = period;
    } else {
        laneCount = 0;
        prompts.Inform(MsgInvalidParameters);
    }
    SetPreviewResult(ok);
    Validate();
    return ok;
}

bool DigitalForm::Apply(DigitalOperation operation, FormPrompts& prompts) {
    if (!ApplyEnabled()) return false;
    const auto stretch = PlanStretch(appliedPeriod, prompts);
    if (!stretch || !Fit(TimeBase().Count() - stretch->first, prompts)) return false;
    // The lanes hold laneCount samples; nothing past them is ever written.
    const uint32_t n = std::min(stretch->count, laneCount);
    for (int ch = 0; ch < DigitalChannels; ++ch) {
        const int lane = LaneOf(ch);
        if (lane >= 0 && channels[ch] != nullptr)
            applyDigitalOperation(channels[ch] + stretch->first, Lane(lane), n, operation);
    }
    return true;
}

// ---- Clock ----

DigitalClockForm::DigitalClockForm(const DigitalSetup& setup, const DigitalClockParams& m, int ch)
    : DigitalForm(setup, Count, 1) {
    channel = ValidChannelOr(ch, ValidChannelOr(m.channel, 0));
    // Levels that are not 0 and 1, or not different, open as the defaults.
    if (m.level1 <= 1 && m.level2 <= 1 && m.level1 != m.level2) {
        levels[0] = m.level1;
        levels[1] = m.level2;
    }
    SetStoredTime(Time1, m.time1, m.time1Unit);
    SetStoredTime(Time2, m.time2, m.time2Unit);
    MutableField(Repeat).text = FormatInt64(m.repeatCount);
    Validate();
}

void DigitalClockForm::SetChannel(int ch) {
    channel = ValidChannelOr(ch, channel);
    Validate();
}

void DigitalClockForm::SetLevel(int row, int level) {
    if (row < 0 || row > 1 || level < 0 || level > 1 || levels[row] == level) return;
    levels[row] = level;
    levels[1 - row] = 1 - level;
    MakeStale();
    Validate();
}

void DigitalClockForm::UnitChosen(int id) {
    if (id == Time1 || id == Time2) PropagateUnit({Time1, Time2}, Field(id).unit);
}

void DigitalClockForm::CheckFields() {
    const auto total = static_cast<int64_t>(TimeBase().totalNs);
    t1Valid = ReadTime(Time1, t1, 0) && t1 >= 0 && t1 <= total;
    ShowMarker(Time1, !t1Valid);
    t2Valid = ReadTime(Time2, t2, 0) && t2 >= 0 && t2 <= total;
    ShowMarker(Time2, !t2Valid);
    repeatValid = ReadCount(Repeat, repeat, 1) && repeat != 0;
    ShowMarker(Repeat, !repeatValid);
    period = CutPeriod(repeat, SaturatingAdd(t1, t2));
    periodValid = period >= TimeBase().samplingNs;
}

std::optional<int64_t> DigitalClockForm::LabelPeriod() const {
    return periodValid ? std::optional<int64_t>(period) : std::nullopt;
}

bool DigitalClockForm::Create(FormPrompts& prompts) {
    const int64_t dt = TimeBase().samplingNs;
    int64_t a = 0, b = 0;
    uint32_t r = 1;
    bool ok = ReadTime(Time1, a, 0) && ReadTime(Time2, b, 0) && ReadCount(Repeat, r, 1);
    int64_t p = 0;
    if (ok) {
        std::vector<Adjustment> adjustments;
        const char* labels[2] = {"[レベル 0：時間] ", "[レベル 1：時間] "};
        if (auto adj = RoundToGrid(Time1, a, labels[levels[0]])) adjustments.push_back(*adj);
        if (auto adj = RoundToGrid(Time2, b, labels[levels[1]])) adjustments.push_back(*adj);
        if (!adjustments.empty()) prompts.Inform(AdjustmentMessage(adjustments));
        p = CutPeriod(r, SaturatingAdd(a, b));
        ok = a >= 0 && b >= 0 && p >= dt && static_cast<uint64_t>(p) <= TimeBase().totalNs;
    }
    uint32_t n = 0;
    if (ok) {
        n = static_cast<uint32_t>(p / dt);
        buildClockPattern(MutableLane(0), n, static_cast<uint32_t>(std::min<int64_t>(a / dt, n)),
                          static_cast<uint32_t>(std::min<int64_t>(b / dt, n)), static_cast<uint8_t>(levels[0]),
                          static_cast<uint8_t>(levels[1]), r);
    }
    return Finish(ok, p, n, prompts);
}

DigitalClockParams DigitalClockForm::Params() const {
    DigitalClockParams p;
    p.time1 = t1;
    p.time2 = t2;
    p.time1Unit = Field(Time1).unit;
    p.time2Unit = Field(Time2).unit;
    p.level1 = static_cast<uint8_t>(levels[0]);
    p.level2 = static_cast<uint8_t>(levels[1]);
    p.repeatCount = static_cast<int32_t>(repeat);
    p.channel = channel;
    return p;
}

// ---- Serial and parallel ----

DigitalTextForm::DigitalTextForm(const DigitalSetup& setup, int laneCount, DigitalTextKind k, DigitalSource s,
                                 const std::string& text, int fieldCount)
    : DigitalForm(setup, fieldCount, laneCount),
      kind(k),
      source(s == DigitalSource::File ? DigitalSource::File : DigitalSource::Direct),
      fileValues(MaxSampleCount),
      scratch(MaxSampleCount) {
    MutableField(Text).text = text;
    MutableField(Text).enabled = source == DigitalSource::Direct;
}

void DigitalTextForm::SetSource(DigitalSource s) {
    if (s == source) return;
    source = s;
    MutableField(Text).enabled = source == DigitalSource::Direct;
    MakeStale();
    Validate();
}

void DigitalTextForm::CheckFields() {
    const int64_t dt = TimeBase().samplingNs;
    intervalValid =
        ReadTime(Interval, interval, 0) && interval >= dt && static_cast<uint64_t>(interval) <= TimeBase().totalNs;
    ShowMarker(Interval, !intervalValid);
    if (source == DigitalSource::Direct) {
        sourceValid = CheckTyped(valueCount);
        ShowMarker(Text, !sourceValid);
    } else {
        sourceValid = true;
        valueCount = FileValuesOffered();
        ShowMarker(Text, false);
    }
    period = CutPeriod(valueCount, interval);
    periodValid = period >= dt;
}

bool DigitalTextForm::CheckTyped(uint64_t& count) {
    // The text is read once per change of it, however often the fields are
    // validated or the pattern created.
    const FieldState& text = Field(Text);
    if (text.revision != checkedRevision) {
        typedValid = CheckText(text.text, typedCount);
        checkedRevision = text.revision;
    }
    count = typedCount;
    return typedValid;
}

std::optional<int64_t> DigitalTextForm::LabelPeriod() const {
    return periodValid ? std::optional<int64_t>(period) : std::nullopt;
}

bool DigitalTextForm::TakeFileValues(const DigitalReadResult& result, FormPrompts& prompts) {
    loadReason = result.reason;
    if (!result.Message().empty()) prompts.Inform(result.Message());
    if (!result.Taken()) return false;
    std::swap(fileValues, scratch);
    fileCount = result.count;
    // The pattern no longer shows what would be built from the file.
    MakeStale();
    Validate();
    return true;
}

bool DigitalTextForm::LoadFile(const std::string& path, FormPrompts& prompts, const ReadProgress& progress) {
    fileName = path;
    const bool taken = TakeFileValues(ReadDigitalTextFile(path, kind, scratch.data(), progress), prompts);
    if (!taken) Validate();
    return taken;
}

bool DigitalTextForm::Create(FormPrompts& prompts) {
    const int64_t dt = TimeBase().samplingNs;
    int64_t h = 0;
    bool ok = ReadTime(Interval, h, 0);
    if (ok) {
        if (const auto adj = RoundToGrid(Interval, h, IntervalLabel)) prompts.Inform(AdjustmentMessage({*adj}));
        uint64_t count = fileCount;
        const bool textOk = source == DigitalSource::File || CheckTyped(count);
        valueCount = count;
        ok = textOk && count > 0 && h >= dt && static_cast<uint64_t>(h) <= TimeBase().totalNs;
    }
    int64_t p = 0;
    uint32_t n = 0;
    if (ok) {
        p = CutPeriod(valueCount, h);
        n = static_cast<uint32_t>(p / dt);
        Build(static_cast<uint32_t>(h / dt));
    }
    return Finish(ok, p, n, prompts);
}

// Serial.

DigitalSerialForm::DigitalSerialForm(const DigitalSetup& setup, const DigitalSerialParams& m, const std::string& text,
                                     int ch)
    : DigitalTextForm(setup, 1, DigitalTextKind::Bits, static_cast<DigitalSource>(m.source), text) {
    channel = ValidChannelOr(ch, ValidChannelOr(m.channel, 0));
    SetStoredTime(Interval, m.bitTime, m.bitTimeUnit);
    Validate();
}

void DigitalSerialForm::SetChannel(int ch) {
    channel = ValidChannelOr(ch, channel);
    Validate();
}

bool DigitalSerialForm::CheckText(const std::string& text, uint64_t& count) {
    const auto* in = reinterpret_cast<const uint8_t*>(text.data());
    const size_t size = text.size();
    bits.resize(size);
    uint8_t* out = bits.data();
    size_t n = size;
    if (BitValues(in, out, size) != 0) {
        // Blanks are left out; anything else but '0' and '1' is refused.
        n = 0;
        for (size_t i = 0; i < size; ++i) {
            const uint8_t c = in[i];
            if (c == ' ') continue;
            if ((c & 0xFE) != 0x30) {
                n = 0;
                break;
            }
            out[n++] = c & 1;
        }
    }
    bits.resize(n);
    count = n;
    return n > 0;
}

void DigitalSerialForm::Build(uint32_t h) {
    const bool direct = Source() == DigitalSource::Direct;
    uint8_t* lane = MutableLane(0);
    const uint8_t mask = 1;
    buildBitLanes(direct ? bits.data() : FileValues(), direct ? bits.size() : FileValueCount(), TimeBase().Count(), h,
                  {&lane, 1}, {&mask, 1});
}

DigitalSerialParams DigitalSerialForm::Params() const {
    DigitalSerialParams p;
    ReadTime(Interval, p.bitTime, 0);
    p.bitTimeUnit = Field(Interval).unit;
    p.channel = channel;
    p.source = static_cast<int32_t>(Source());
    return p;
}

// Parallel.

DigitalParallelForm::DigitalParallelForm(const DigitalSetup& setup, const DigitalParallelParams& m,
                                         const std::string& text)
    : DigitalTextForm(setup, DigitalChannels, DigitalTextKind::HexWords, static_cast<DigitalSource>(m.source), text,
                      AllFields),
      order(m.bitOrder == 1 ? 1 : 0),
      ticked(static_cast<uint8_t>(m.channels & 15)) {
    SetStoredTime(Interval, m.wordTime, m.wordTimeUnit);
    Validate();
}

void DigitalParallelForm::SetVcdSignal(int ch, int signal) {
    if (ch < 0 || ch >= DigitalChannels || !vcd) return;
    signal = signal >= 0 && size_t(signal) < vcd->offered.size() ? signal : -1;
    if (signal == vcdSignals[ch]) return;
    vcdSignals[ch] = signal;
    MakeStale();
    Validate();
}

void DigitalParallelForm::CheckFields() {
    const bool sampling = vcd && Source() == DigitalSource::File;
    MutableField(From).enabled = sampling;
    MutableField(Period).enabled = sampling;
    if (sampling) {
        vcdFromValid = ReadTime(From, vcdFrom, 0) && vcdFrom >= 0;
        // A new start proposes the rest of the dump as the length.
        if (vcdFromValid && vcdFrom != proposedFrom) {
            proposedFrom = vcdFrom;
            const int64_t rest = vcd->PeriodFrom(vcdFrom);
            SetStoredTime(Period, rest,
                          Field(Period).unit != TimeUnitNone ? Field(Period).unit : FormatTimeAuto(rest).unit);
        }
        vcdPeriodValid = ReadTime(Period, vcdPeriod, 0) && vcdPeriod >= TimeBase().samplingNs;
    }
    ShowMarker(From, sampling && !vcdFromValid);
    ShowMarker(Period, sampling && !vcdPeriodValid);
    DigitalTextForm::CheckFields();
}

bool DigitalParallelForm::FieldsValid() const {
    const bool sampling = vcd && Source() == DigitalSource::File;
    return DigitalTextForm::FieldsValid() && (!sampling || (vcdFromValid && vcdPeriodValid));
}

uint64_t DigitalParallelForm::FileValuesOffered() const {
    if (!vcd) return FileValueCount();
    if (!vcdPeriodValid) return 0;
    return std::min<uint64_t>(uint64_t(vcdPeriod / TimeBase().samplingNs), TimeBase().Count());
}

bool DigitalParallelForm::Create(FormPrompts& prompts) {
    if (vcd && Source() == DigitalSource::File) {
        int64_t period = 0;
        if (!vcdFromValid || !ReadTime(Period, period, 0)) return Finish(false, 0, 0, prompts);
        if (const auto adj = RoundToGrid(Period, period, VcdPeriodLabel)) prompts.Inform(AdjustmentMessage({*adj}));
        const int64_t dt = TimeBase().samplingNs;
        const auto count = static_cast<uint32_t>(std::clamp<int64_t>(period / dt, 0, TimeBase().Count()));
        // Unknowns count where they are written: on the ticked channels.
        const uint32_t unknown = SampleVcd(*vcd, vcdSignals, vcdFrom, dt, count, Scratch(), ticked);
        DigitalReadResult sampled;
        sampled.count = count;
        TakeFileValues(sampled, prompts);
        if (unknown > 0) prompts.Inform(VcdUnknownMessage(unknown));
    }
    return DigitalTextForm::Create(prompts);
}

void DigitalParallelForm::SetOrder(int o) {
    o = o == 1 ? 1 : 0;
    if (o == order) return;
    order = o;
    MakeStale();
    Validate();
}

void DigitalParallelForm::SetTicked(int ch, bool on) {
    if (ch < 0 || ch >= DigitalChannels) return;
    ticked = static_cast<uint8_t>(on ? ticked | (1 << ch) : ticked & ~(1 << ch));
    Validate();
}

bool DigitalParallelForm::CheckText(const std::string& text, uint64_t& count) {
    const size_t size = text.size();
    words.resize(size);
    const uint8_t other = HexValues(reinterpret_cast<const uint8_t*>(text.data()), words.data(), size);
    const bool ok = size > 0 && other == 0;
    if (!ok) words.clear();
    count = words.size();
    return ok;
}

void DigitalParallelForm::Build(uint32_t h) {
    const bool direct = Source() == DigitalSource::Direct;
    std::array<uint8_t*, DigitalChannels> lanes{};
    std::array<uint8_t, DigitalChannels> masks{};
    for (int c = 0; c < DigitalChannels; ++c) {
        lanes[c] = MutableLane(c);
        masks[c] = uint8_t(1 << (order == 0 ? c : 3 - c));
    }
    buildBitLanes(direct ? words.data() : FileValues(), direct ? words.size() : FileValueCount(), TimeBase().Count(),
                  h, lanes, masks);
}

bool DigitalParallelForm::LoadFile(const std::string& path, FormPrompts& prompts, const ReadProgress& progress) {
    if (path.size() <= 4) return false;
    bool taken = false;
    if (HasKdxExtension(path)) {
        SetFileName(path);
        taken = ImportWaveform(path, prompts, progress);
    } else if (HasVcdExtension(path)) {
        SetFileName(path);
        taken = ImportVcd(path, prompts, progress);
    } else {
        taken = DigitalTextForm::LoadFile(path, prompts, progress);
    }
    if (taken && !HasVcdExtension(path) && vcd) {
        // The words now come from the other file.
        vcd.reset();
        Validate();
    }
    if (!taken) {
        SetFileName("");
        Validate();
    }
    return taken;
}

bool DigitalParallelForm::ImportWaveform(const std::string& path, FormPrompts& prompts, const ReadProgress& progress) {
    std::unique_ptr<SampleBuffers> buffers;
    try {
        buffers = std::make_unique<SampleBuffers>(SampleBuffers::ForReading);
    } catch (const std::bad_alloc&) {
        prompts.Inform(MsgExternalWaveformMemory);
        return false;
    }
    if (progress) progress(0);
    WaveformHeader header;
    DialogMemories params;
    std::string message;
    if (!ReadWaveformFile(std::filesystem::path(path), header, ArraysOf(*buffers), params, FileFormatVersion,
                          message, &MutableLoadReason())) {
        prompts.Inform(message);
        return false;
    }
    if (progress) progress(100);
    uint8_t* words = Scratch();
    const auto& d = buffers->digital;
    for (uint32_t i = 0; i < header.sampleCount; ++i)
        words[i] = static_cast<uint8_t>(d[3][i] << 3 | d[2][i] << 2 | d[1][i] << 1 | d[0][i]);
    const int64_t sampling = int64_t{header.samplingStep} * BaseClockNs;
    SetStoredTime(Interval, sampling, FormatTimeAuto(sampling).unit);
    order = 0;
    DigitalReadResult result;
    result.count = header.sampleCount;
    return TakeFileValues(result, prompts);
}

bool DigitalParallelForm::ImportVcd(const std::string& path, FormPrompts& prompts, const ReadProgress& progress) {
    auto loaded = std::make_unique<VcdData>();
    if (progress) progress(0);
    const VcdReadResult read = ReadVcdFile(std::filesystem::path(path), *loaded);
    MutableLoadReason() = read.reason;
    if (!read.Ok()) {
        prompts.Inform(read.message);
        return false;
    }
    if (progress) progress(100);
    vcdSignals = loaded->DefaultSignals();
    vcd = std::move(loaded);
    // Sampled at the document's sampling time from the dump's start, over all of it.
    const int64_t dt = TimeBase().samplingNs;
    SetStoredTime(Interval, dt, FormatTimeAuto(dt).unit);
    order = 0;
    proposedFrom = -1;
    SetStoredTime(From, 0, FormatTimeAuto(vcd->PeriodFrom(0)).unit);
    MutableField(Period).unit = TimeUnitNone;
    DigitalReadResult result;  // the samples are taken at "作成"
    return TakeFileValues(result, prompts);
}

DigitalParallelParams DigitalParallelForm::Params() const {
    DigitalParallelParams p;
    ReadTime(Interval, p.wordTime, 0);
    p.wordTimeUnit = Field(Interval).unit;
    p.bitOrder = order;
    p.channels = ticked;
    p.source = static_cast<int32_t>(Source());
    return p;
}

// ---- Modification ----

DigitalModifyForm::DigitalModifyForm(const DigitalSetup& setup, const DigitalModifyParams& m,
                                     const DigitalShiftParams& shift, int ch)
    : DigitalForm(setup, Count, 2), shiftParams(shift) {
    editChannel = ValidChannelOr(ch, ValidChannelOr(m.editChannel, 0));
    copyChannel = ValidChannelOr(ch, ValidChannelOr(m.copyChannel, 0));
    // The copy start is not remembered: it opens at the edit start.
    SetStoredTime(CopyStart, setup.editStart, Field(EditStart).unit);
    SetStoredTime(CopyPeriod, m.copyPeriod, m.copyPeriodUnit);
    SetStaleClearsPreview(false);
    Validate();
}

void DigitalModifyForm::SetEditChannel(int ch) {
    editChannel = ValidChannelOr(ch, editChannel);
    Validate();
}

void DigitalModifyForm::SetCopyChannel(int ch) {
    if (locked) return;
    copyChannel = ValidChannelOr(ch, copyChannel);
    Validate();
}

void DigitalModifyForm::UnitChosen(int id) {
    if (id == CopyStart || id == CopyPeriod) PropagateUnit({CopyStart, CopyPeriod}, Field(id).unit);
}

void DigitalModifyForm::CheckFields() {
    const int64_t dt = TimeBase().samplingNs;
    const auto total = static_cast<int64_t>(TimeBase().totalNs);
    copyStartValid = ReadTime(CopyStart, copyStart, 0) && copyStart >= 0 && copyStart <= total - dt;
    ShowMarker(CopyStart, !copyStartValid);
    copyPeriodValid = ReadTime(CopyPeriod, copyPeriod, 0) && copyPeriod >= dt && copyPeriod <= total;
    ShowMarker(CopyPeriod, !copyPeriodValid);
    if (copyStartValid && copyPeriodValid) {
        copyStartText = TimeLabelText(copyStart);
        copyEndText = TimeLabelText(copyStart + copyPeriod);
    } else {
        copyStartText.clear();
        copyEndText.clear();
    }
}

std::optional<int64_t> DigitalModifyForm::LabelPeriod() const {
    return copyPeriodValid ? std::optional<int64_t>(copyPeriod) : std::nullopt;
}

void DigitalModifyForm::Lock(bool on) {
    locked = on;
    MutableField(CopyStart).enabled = !on;
    MutableField(CopyPeriod).enabled = !on;
    Validate();
}

bool DigitalModifyForm::CopyButton(FormPrompts& prompts) {
    if (locked) {
        Lock(false);
        return true;
    }
    return Copy(prompts);
}

bool DigitalModifyForm::Copy(FormPrompts& prompts) {
    const int64_t dt = TimeBase().samplingNs;
    const auto total = static_cast<int64_t>(TimeBase().totalNs);
    int64_t o = 0, l = 0;
    bool ok = ReadTime(CopyStart, o, 0) && ReadTime(CopyPeriod, l, 0);
    if (ok) {
        std::vector<Adjustment> adjustments;
        if (auto adj = RoundToGrid(CopyStart, o, CopyStartLabel)) adjustments.push_back(*adj);
        if (auto adj = RoundToGrid(CopyPeriod, l, CopyPeriodLabel)) adjustments.push_back(*adj);
        if (!adjustments.empty()) prompts.Inform(AdjustmentMessage(adjustments));
        ok = o >= 0 && o <= total - dt && l >= dt && l <= total;
    }
    if (!ok) return Finish(false, 0, 0, prompts);
    const uint32_t first = static_cast<uint32_t>(o / dt);
    const uint32_t n = TimeBase().Count();
    const uint32_t wanted = static_cast<uint32_t>(l / dt);
    // A copy running past the end holds only the samples that exist; the
    // operations write no more than that.
    const uint32_t copied = first + wanted > n ? n - first : wanted;
    std::memcpy(MutableLane(Working), Channel(copyChannel) + first, copied);
    std::memcpy(MutableLane(Reference), Channel(copyChannel) + first, copied);
    heldStart = o;
    Finish(true, int64_t{copied} * dt, copied, prompts);
    Lock(true);
    return true;
}

std::optional<std::pair<int, int>> DigitalModifyForm::Draw(const PixelRect& preview, int x1, int y1, int x2, int y2) {
    const uint32_t length = LaneCount();
    if (!CopyHeld() || length == 0) return std::nullopt;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const double width = preview.right - preview.left + 1;
    const double height = preview.bottom - preview.top;
    const auto indexAt = [&](int x) {
        return static_cast<int64_t>(std::trunc((x - preview.left) * double(length) / width + 0.5));
    };
    const int64_t i1 = indexAt(x1), i2 = indexAt(x2);
    const int64_t count = i2 - i1 + 1;
    const double level1 = height > 0 ? 1.0 - (y1 - preview.top) / height : 1.0;
    const double level2 = height > 0 ? 1.0 - (y2 - preview.top) / height : 1.0;
    uint8_t* working = MutableLane(Working);
    for (int64_t k = 0; k < count; ++k) {
        const int64_t i = i1 + k;
        // Points beyond the preview reach indexes outside the copy: skipped.
        if (i < 0 || i >= int64_t{length}) continue;
        working[i] = level1 + (level2 - level1) * double(k) / double(count) > 0.5 ? 1 : 0;
    }
    SetPreviewResult(true);
    const int margin = static_cast<int>(std::trunc(2.0 * width / length + 2.0)) + 1;
    return std::pair<int, int>(std::clamp(x1 - margin, preview.left, preview.right),
                               std::clamp(x2 + margin, preview.left, preview.right));
}

void DigitalModifyForm::Invert() {
    if (!CopyHeld()) return;
    invertDigital(MutableLane(Working), LaneCount());
    SetPreviewResult(true);
}

std::unique_ptr<DigitalShiftForm> DigitalModifyForm::BeginShift() {
    if (!CopyHeld() || LaneCount() == 0) return nullptr;
    return std::make_unique<DigitalShiftForm>(MutableLane(Working), LaneCount(), TimeBase().samplingNs, heldStart,
                                              copyChannel, shiftParams);
}

void DigitalModifyForm::EndShift(DigitalShiftForm& shift, bool ok) {
    if (!ok) return;
    shift.Commit();
    shiftParams = shift.Params();
    SetPreviewResult(true);
}

DigitalModifyParams DigitalModifyForm::Params() const {
    DigitalModifyParams p;
    p.copyPeriod = copyPeriod;
    p.copyPeriodUnit = Field(CopyPeriod).unit;
    p.editChannel = editChannel;
    p.copyChannel = copyChannel;
    return p;
}

// ---- Shift ----

DigitalShiftForm::DigitalShiftForm(uint8_t* s, uint32_t n, int64_t samplingNs, int64_t originNs, int ch,
                                   const DigitalShiftParams& m)
    : EditForm(EditTimeBase{uint64_t{n} * static_cast<uint64_t>(samplingNs), samplingNs}, 0, Count),
      stretch(s),
      length(n),
      channel(ch),
      reference(MaxSampleCount),
      working(MaxSampleCount),
      temp(MaxSampleCount) {
    std::memcpy(reference.data(), stretch, length);
    std::memcpy(working.data(), stretch, length);
    method = m.method >= 0 && m.method <= 2 ? static_cast<ShiftMethod>(m.method) : ShiftMethod::FillZero;
    SetStoredTime(ShiftTime, m.shiftTime, m.shiftTimeUnit);
    stretchStart = TimeLabelText(originNs);
    stretchEnd = TimeLabelText(originNs + static_cast<int64_t>(TimeBase().totalNs));
    Validate();
}

std::string DigitalShiftForm::Title() const {
    return "ディジタルシフト － CH " + std::to_string(channel);
}

void DigitalShiftForm::SetMethod(ShiftMethod m) {
    method = m;
}

void DigitalShiftForm::CheckFields() {
    const int64_t dt = TimeBase().samplingNs;
    const auto total = static_cast<int64_t>(TimeBase().totalNs);
    shiftValid =
        ReadTime(ShiftTime, shift, 0) && ((shift >= dt && shift <= total) || (shift <= -dt && shift >= -total));
    ShowMarker(ShiftTime, !shiftValid);
}

bool DigitalShiftForm::Execute(FormPrompts& prompts) {
    if (!shiftValid) return false;
    int64_t s = shift;
    if (const auto adj = RoundToGrid(ShiftTime, s, ShiftLabel)) prompts.Inform(AdjustmentMessage({*adj}));
    shiftDigital(working.data(), temp.data(), length, s / TimeBase().samplingNs, method);
    executed = true;
    SetPreviewResult(true);
    Validate();
    return true;
}

void DigitalShiftForm::Commit() {
    if (executed) std::memcpy(stretch, working.data(), length);
}

DigitalShiftParams DigitalShiftForm::Params() const {
    DigitalShiftParams p;
    p.length = static_cast<int64_t>(TimeBase().totalNs);
    p.lengthUnit = LabelUnit();
    p.shiftTime = shift;
    p.shiftTimeUnit = Field(ShiftTime).unit;
    p.method = static_cast<int32_t>(method);
    return p;
}

// ---- Swap ----

DigitalSwapForm::DigitalSwapForm(const DigitalSwapParams& m, const std::array<uint8_t*, DigitalChannels>& ch,
                                 uint32_t sampleCount)
    : memory(m), channels(ch), count(sampleCount), temp(MaxSampleCount) {
    first = ValidChannelOr(m.firstChannel, 0);
    second = ValidChannelOr(m.secondChannel, 1);
    if (first == second) second = Away(first);
}

void DigitalSwapForm::SetFirst(int ch) {
    first = ValidChannelOr(ch, first);
    if (second == first) second = Away(first);
}

void DigitalSwapForm::SetSecond(int ch) {
    second = ValidChannelOr(ch, second);
    if (first == second) first = Away(second);
}

void DigitalSwapForm::Apply() {
    if (first != second) swapDigital(channels[first], channels[second], temp.data(), count);
}

DigitalSwapParams DigitalSwapForm::Params() const {
    DigitalSwapParams p = memory;
    p.firstChannel = first;
    p.secondChannel = second;
    return p;
}

}  // namespace kdx
