#include "analog/ExternalForm.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "document/WaveformFile.h"
#include "document/WaveformLimits.h"

namespace kdx {

namespace {

// Names are UTF-8 whatever the platform's own path encoding.
std::filesystem::path PathOf(const std::string& name) { return std::u8string(name.begin(), name.end()); }

}  // namespace

ExternalForm::ExternalForm(const GeneratorSetup& setup, const ExternalParams& m)
    : GeneratorForm(setup, Count, false), pointTimes(MaxSampleCount), preview(MaxSampleCount) {
    SetStoredTime(Interval, m.interval, m.intervalUnit);
    SetStoredTime(Start, 0, TimeUnitNs);
    SetStoredTime(Period, 0, TimeUnitNs);
    MutableField(Amplitude).text = FormatStoredReal(m.amplitude);
    MutableField(Offset).text = FormatStoredReal(m.offset);
    const bool known = m.interpolation == int32_t(InterpolationMode::None) || m.interpolation == int32_t(InterpolationMode::Linear);
    MutableField(Interpolation).unit = known ? m.interpolation : TimeUnitNone;
    MutableField(DataNumber).enabled = false;
    seenInterval = SeenOf(Interval);
    seenStart = SeenOf(Start);
    seenNumber = SeenOf(DataNumber);
    Validate();
}

std::string ExternalForm::Load(const std::string& path, const ProgressFn& progress) {
    loaded = points = false;
    count = previewCount = 0;
    fileName.clear();
    loadReason.clear();
    header.clear();
    rateNote.clear();
    minValue = maxValue = 0.0;
    ++loadGeneration;
    SetPreviewResult(false);
    std::string message;
    switch (SourceReaderFor(path, source.format)) {
    case SourceReader::None: break;
    case SourceReader::Numbers: {
        const TextDataResult r = ReadTextDataFile(PathOf(path), samples.analog.data(), progress);
        message = r.message;
        loadReason = r.reason;
        loaded = r.loaded;
        count = r.count;
        break;
    }
    case SourceReader::Wav: {
        const SignalReadResult r = ReadWavFile(PathOf(path), source.channel, samples.analog.data(), progress);
        message = r.message;
        loadReason = r.reason;
        loaded = r.loaded;
        count = r.count;
        rateNote = r.rateNote;
        if (loaded) SetInterval(r.intervalNs);
        break;
    }
    case SourceReader::Table: LoadPoints(false, path, progress, message); break;
    case SourceReader::Pwl: LoadPoints(true, path, progress, message); break;
    case SourceReader::Waveform: {
        WaveformHeader fileHeader;
        DialogMemories params;
        if (!ReadWaveformFile(PathOf(path), fileHeader, ArraysOf(samples), params, FileFormatVersion, message,
                              &loadReason))
            break;
        message.clear();  // the reader's success text is not shown
        loaded = true;
        count = fileHeader.sampleCount;
        SetInterval(int64_t{fileHeader.samplingStep} * fileHeader.timeUnitNs);
        break;
    }
    }
    MutableField(Interval).enabled = !points;
    if (points) SetStartMode(ByTime);
    MutableField(DataNumber).enabled = !points && startMode == ByDataNumber;
    previewCount = count;
    if (loaded) {
        fileName = path;
        BuildDataPreview(samples.analog.data(), count, preview.data(), minValue, maxValue);
    }
    const int64_t end = points && count > 0 ? std::llround(pointTimes[count - 1]) : 0;
    if (loaded && points && end > 0) {
        // Uneven points are drawn as the conversion sees them, evenly spaced.
        previewCount = static_cast<uint32_t>(std::min<int64_t>(end, 4096));
        ConvertPoints(preview.data(), previewCount, pointTimes.data(), samples.analog.data(), count, 0, end,
                      end / previewCount, 1.0, 0.0, InterpolationMode::Linear);
        double low = 0.0, high = 0.0;
        BuildDataPreview(preview.data(), previewCount, preview.data(), low, high);
    }
    reloaded = true;
    Validate();
    return message;
}

void ExternalForm::SetInterval(int64_t ns) {
    const AutoTimeText text = FormatTimeAuto(ns);
    MutableField(Interval).text = text.text;
    MutableField(Interval).unit = text.unit;
}

void ExternalForm::LoadPoints(bool pwl, const std::string& path, const ProgressFn& progress, std::string& message) {
    double* values = samples.analog.data();
    const SignalReadResult r = ReadPointFile(PathOf(path), pwl, source.timeColumn, source.valueColumn,
                                             pointTimes.data(), values, progress);
    message = r.message;
    loadReason = r.reason;
    loaded = r.loaded;
    count = r.count;
    header = r.header;
    if (!loaded) return;
    // Evenly spaced table rows are a number list like any other.
    if (const int64_t step = pwl ? 0 : EvenStepNs(pointTimes.data(), count); step > 0) {
        SetInterval(step);
        return;
    }
    points = true;
    const double first = pointTimes[0];
    for (uint32_t i = 0; i < count; ++i) pointTimes[i] = (pointTimes[i] - first) * 1e9;
    MutableField(Interpolation).unit = int(InterpolationMode::Linear);
}

void ExternalForm::SetStartMode(int mode) {
    mode = mode == ByDataNumber && !points ? ByDataNumber : ByTime;
    if (mode == startMode) return;
    startMode = mode;
    MutableField(Start).enabled = mode == ByTime;
    MutableField(DataNumber).enabled = mode == ByDataNumber;
    Validate();
}

void ExternalForm::ProposePeriod(int64_t ns) {
    const AutoTimeText text = FormatTimeAuto(ns);
    FieldState& f = MutableField(Period);
    if (f.text == text.text && f.unit == text.unit) return;
    f.text = text.text;
    f.unit = text.unit;
    MakeStale();
}

void ExternalForm::CheckBeforePeriod() {
    const int64_t dt = TimeBase().samplingNs;
    int64_t read = 0;
    // A data end time beyond the 64-bit range is no time at all.
    intervalValid = ReadTime(Interval, read, 0) && read > 0 &&
                    (count == 0 || read <= std::numeric_limits<int64_t>::max() / count);
    interval = intervalValid ? read : 0;
    if (points) intervalValid = true;  // the points bring their own times
    ShowMarker(Interval, !intervalValid);
    const int64_t end = points ? std::llround(pointTimes[count - 1]) : interval * count;
    if (end != dataEnd) MakeStale();
    dataEnd = end;

    const bool intervalChanged = reloaded || SeenOf(Interval) != seenInterval;
    const bool startChanged = startMode != seenMode || SeenOf(Start) != seenStart || SeenOf(DataNumber) != seenNumber;
    CheckStart();
    if (intervalChanged) {
        ProposePeriod(startValid ? dataEnd - start : dataEnd);
    } else if (startChanged && intervalValid && startValid) {
        int64_t period = 0;
        const bool periodValid = ReadTime(Period, period, 0) && period >= dt &&
                                 static_cast<uint64_t>(period) <= TimeBase().totalNs;
        if (periodValid && period > dataEnd - start) ProposePeriod(dataEnd - start);
    }
    seenInterval = SeenOf(Interval);
    seenStart = SeenOf(Start);
    seenNumber = SeenOf(DataNumber);
    seenMode = startMode;
    reloaded = false;
}

void ExternalForm::CheckStart() {
    // The last start that still leaves one sampling time of data; a start by
    // data number must leave it too, or the conversion would have nothing to take.
    const int64_t last = dataEnd - TimeBase().samplingNs;
    if (startMode == ByTime) {
        startValid = ReadTime(Start, start, 0) && start >= 0 && start <= last;
        ShowMarker(Start, !startValid);
        ShowMarker(DataNumber, false);
        MutableField(DataNumber).text =
            startValid && !points ? FormatUnsigned(uint64_t(start / interval) + 1) : "";
        return;
    }
    uint32_t number = 0;
    const bool inData = ReadCount(DataNumber, number, 1) && number >= 1 && number <= count;
    start = inData ? int64_t{number - 1} * interval : 0;
    startValid = inData && start <= last;
    ShowMarker(DataNumber, !startValid);
    ShowMarker(Start, false);
    FieldState& time = MutableField(Start);
    if (startValid) {
        const AutoTimeText text = FormatTimeAuto(start);
        time.text = text.text;
        time.unit = text.unit;
    } else {
        time.text.clear();
    }
}

void ExternalForm::CheckShape() {
    amplitudeValid = ReadReal(Amplitude, amplitude, 1.0);
    ShowMarker(Amplitude, !amplitudeValid);
    offsetValid = ReadReal(Offset, offset, 0.0);
    ShowMarker(Offset, !offsetValid);
    const TimeUnitIndex choice = Field(Interpolation).unit;
    interpolationValid = choice == int(InterpolationMode::None) || choice == int(InterpolationMode::Linear);
    ShowMarker(Interpolation, !interpolationValid);
}

bool ExternalForm::ShapeValid() const {
    return loaded && intervalValid && startValid && amplitudeValid && offsetValid && interpolationValid;
}

// The fields were read by the validation that ran after their last change.
bool ExternalForm::ReadShape() { return ShapeValid(); }

bool ExternalForm::ComputeShape(double* buffer, int64_t period) {
    const int64_t dt = TimeBase().samplingNs;
    const int64_t length = std::min(period, dataEnd - start);
    if (points)
        return ConvertPoints(buffer, static_cast<uint32_t>(period / dt), pointTimes.data(), samples.analog.data(),
                             count, start, length, dt, amplitude, offset,
                             static_cast<InterpolationMode>(Field(Interpolation).unit));
    return ConvertExternalData(buffer, static_cast<uint32_t>(period / dt), samples.analog.data(), count, interval, start,
                               length, dt, amplitude, offset,
                               static_cast<InterpolationMode>(Field(Interpolation).unit));
}

ExternalParams ExternalForm::Params() const {
    ExternalParams p;
    const FieldState& f = Field(Interval);
    p.interval = ParseTimeText(f.text, f.unit).value_or(0);
    p.intervalUnit = f.unit;
    p.amplitude = amplitude;
    p.offset = offset;
    p.interpolation = Field(Interpolation).unit;
    return p;
}

std::string ExternalForm::DataEndText() const { return dataEnd > 0 ? FormatTimeAutoWithUnit(dataEnd) : ""; }

std::string ExternalForm::MaxValueText() const { return loaded && count > 0 ? FormatReal3(maxValue) : ""; }

std::string ExternalForm::MinValueText() const { return loaded && count > 0 ? FormatReal3(minValue) : ""; }

}  // namespace kdx
