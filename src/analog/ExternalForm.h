// The form of the external data dialog: a text file of numbers or another
// waveform file's analog samples is loaded, and "ﾃﾞｰﾀ変換" resamples it from its
// own interval onto the document's sampling time, from a conversion start
// (a time, or a data number counted from 1), for the period, scaled by the
// amplitude factor and shifted by the offset. The conversion is the frame's
// create; the operations apply it as every generator does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analog/ExternalData.h"
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

    // Forgets what was loaded and converted, then loads the file by its name
    // (a waveform file or a text file, nothing for a name of three characters
    // or fewer). Returns the message to show, empty when there is none.
    // progress sees the percentage while a text file is read.
    std::string Load(const std::string& path, const ProgressFn& progress = {});

    void SetStartMode(int mode);
    int GetStartMode() const { return startMode; }

    ExternalParams Params() const;

    // What the dialog shows of the load.
    const std::string& FileName() const { return fileName; }
    bool DataLoaded() const { return loaded; }
    uint32_t LoadedCount() const { return count; }
    const double* LoadedData() const { return samples.analog.data(); }
    int64_t DataEndNs() const { return dataEnd; }
    // ExtEndTime: the data end time with its unit, empty while it is 0.
    std::string DataEndText() const;
    // The data preview (LoadedCount values) and its MaxValue/MinValue texts.
    const double* DataPreview() const { return preview.data(); }
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
    std::vector<double> preview;
    std::string fileName;
    bool loaded = false;
    uint32_t count = 0;
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
