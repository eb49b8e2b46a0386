// kdx-tool apply: an editing dialog's work on a file, from a script. Each kind
// fills the dialog's form with the option values as its fields' texts, so the
// checks, adjustments, messages and results are the dialog's, then commits as
// the dialog's OK does (memory stored, edit counted and undoable, new data
// identity, the cursor moved to the end of the stretch) and saves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FileCommands.h"
#include "analog/AnalogRunners.h"
#include "edit/EditForm.h"

namespace CLI {
class App;
}

namespace kdx {
class CKDXDoc;
}

namespace kdx::tool {

// The dialog's messages on the error output; every question is answered OK.
class StderrPrompts : public FormPrompts {
public:
    void Inform(const std::string& text) override;
    bool Confirm(const std::string& text) override;
};

// A file opened for one edit, as the editor opens it.
class ApplySession {
public:
    explicit ApplySession(const std::string& path);
    ~ApplySession();
    CKDXDoc& Doc() { return *doc; }
    // The stored cursor: the default edit start.
    uint32_t Cursor() const;
    // The committed edit over range: the view shows it as after the dialog's
    // OK, and the document is saved to out.
    void Finish(const EditRange& range, const std::string& out);
    // A committed edit of whole channels: the view only redraws (the cursor
    // stays), and the document is saved to out.
    void FinishRedraw(const std::string& out);

private:
    std::unique_ptr<LoadedFile> file;
    std::unique_ptr<CKDXDoc> doc;
    FrameBlock frame;
    ViewBlock view;
};

// Fills a field from an option value. A TIME becomes the field's text in the
// unit it names (nS when none); a bad unit word is a usage error naming the option.
void SetTimeField(EditForm& form, int id, const std::string& option, const std::string& time);
void SetTextField(EditForm& form, int id, const std::string& text);
// The edit start: --start when given, else left at the stored cursor.
void SetEditStart(EditForm& form, const std::optional<std::string>& start);

// The option that fills a field, and whether it is a TIME (shown with its unit).
struct FieldOption {
    int id;
    std::string option;
    bool time = false;
};

// Fails with status 2 when a field shows its marker, naming the options of
// every marked field, or when "作成" is not enabled for a check without a
// marker ("パラメータが不正です").
void RequireValid(const EditForm& form, const std::vector<FieldOption>& options);

// After an operation button: an operation that was not offered is an invalid
// parameter; one the form refused (a result that is not a number) has said
// why already. Either way nothing was written and the command fails with 2.
void RequireApplied(bool applied, const EditForm& form);

// What every kind of apply shares.
struct ApplyTarget {
    std::string file;
    std::string out;
};

// Registers `apply FILE -o OUT KIND ...`; the kinds are added to the returned command.
CLI::App* AddApplyCommand(CLI::App& app, ApplyTarget& target);
// The options every kind takes: --start TIME, and --op from the kind's operation names.
struct CommonApplyOptions {
    std::optional<std::string> start;
    std::string op;
};
void AddCommonOptions(CLI::App* kind, CommonApplyOptions& options, const std::vector<std::string>& operations);
// The analog shapes: sine, rectangle, dc, ramp, exp, noise and formula.
void AddAnalogApplyKinds(CLI::App* apply, const ApplyTarget& target, int& exitCode);

}  // namespace kdx::tool
