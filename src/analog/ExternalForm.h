// The form of the external data dialog: a text file of numbers, a time-value
// table, a PWL file, a WAV recording or another waveform file's analog
// samples is loaded, and "ﾃﾞｰﾀ変換" resamples it from its
// own interval onto the document's sampling time, from a conversion start
// (a time, or a data number counted from 1), for the period, scaled by the
// amplitude factor and shifted by the offset. The conversion is the frame's
// create; the operations apply it as every generator does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analog/ExternalData.h"
#include "analog/SignalFiles.h"
#include "analog/GeneratorForm.h"
#include "document/DialogParams.h"
#include "document/WaveformRecords.h"

namespace kdx {

class ExternalForm : public GeneratorForm {
public:
    // The interpolation's list holds "補間なし" (0) and "直線補間" (1) and is
    // kept as the field's unit index.
    enum Id { EditStart, Period, Interval, Start, DataNumber, Amplitude, Offset, Interpolation, Count };
    enum StartMode { ByTime = 0, ByDataNumber = 1 };
    using MemoryRecord = ExternalParams;
    static constexpr const char* MemoryMessage = MsgExternalMemory;

    // Allocates the loaded data, its preview, the work buffer and the channel
    // buffers the waveform reader needs; throws std::bad_alloc.
    ExternalForm(const GeneratorSetup& setup, const ExternalParams& memory);

    // How the next load reads its file: the format, a WAV file's channel and a
    // table's time and value columns (all from 1).
    struct SourceOptions {
        SourceFormat format = SourceFormat::Auto;
        uint32_t channel = 1, timeColumn = 1, valueColumn = 2;
    };
    void SetSourceOptions(const SourceOptions& options) { source = options; }
    const SourceOptions& GetSourceOptions() const { return source; }

    // Forgets what was loaded and converted, then loads the file with the
    // reader its format calls for (by name with the automatic format: nothing
    // for a name of three characters or fewer). Returns the message to show,
    // empty when there is none. progress sees the percentage while a file
    // other than a waveform file is read.
    std::string Load(const std::string& path, const ProgressFn& progress = {});
    // What the last load's message cannot say: the system's reason for a
    // failed open or read ("Permission denied"), or the fault in a waveform file.
    const std::string& LoadReason() const { return loadReason; }

    void SetStartMode(int mode);
    int GetStartMode() const { return startMode; }

    ExternalParams Params() const;

    // What the dialog shows of the load.
    const std::string& FileName() const { return fileName; }
    bool DataLoaded() const { return loaded; }
    uint32_t LoadedCount() const { return count; }
    const double* LoadedData() const { return samples.analog.data(); }
    // Loaded as time-value points (a PWL file or an uneven table): there is no
    // interval and no data number, the conversion start is a time from the
    // first point, and the interpolation turns to linear on loading.
    bool PointsLoaded() const { return points; }
    // A table's first header line; the note on a WAV file's rate error.
    const std::string& HeaderLine() const { return header; }
    const std::string& RateNoteText() const { return rateNote; }
    int64_t DataEndNs() const { return dataEnd; }
    // ExtEndTime: the data end time with its unit, empty while it is 0.
    std::string DataEndText() const;
    // The data preview (PreviewCount values, evenly spaced over the data) and
    // its MaxValue/MinValue texts.
    const double* DataPreview() const { return preview.data(); }
    uint32_t PreviewCount() const { return previewCount; }
    std::string MaxValueText() const;
    std::string MinValueText() const;
    // Counts every change of the loaded data, so the window redraws its preview.
    uint64_t LoadGeneration() const { return loadGeneration; }

private:
    void CheckBeforePeriod() override;
    void CheckShape() override;
    bool ShapeValid() const override;
    bool ReadShape() override;
    bool ComputeShape(double* buffer, int64_t period) override;
    std::string CreateFailureMessage() const override { return MsgConversionError; }
    bool MakesStale(int id) const override { return id != EditStartField && id != Interval; }
    void CheckStart();
    void SetInterval(int64_t ns);
    void LoadPoints(bool pwl, const std::string& path, const ProgressFn& progress, std::string& message);
    // The period as the coupling proposes it, in the unit that suits it.
    void ProposePeriod(int64_t ns);

    // A field as last seen by the checks, to tell the user's changes from
    // the form's own.
    struct Seen {
        std::string text;
        TimeUnitIndex unit = TimeUnitNone;
        bool operator==(const Seen&) const = default;
    };
    Seen SeenOf(int id) const { return {Field(id).text, Field(id).unit}; }

    SampleBuffers samples;  // the loaded data is the analog array
    std::vector<double> pointTimes;  // points: ns from the first point
    std::vector<double> preview;
    std::string fileName, loadReason, header, rateNote;
    SourceOptions source;
    bool loaded = false, points = false;
    uint32_t count = 0, previewCount = 0;
    double minValue = 0.0, maxValue = 0.0;
    uint64_t loadGeneration = 0;

    int startMode = ByTime;
    int64_t interval = 0, dataEnd = 0, start = 0;
    double amplitude = 1.0, offset = 0.0;
    bool intervalValid = false, startValid = false, amplitudeValid = false, offsetValid = false,
         interpolationValid = false;
    bool reloaded = false;
    Seen seenInterval, seenStart, seenNumber;
    int seenMode = ByTime;
};

// The names of the interpolation list.
inline constexpr const char* InterpolationNames[2] = {"補間なし", "直線補間"};

}  // namespace kdx
