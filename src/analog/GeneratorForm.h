// The form of the analog generator dialogs: the edit-start frame plus a
// period and a work buffer of volts. "作成" computes the stretch into the work
// buffer; an operation combines it with the document's samples at the edit
// start and ends the dialog. Each shape adds its fields, checks and formula.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analog/AnalogShapes.h"
#include "edit/EditForm.h"

namespace kdx {

inline constexpr const char* PeriodLabel = "[期間] ";

// Decimal text of a stored voltage or factor: three decimals when they say
// the value exactly, otherwise the shortest text that reads back to it.
std::string FormatStoredReal(double value);

// What a generator dialog is opened with.
struct GeneratorSetup {
    EditTimeBase base;
    int64_t editStart = 0;          // the cursor's time
    double* destination = nullptr;  // the document's analog samples
};

class GeneratorForm : public EditForm {
public:
    static constexpr int PeriodField = 1;

    // "作成": reads the period and the shape once more, rounds the period down
    // to the sampling grid (with its message), computes and makes the preview
    // current; on failure "パラメータが不正です" and no preview. True on success.
    bool Create(FormPrompts& prompts);
    // An operation button: writes the stretch computed at the last create at
    // the edit start (asking when the edit start is off the grid). True when
    // written: the dialog then closes with OK.
    bool Apply(GeneratorOperation operation, FormPrompts& prompts);

    int64_t PeriodNs() const { return period; }
    bool PeriodValid() const { return periodValid; }
    // The stretch of the last successful create.
    const double* WorkBuffer() const { return work.data(); }
    uint32_t WorkCount() const { return workCount; }
    // The shape's sketch curve, computed at opening (empty when it has none).
    const std::vector<double>& IllustrationCurve() const { return illustration; }
    uint32_t IllustrationCount() const { return illustrationCount; }

protected:
    // Allocates the work buffer (and the illustration buffer when the shape
    // has a sketch); throws std::bad_alloc when there is no memory for them.
    GeneratorForm(const GeneratorSetup& setup, int fieldCount, bool withIllustration);

    // Fields the period follows, checked before it (none by default).
    virtual void CheckBeforePeriod() {}
    // The shape's checks, in its order, after the period.
    virtual void CheckShape() = 0;
    virtual bool ShapeValid() const = 0;
    // Reads every shape field again for a create; false when one does not read.
    virtual bool ReadShape() = 0;
    virtual bool ComputeShape(double* buffer, int64_t period) = 0;
    // What a failed create says.
    virtual std::string CreateFailureMessage() const { return MsgInvalidParameters; }

    // The sketch curve: fills the illustration buffer with the shape computed
    // over the sketch's own time base (period and total 8,500,000 ns at 1000 ns).
    template <class Compute>
    void DrawIllustration(Compute&& compute) {
        if (illustration.empty()) return;
        if (compute(illustration.data(), IllustrationTotalNs, IllustrationSamplingNs))
            illustrationCount = static_cast<uint32_t>(IllustrationTotalNs / IllustrationSamplingNs);
    }
    static constexpr int64_t IllustrationTotalNs = 8500000;
    static constexpr int64_t IllustrationSamplingNs = 1000;

private:
    void CheckFields() final;
    bool FieldsValid() const final { return periodValid && ShapeValid(); }
    std::optional<int64_t> LabelPeriod() const final;

    double* destination;
    std::vector<double> work;
    std::vector<double> illustration;
    uint32_t illustrationCount = 0;
    uint32_t workCount = 0;
    int64_t period = 0;
    bool periodValid = false;
    int64_t createdPeriod = 0;
};

}  // namespace kdx
