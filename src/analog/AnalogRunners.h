// The document's runners of the analog generator dialogs: the samples are
// backed up, the dialog runs on a form preset from the dialog's memory with
// the cursor as edit start, and only after OK the memory is taken back and the
// edit committed.
#pragma once

#include <cstdint>
#include <optional>

#include "analog/ExternalForm.h"
#include "analog/FormulaForm.h"
#include "analog/ManualForm.h"
#include "analog/ShapeForms.h"
#include "edit/EditRunner.h"

namespace kdx {

class CKDXDoc;

// Each returns the edited range after OK, nullopt after Cancel (the document
// unchanged). When the dialog's buffers cannot be allocated the prompts show
// its memory message and the result is Cancel.
std::optional<EditRange> RunSineDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                       const FormDialog<SineForm>& dialog);
std::optional<EditRange> RunRectangleDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                            const FormDialog<RectangleForm>& dialog);
std::optional<EditRange> RunDcDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                     const FormDialog<DcForm>& dialog);
std::optional<EditRange> RunRampDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                       const FormDialog<RampForm>& dialog);
std::optional<EditRange> RunExpDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                      const FormDialog<ExpForm>& dialog);
std::optional<EditRange> RunNoiseDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                        const FormDialog<NoiseForm>& dialog);
// The formula's memory is the caller's (the editor session's), not the file's.
std::optional<EditRange> RunFormulaDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                          FormulaMemory& memory, const FormDialog<FormulaForm>& dialog);
std::optional<EditRange> RunManualDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                         const FormDialog<ManualForm>& dialog);
std::optional<EditRange> RunExternalDialog(CKDXDoc& doc, uint32_t cursorSample, FormPrompts& prompts,
                                           const FormDialog<ExternalForm>& dialog);

}  // namespace kdx
