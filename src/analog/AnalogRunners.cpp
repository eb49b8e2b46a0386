#include "analog/AnalogRunners.h"

#include "document/KDXDoc.h"

namespace kdx {

namespace {

template <class Form>
std::optional<EditRange> RunGenerator(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                      typename Form::MemoryRecord& memory, const FormDialog<Form>& dialog) {
    if (!doc.HasWaveform()) return std::nullopt;
    const int64_t dt = doc.GetSamplingTime();
    if (!WithMemory<Form>(prompts, [&] { doc.BeginAnalogEdit(); })) return std::nullopt;
    GeneratorSetup setup;
    setup.base = EditTimeBase{doc.GetTotalTime(), dt};
    setup.editStart = int64_t{cursorSample} * dt;
    setup.destination = doc.AnalogSamples();
    const std::unique_ptr<Form> form = MakeForm<Form>(prompts, setup, memory);
    if (!form) return std::nullopt;
    if (!dialog(*form)) return std::nullopt;
    memory = form->Params();
    EditRange range;
    range.first = static_cast<uint32_t>(form->EditStartNs() / dt);
    range.end = range.first + static_cast<uint32_t>(form->PeriodNs() / dt);
    doc.CommitAnalogEdit();
    return range;
}

}  // namespace

std::optional<EditRange> RunSineDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                       const FormDialog<SineForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, doc.Memories().sineParams, dialog);
}

std::optional<EditRange> RunRectangleDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                            const FormDialog<RectangleForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, doc.Memories().rectangleParams, dialog);
}

std::optional<EditRange> RunDcDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                     const FormDialog<DcForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, doc.Memories().dcParams, dialog);
}

std::optional<EditRange> RunRampDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                       const FormDialog<RampForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, doc.Memories().rampParams, dialog);
}

std::optional<EditRange> RunExpDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                      const FormDialog<ExpForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, doc.Memories().expParams, dialog);
}

std::optional<EditRange> RunNoiseDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                        const FormDialog<NoiseForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, doc.Memories().noiseParams, dialog);
}

std::optional<EditRange> RunFormulaDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts, FormulaMemory& memory,
                                          const FormDialog<FormulaForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, memory, dialog);
}

std::optional<EditRange> RunManualDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                         const FormDialog<ManualForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, doc.Memories().manualParams, dialog);
}

std::optional<EditRange> RunExternalDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                           const FormDialog<ExternalForm>& dialog) {
    return RunGenerator(doc, cursor, prompts, doc.Memories().externalParams, dialog);
}

}  // namespace kdx
