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

// Builds a form, or shows its memory message (Form::MemoryMessage) when its
// buffers cannot be had; the runner then ends as after Cancel.
template <class Form, class... Args>
std::unique_ptr<Form> MakeForm(FormPrompts& prompts, Args&&... args) {
    try {
        return std::make_unique<Form>(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        prompts.Inform(Form::MemoryMessage);
        return nullptr;
    }
}

}  // namespace kdx
