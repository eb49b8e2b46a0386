#include "digital/DigitalRunners.h"

#include "document/KDXDoc.h"

namespace kdx {

namespace {

DigitalSetup SetupOf(CKDXDoc& doc, uint32_t cursorSample) {
    DigitalSetup setup;
    setup.base = EditTimeBase{doc.GetTotalTime(), doc.GetSamplingTime()};
    setup.editStart = int64_t{cursorSample} * doc.GetSamplingTime();
    for (int ch = 0; ch < DigitalChannels; ++ch) setup.channels[ch] = doc.DigitalChannel(ch);
    return setup;
}

// The pattern dialogs' common run: all four channels backed up, committed as
// one undo step over the range the operation wrote.
template <class Form, class Store>
std::optional<EditRange> RunPattern(CKDXDoc& doc, FormPrompts& prompts, std::unique_ptr<Form> form,
                                    const FormDialog<Form>& dialog, Store&& store) {
    if (!form || !WithMemory<Form>(prompts, [&] { doc.BeginDigitalEdit(UndoKindAllDigital); })) return std::nullopt;
    if (!dialog(*form)) return std::nullopt;
    store(*form);
    const int64_t dt = doc.GetSamplingTime();
    EditRange range;
    range.first = static_cast<uint32_t>(form->EditStartNs() / dt);
    range.end = range.first + static_cast<uint32_t>(form->AppliedPeriod() / dt);
    doc.CommitDigitalEdit(UndoKindAllDigital, true);
    return range;
}

}  // namespace

std::optional<EditRange> RunDigitalClockDialog(CKDXDoc& doc, uint32_t cursor, int channel, FormPrompts& prompts,
                                               const FormDialog<DigitalClockForm>& dialog) {
    if (!doc.HasWaveform()) return std::nullopt;
    auto& memory = doc.Memories().digitalClockParams;
    return RunPattern(doc, prompts, MakeForm<DigitalClockForm>(prompts, SetupOf(doc, cursor), memory, channel), dialog,
                      [&](const DigitalClockForm& f) { memory = f.Params(); });
}

std::optional<EditRange> RunDigitalSerialDialog(CKDXDoc& doc, uint32_t cursor, int channel, FormPrompts& prompts,
                                                const FormDialog<DigitalSerialForm>& dialog) {
    if (!doc.HasWaveform()) return std::nullopt;
    auto& memory = doc.Memories().digitalSerialParams;
    return RunPattern(
        doc, prompts, MakeForm<DigitalSerialForm>(prompts, SetupOf(doc, cursor), memory, doc.DigitalSerialText(), channel),
        dialog, [&](const DigitalSerialForm& f) {
            memory = f.Params();
            doc.DigitalSerialText() = f.Field(DigitalTextForm::Text).text;
        });
}

std::optional<EditRange> RunDigitalParallelDialog(CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts,
                                                  const FormDialog<DigitalParallelForm>& dialog) {
    if (!doc.HasWaveform()) return std::nullopt;
    auto& memory = doc.Memories().digitalParallelParams;
    return RunPattern(doc, prompts,
                      MakeForm<DigitalParallelForm>(prompts, SetupOf(doc, cursor), memory, doc.DigitalParallelText()),
                      dialog, [&](const DigitalParallelForm& f) {
                          memory = f.Params();
                          doc.DigitalParallelText() = f.Field(DigitalTextForm::Text).text;
                      });
}

std::optional<EditRange> RunDigitalModifyDialog(CKDXDoc& doc, uint32_t cursor, int channel, FormPrompts& prompts,
                                                const FormDialog<DigitalModifyForm>& dialog) {
    if (!doc.HasWaveform()) return std::nullopt;
    DialogMemories& m = doc.Memories();
    return RunPattern(doc, prompts,
                      MakeForm<DigitalModifyForm>(prompts, SetupOf(doc, cursor), m.digitalModifyParams,
                                                  m.digitalShiftParams, channel),
                      dialog, [&](const DigitalModifyForm& f) {
                          m.digitalModifyParams = f.Params();
                          m.digitalShiftParams = f.ShiftParams();
                      });
}

std::optional<EditRange> RunDigitalProtocolDialog(CKDXDoc& doc, uint32_t cursor, ProtocolMemory& memory,
                                                  FormPrompts& prompts,
                                                  const FormDialog<DigitalProtocolForm>& dialog) {
    if (!doc.HasWaveform()) return std::nullopt;
    return RunPattern(doc, prompts, MakeForm<DigitalProtocolForm>(prompts, SetupOf(doc, cursor), memory), dialog,
                      [&](const DigitalProtocolForm& f) { memory = f.Params(); });
}

bool RunDigitalShiftDialog(CKDXDoc& doc, int channel, FormPrompts& prompts,
                           const FormDialog<DigitalShiftForm>& dialog) {
    if (!doc.HasWaveform() || channel < 0 || channel >= DigitalChannels) return false;
    auto& memory = doc.Memories().digitalShiftParams;
    auto form = MakeForm<DigitalShiftForm>(prompts, doc.DigitalChannel(channel), doc.GetSampleCount(),
                                           doc.GetSamplingTime(), int64_t{0}, channel, memory);
    if (!form || !WithMemory<DigitalShiftForm>(prompts, [&] { doc.BeginDigitalEdit(channel); })) return false;
    if (!dialog(*form)) return false;
    form->Commit();
    memory = form->Params();
    doc.CommitDigitalEdit(channel, true);
    return true;
}

bool RunDigitalSwapDialog(CKDXDoc& doc, FormPrompts& prompts, const FormDialog<DigitalSwapForm>& dialog) {
    if (!doc.HasWaveform()) return false;
    std::array<uint8_t*, DigitalChannels> channels{};
    for (int ch = 0; ch < DigitalChannels; ++ch) channels[ch] = doc.DigitalChannel(ch);
    auto& memory = doc.Memories().digitalSwapParams;
    auto form = MakeForm<DigitalSwapForm>(prompts, memory, channels, doc.GetSampleCount());
    if (!form || !WithMemory<DigitalSwapForm>(prompts, [&] { doc.BeginDigitalEdit(UndoKindAllDigital); })) return false;
    if (!dialog(*form)) return false;
    memory = form->Params();
    form->Apply();
    doc.CommitDigitalEdit(UndoKindAllDigital, true);
    return true;
}

}  // namespace kdx
