// The document's runners of the digital dialogs: the channels an edit may
// change are backed up (all four for the pattern dialogs and the swap, one for
// the whole-channel shift), the dialog runs on a form preset from its memory
// and the cursor, and only after OK the memory is taken back and the edit
// committed. The window is the caller's, as for the analog generators.
#pragma once

#include <cstdint>
#include <optional>

#include "digital/DigitalForms.h"
#include "digital/ProtocolForm.h"
#include "edit/EditRunner.h"

namespace kdx {

class CKDXDoc;

// channel: 0..3 for a per-channel command, RememberedChannel for the menu's.
// Each returns the edited range after OK, nullopt after Cancel; when the
// dialog's buffers cannot be allocated the prompts show its memory message.
std::optional<EditRange> RunDigitalClockDialog(CKDXDoc& doc, uint32_t cursorSample, int channel, FormPrompts& prompts,
                                               const FormDialog<DigitalClockForm>& dialog);
std::optional<EditRange> RunDigitalSerialDialog(CKDXDoc& doc, uint32_t cursorSample, int channel, FormPrompts& prompts,
                                                const FormDialog<DigitalSerialForm>& dialog);
std::optional<EditRange> RunDigitalParallelDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                                  const FormDialog<DigitalParallelForm>& dialog);
std::optional<EditRange> RunDigitalModifyDialog(CKDXDoc& doc, uint32_t cursorSample, int channel, FormPrompts& prompts,
                                                const FormDialog<DigitalModifyForm>& dialog);
// memory: the protocol dialog's last values, kept by the caller for the session.
std::optional<EditRange> RunDigitalProtocolDialog(CKDXDoc& doc, uint32_t cursorSample, ProtocolMemory& memory,
                                                  FormPrompts& prompts,
                                                  const FormDialog<DigitalProtocolForm>& dialog);

// The whole-channel ones: true after OK (the view redraws everything).
bool RunDigitalShiftDialog(CKDXDoc& doc, int channel, FormPrompts& prompts, const FormDialog<DigitalShiftForm>& dialog);
bool RunDigitalSwapDialog(CKDXDoc& doc, FormPrompts& prompts, const FormDialog<DigitalSwapForm>& dialog);

}  // namespace kdx
