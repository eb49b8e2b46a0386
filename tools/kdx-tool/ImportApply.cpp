#include "ImportApply.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <tuple>

namespace kdx::tool {

namespace {

const std::vector<std::string> Operations = {"replace", "add", "subtract", "multiply"};
const std::vector<std::string> Formats = {"auto", "numbers", "table", "pwl", "wav"};

GeneratorOperation OperationOf(const std::string& name) {
    const auto it = std::find(Operations.begin(), Operations.end(), name);
    return it == Operations.end() ? GeneratorOperation::Replace
                                  : static_cast<GeneratorOperation>(it - Operations.begin());
}

// Runs a dialog's runner on the file with the steps its user would take and
// saves the result.
template <class Form, class Runner, class Steps>
int RunOnFile(const ApplyTarget& target, Runner runner, Steps steps) {
    ApplySession session(target.file);
    StderrPrompts prompts;
    const auto range =
        runner(session.Doc(), session.Cursor(), prompts, [&](Form& form) { return steps(form, prompts); });
    if (!range) throw CommandFailure(1, "");  // the memory message is out already
    session.Finish(*range, target.out);
    return 0;
}

struct ImportOptions {
    CommonApplyOptions common;
    std::string file, format = "auto";
    uint32_t channel = 1, timeColumn = 1, valueColumn = 2;
    std::optional<std::string> interval, from, fromIndex, period, amplitude, offset, interpolation;
};

int RunImport(const ApplyTarget& target, const ImportOptions& o) {
    return RunOnFile<ExternalForm>(target, RunExternalDialog, [&](ExternalForm& form, FormPrompts& prompts) {
        using F = ExternalForm;
        SetEditStart(form, o.common.start);
        // As "参照・読込": the reader's messages, and nothing loaded on failure.
        const auto format =
            static_cast<SourceFormat>(std::find(Formats.begin(), Formats.end(), o.format) - Formats.begin());
        form.SetSourceOptions({format, o.channel, o.timeColumn, o.valueColumn});
        // A number list's interval is the user's to say; the one the file
        // remembers belonged to other data.
        if (SourceReaderFor(o.file, format) == SourceReader::Numbers && !o.interval)
            throw CommandFailure(2, "import needs --interval: a text file does not give it");
        const std::string message = form.Load(o.file);
        if (!form.DataLoaded()) {
            if (message.empty())
                throw CommandFailure(1, "nothing loaded: the file name has three characters or fewer\n" + o.file);
            throw CommandFailure(1, FileFailureText(message, o.file, form.LoadReason()));
        }
        if (!message.empty()) prompts.Inform(message);  // the limit: the values read are kept
        if (!form.RateNoteText().empty()) prompts.Inform(form.RateNoteText());
        if (form.PointsLoaded() && (o.interval || o.fromIndex))
            throw CommandFailure(2, std::string(o.interval ? "--interval" : "--from-index") +
                                        " does not apply: the file gives time-value points with their own times");
        if (o.interval) SetTimeField(form, F::Interval, "--interval", *o.interval);
        // Too short an interval leaves no start at all: the interval is at fault.
        const FieldState& i = form.Field(F::Interval);
        const std::string interval = "invalid --interval (" + i.text + " " + std::string(UnitWordOrMark(i.unit));
        if (i.marker) throw CommandFailure(2, interval + ")");
        if (form.DataEndNs() < form.TimeBase().samplingNs)
            throw CommandFailure(2, form.PointsLoaded() ? "the points last less than one sampling time"
                                                        : interval + ": the data last less than one sampling time)");
        if (o.fromIndex) {
            form.SetStartMode(F::ByDataNumber);
            SetTextField(form, F::DataNumber, *o.fromIndex);
        } else if (o.from) {
            SetTimeField(form, F::Start, "--from", *o.from);
        }
        if (o.period) {
            SetTimeField(form, F::Period, "--period", *o.period);
        } else if (const FieldState& p = form.Field(F::Period); p.marker) {
            throw CommandFailure(2, "invalid --period (" + p.text + " " + std::string(UnitWordOrMark(p.unit)) +
                                        ", the rest of the data; give --period)");
        }
        SetTextField(form, F::Amplitude, o.amplitude.value_or("1"));
        SetTextField(form, F::Offset, o.offset.value_or("0"));
        // Points are joined by straight lines unless told otherwise.
        const std::string interpolation = o.interpolation.value_or(form.PointsLoaded() ? "linear" : "none");
        form.SetUnit(F::Interpolation, interpolation == "linear" ? 1 : 0);
        RequireValid(form, {{F::Interval, "--interval"}, {F::Start, "--from"}, {F::DataNumber, "--from-index"},
                            {F::Period, "--period"}, {F::Amplitude, "--amplitude"}, {F::Offset, "--offset"},
                            {F::Interpolation, "--interpolation"}});
        if (!form.Create(prompts)) throw CommandFailure(2, "");
        RequireApplied(form.Apply(OperationOf(o.common.op), prompts), form);
        return true;
    });
}

// One calculation of --calc: its choice and, but for dc, its value.
struct Calculation {
    int choice = ManualForm::NoChoice;
    int field = -1;
    std::string value;
};

Calculation ParseCalculation(const std::string& step) {
    const size_t colon = step.find(':');
    const std::string name = step.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : step.substr(colon + 1);
    struct Kind {
        const char* name;
        int choice;
        int field;
    };
    static const Kind kinds[] = {{"amplify", ManualForm::Amplify, ManualForm::Gain},
                                 {"shift", ManualForm::LevelShift, ManualForm::Shift},
                                 {"dc", ManualForm::DcRemoval, -1},
                                 {"upper", ManualForm::UpperLimit, ManualForm::Upper},
                                 {"lower", ManualForm::LowerLimit, ManualForm::Lower}};
    for (const Kind& k : kinds) {
        if (name != k.name) continue;
        if ((k.field < 0) != (colon == std::string::npos)) break;
        return {k.choice, k.field, value};
    }
    throw CommandFailure(2, "invalid --calc " + step + " (amplify:X, shift:V, dc, upper:V or lower:V)");
}

struct ModifyOptions {
    CommonApplyOptions common;
    std::string copyStart, copyPeriod;
    std::vector<std::string> calcs;
};

int RunModify(const ApplyTarget& target, const ModifyOptions& o) {
    std::vector<Calculation> calculations;
    for (const std::string& step : o.calcs) calculations.push_back(ParseCalculation(step));
    return RunOnFile<ManualForm>(target, RunManualDialog, [&](ManualForm& form, FormPrompts& prompts) {
        using F = ManualForm;
        SetEditStart(form, o.common.start);
        SetTimeField(form, F::CopyStart, "--copy-start", o.copyStart);
        SetTimeField(form, F::CopyPeriod, "--copy-period", o.copyPeriod);
        RequireValid(form, {{F::CopyStart, "--copy-start"}, {F::CopyPeriod, "--copy-period"}});
        if (!form.Copy(prompts)) throw CommandFailure(2, "");
        // A calculation not given keeps its default, never the remembered
        // value; each field takes text only while its calculation is chosen.
        const ManualParams defaults;
        for (const auto& [choice, field, value] : {std::tuple(F::Amplify, F::Gain, defaults.gain),
                                                   std::tuple(F::LevelShift, F::Shift, defaults.levelShift),
                                                   std::tuple(F::UpperLimit, F::Upper, defaults.upperLimit),
                                                   std::tuple(F::LowerLimit, F::Lower, defaults.lowerLimit)}) {
            form.SetModification(choice);
            SetTextField(form, field, FormatStoredReal(value));
        }
        form.SetModification(F::NoChoice);
        for (size_t i = 0; i < calculations.size(); ++i) {
            const Calculation& c = calculations[i];
            form.SetModification(c.choice);
            if (c.field >= 0) SetTextField(form, c.field, c.value);
            if (!form.Execute(prompts))  // refused: its message is out already
                throw CommandFailure(2, form.ExecuteEnabled() ? "" : "invalid --calc " + o.calcs[i]);
        }
        RequireApplied(form.Apply(OperationOf(o.common.op), prompts), form);
        return true;
    });
}

}  // namespace

void AddImportApplyKinds(CLI::App* apply, const ApplyTarget& target, int& exitCode) {
    auto import = std::make_shared<ImportOptions>();
    auto* i = apply->add_subcommand(
        "import", "External data: numbers from a text or CSV file, a time-value table, a PWL or WAV file, or another "
                  ".kdx file's analog samples");
    AddCommonOptions(i, import->common, Operations);
    i->add_option("--file", import->file, "Text file (TXT, CSV), table, PWL, WAV or waveform file (.kdx)")->required();
    i->add_option("--format", import->format,
                  "auto (by the file name: .kdx, .wav, .pwl, else numbers), numbers, table, pwl or wav (default auto)")
        ->check(CLI::IsMember(Formats));
    i->add_option("--wav-channel", import->channel, "WAV channel, 1 the first (default 1)")
        ->check(CLI::Range(1u, 65535u));
    i->add_option("--time-column", import->timeColumn, "Table column of the times in seconds (default 1)")
        ->check(CLI::Range(1u, 65535u));
    i->add_option("--value-column", import->valueColumn, "Table column of the values (default 2)")
        ->check(CLI::Range(1u, 65535u));
    i->add_option("--interval", import->interval,
                  "Sampling interval of a number list (a .kdx, WAV or evenly spaced table gives its own)");
    auto* from = i->add_option("--from", import->from, "Conversion start in the data (default 0)");
    i->add_option("--from-index", import->fromIndex, "Conversion start as a data number, 1 the first (instead of --from)")
        ->excludes(from);
    i->add_option("--period", import->period, "Length of the stretch (default: the rest of the data)");
    i->add_option("--amplitude", import->amplitude, "Amplitude factor (default 1)");
    i->add_option("--offset", import->offset, "Offset in volts (default 0)");
    i->add_option("--interpolation", import->interpolation, "none or linear (default none; linear for points)")
        ->check(CLI::IsMember({"none", "linear"}));
    i->callback([&exitCode, &target, import] { Guard(exitCode, [&] { return RunImport(target, *import); }); });

    auto modify = std::make_shared<ModifyOptions>();
    auto* m = apply->add_subcommand(
        "modify-analog", "Waveform modification: copy a stretch, change it with calculations, write it back");
    AddCommonOptions(m, modify->common, Operations);
    m->add_option("--copy-start", modify->copyStart, "Start of the stretch copied")->required();
    m->add_option("--copy-period", modify->copyPeriod, "Length of the stretch copied")->required();
    m->add_option("--calc", modify->calcs, "amplify:X, shift:V, dc, upper:V or lower:V; repeatable, in order");
    m->callback([&exitCode, &target, modify] { Guard(exitCode, [&] { return RunModify(target, *modify); }); });
}

}  // namespace kdx::tool
