// What the document's runners of every editing dialog share: the document
// backs up what the edit may change, the dialog runs on a form, and only
// after OK is the edit committed (undoable, counted, a new data identity).
// The window itself is the caller's: it runs the dialog on the form and says
// whether it ended with OK. kdx-tool drives the same forms without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <utility>

#include "edit/EditForm.h"

namespace kdx {

// The samples an applied edit covers, [first, end); end may lie past the
// last sample (the view cuts it).
struct EditRange {
    uint32_t first = 0;
    uint32_t end = 0;
};

template <class Form>
using FormDialog = std::function<bool(Form&)>;

// Runs a step that needs memory (the form's buffers, the document's edit
// backup), or shows the dialog's memory message (Form::MemoryMessage) when
// that cannot be had; false then, and the runner ends as after Cancel.
template <class Form, class Step>
bool WithMemory(FormPrompts& prompts, Step&& step) {
    try {
        step();
        return true;
    } catch (const std::bad_alloc&) {
        prompts.Inform(Form::MemoryMessage);
        return false;
    }
}

// Builds a form, or shows its memory message.
template <class Form, class... Args>
std::unique_ptr<Form> MakeForm(FormPrompts& prompts, Args&&... args) {
    std::unique_ptr<Form> form;
    WithMemory<Form>(prompts, [&] { form = std::make_unique<Form>(std::forward<Args>(args)...); });
    return form;
}

}  // namespace kdx
