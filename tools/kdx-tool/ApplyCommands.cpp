#include "ApplyCommands.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>

#include "TimeArgument.h"
#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "ui/ViewModel.h"

namespace kdx::tool {

void StderrPrompts::Inform(const std::string& text) {
    std::cerr << text << '\n';
}

bool StderrPrompts::Confirm(const std::string& text) {
    std::cerr << text << '\n';
    return true;
}

ApplySession::ApplySession(const std::string& path) : file(ReadOrFail(path)), doc(std::make_unique<CKDXDoc>()) {
    const bool current = file->header.formatVersion == FileFormatVersion;
    doc->LoadFromFile(file->header, ArraysOf(std::as_const(file->buffers)), file->params, current);
    frame = current ? file->header.frame : FrameBlock{};
    view = current ? file->header.view : ResetViewBlock(doc->GetSampleCount());
    // The editor offers its editing commands only while editing is allowed.
    if (!frame.editAllowed) throw CommandFailure(2, "the file is locked against editing");
}

ApplySession::~ApplySession() = default;

namespace {

// The view as the editor restores it from the file (values it would not
// accept are clamped there too).
ViewModel RestoredView(const CKDXDoc& doc, const ViewBlock& block) {
    ViewModel model;
    model.SetDocument(true, doc.GetSampleCount(), doc.GetSamplingTime());
    model.RestoreViewState(block);
    return model;
}

}  // namespace

uint32_t ApplySession::Cursor() const {
    return RestoredView(*doc, view).Cursor();
}

void ApplySession::Finish(const EditRange& range, const std::string& out) {
    ViewModel model = RestoredView(*doc, view);
    model.OnEditApplied(range.first, range.end);
    DialogMemories params;
    const WaveformHeader header = HeaderForSave(*doc, params, frame, model.CaptureViewBlock());
    WriteOrFail(out, header, doc->GetSampleArrays(), params);
}

void ApplySession::FinishRedraw(const std::string& out) {
    DialogMemories params;
    const WaveformHeader header = HeaderForSave(*doc, params, frame, RestoredView(*doc, view).CaptureViewBlock());
    WriteOrFail(out, header, doc->GetSampleArrays(), params);
}

void SetTimeField(EditForm& form, int id, const std::string& option, const std::string& time) {
    const auto argument = SplitTimeArgument(time, false);
    if (!argument) throw CommandFailure(2, "invalid " + option + ": " + time);
    form.SetUnit(id, argument->unitListIndex);
    form.SetText(id, argument->number);
}

void SetTextField(EditForm& form, int id, const std::string& text) {
    form.SetText(id, text);
}

void SetEditStart(EditForm& form, const std::optional<std::string>& start) {
    if (start) SetTimeField(form, EditForm::EditStartField, "--start", *start);
}

void RequireValid(const EditForm& form, const std::vector<FieldOption>& options) {
    std::string invalid;
    for (const FieldOption& o : options) {
        const FieldState& f = form.Field(o.id);
        if (!f.marker) continue;
        invalid += (invalid.empty() ? "" : ", ") + o.option + " (" + f.text;
        if (o.time) invalid += " " + std::string(UnitWordOrMark(f.unit));
        invalid += ")";
    }
    if (form.Field(EditForm::EditStartField).marker) {
        const FieldState& f = form.Field(EditForm::EditStartField);
        invalid += std::string(invalid.empty() ? "" : ", ") + "--start (" + f.text + " " +
                   std::string(UnitWordOrMark(f.unit)) + ", beyond the last sample)";
    }
    if (!invalid.empty()) throw CommandFailure(2, "invalid " + invalid);
    if (!form.CreateEnabled()) throw CommandFailure(2, MsgInvalidParameters);
}

void RequireApplied(bool applied, const EditForm& form) {
    if (!applied) throw CommandFailure(2, form.OperationsEnabled() ? "" : MsgInvalidParameters);
}

CLI::App* AddApplyCommand(CLI::App& app, ApplyTarget& target) {
    auto* apply = app.add_subcommand(
        "apply", "Apply an editing dialog's work to a waveform file, as the dialog does, and save it");
    apply->add_option("FILE", target.file, "Waveform file")->required();
    apply->add_option("-o", target.out, "Output file (may be FILE itself)")->required();
    apply->require_subcommand(1);
    return apply;
}

void AddCommonOptions(CLI::App* kind, CommonApplyOptions& options, const std::vector<std::string>& operations) {
    kind->add_option("--start", options.start, "Edit start (default: the stored cursor)");
    options.op = operations.front();
    kind->add_option("--op", options.op, "Operation (default " + operations.front() + ")")
        ->check(CLI::IsMember(operations));
}

namespace {

const std::vector<std::string> AnalogOperations = {"replace", "add", "subtract", "multiply"};

GeneratorOperation AnalogOperationOf(const std::string& name) {
    for (size_t i = 0; i < AnalogOperations.size(); ++i)
        if (AnalogOperations[i] == name) return static_cast<GeneratorOperation>(i);
    return GeneratorOperation::Replace;
}

// "作成", then the operation, as the dialog's buttons; the messages are
// already on the error output when either fails.
bool CreateAndApply(GeneratorForm& form, const std::string& op, FormPrompts& prompts) {
    if (!form.Create(prompts)) throw CommandFailure(2, "");
    RequireApplied(form.Apply(AnalogOperationOf(op), prompts), form);
    return true;
}

// Runs a shape's runner on the file with a form filler and saves the result.
template <class Form, class Runner, class Fill>
int ApplyShape(const ApplyTarget& target, Runner runner, Fill fill) {
    ApplySession session(target.file);
    StderrPrompts prompts;
    const auto range =
        runner(session.Doc(), session.Cursor(), prompts, [&](Form& form) { return fill(form, prompts); });
    if (!range) throw CommandFailure(1, "");  // the memory message is out already
    session.Finish(*range, target.out);
    return 0;
}

struct SineOptions {
    CommonApplyOptions common;
    std::string period, t1, amplitude, offset = "0", repeat = "1";
    std::optional<std::string> t0, phase;
};

struct RectangleOptions {
    CommonApplyOptions common;
    std::string period, t1 = "0", t2 = "0", t3 = "0", t4 = "0", v1, v2, repeat = "1";
    std::optional<std::string> t0, v0;
};

struct SimpleOptions {  // dc, ramp, exp
    CommonApplyOptions common;
    std::string period, value, initial, finalValue, tau;
};

struct NoiseOptions {
    CommonApplyOptions common;
    std::string period;
    std::optional<std::string> rms, pp, seed;
};

struct FormulaOptions {
    CommonApplyOptions common;
    std::string period, expression, range = FormulaRangeNames[0];
};

int RunFormula(const ApplyTarget& target, const FormulaOptions& o) {
    // The tool keeps no history: the memory is this run's alone.
    FormulaMemory memory;
    return ApplyShape<FormulaForm>(
        target,
        [&memory](CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts, const FormDialog<FormulaForm>& dialog) {
            return RunFormulaDialog(doc, cursor, prompts, memory, dialog);
        },
        [&](FormulaForm& form, FormPrompts& prompts) {
            using F = FormulaForm;
            SetEditStart(form, o.common.start);
            SetTimeField(form, F::Period, "--period", o.period);
            SetTextField(form, F::Expression, o.expression);
            for (int k = 0; k < 3; ++k)
                if (o.range == FormulaRangeNames[k]) form.SetRange(static_cast<FormulaRange>(k));
            RequireValid(form, {{F::Period, "--period", true}, {F::Expression, "--expr"}});
            if (!form.Create(prompts)) {
                if (const auto& e = form.SyntaxError())
                    throw CommandFailure(2, "invalid --expr: error at character " + std::to_string(e->position) +
                                                (e->token.empty() ? " (end of expression)" : " (" + e->token + ")"));
                throw CommandFailure(2, "");
            }
            if (!form.Apply(AnalogOperationOf(o.common.op), prompts)) throw CommandFailure(2, MsgInvalidParameters);
            return true;
        });
}

int RunSine(const ApplyTarget& target, const SineOptions& o) {
    return ApplyShape<SineForm>(target, RunSineDialog, [&](SineForm& form, FormPrompts& prompts) {
        using F = SineForm;
        form.SetMode(o.phase ? F::PhaseMode : F::DelayMode);
        SetEditStart(form, o.common.start);
        SetTimeField(form, F::Period, "--period", o.period);
        SetTimeField(form, F::T1, "--t1", o.t1);
        if (o.phase) {
            SetTextField(form, F::Phase, *o.phase);
        } else {
            SetTimeField(form, F::Delay, "--t0", o.t0.value_or("0"));
        }
        SetTextField(form, F::Amplitude, o.amplitude);
        SetTextField(form, F::Offset, o.offset);
        SetTextField(form, F::Repeat, o.repeat);
        RequireValid(form, {{F::Period, "--period", true},
                            {F::T1, "--t1", true},
                            {F::Delay, "--t0", true},
                            {F::Phase, "--phase"},
                            {F::Amplitude, "--amplitude"},
                            {F::Offset, "--offset"},
                            {F::Repeat, "--repeat"}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

int RunRectangle(const ApplyTarget& target, const RectangleOptions& o) {
    return ApplyShape<RectangleForm>(target, RunRectangleDialog, [&](RectangleForm& form, FormPrompts& prompts) {
        using F = RectangleForm;
        form.SetMode(o.v0 ? F::VoltageMode : F::TimeMode);
        SetEditStart(form, o.common.start);
        SetTimeField(form, F::Period, "--period", o.period);
        SetTimeField(form, F::T1, "--t1", o.t1);
        SetTimeField(form, F::T2, "--t2", o.t2);
        SetTimeField(form, F::T3, "--t3", o.t3);
        SetTimeField(form, F::T4, "--t4", o.t4);
        SetTextField(form, F::V1, o.v1);
        SetTextField(form, F::V2, o.v2);
        if (o.v0) {
            SetTextField(form, F::V0, *o.v0);
        } else {
            SetTimeField(form, F::T0, "--t0", o.t0.value_or("0"));
        }
        SetTextField(form, F::Repeat, o.repeat);
        // The dialog marks the start point when there is no cycle to start
        // in; a script is told what is really missing.
        if (form.Cycle() < form.TimeBase().samplingNs)
            throw CommandFailure(2, "invalid --t1 + --t2 + --t3 + --t4: no cycle of a sampling time or more");
        RequireValid(form, {{F::Period, "--period", true},
                            {F::T1, "--t1", true},
                            {F::T2, "--t2", true},
                            {F::T3, "--t3", true},
                            {F::T4, "--t4", true},
                            {F::V1, "--v1"},
                            {F::V2, "--v2"},
                            {F::T0, "--t0", true},
                            {F::V0, "--v0"},
                            {F::Repeat, "--repeat"}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

int RunDc(const ApplyTarget& target, const SimpleOptions& o) {
    return ApplyShape<DcForm>(target, RunDcDialog, [&](DcForm& form, FormPrompts& prompts) {
        SetEditStart(form, o.common.start);
        SetTimeField(form, DcForm::Period, "--period", o.period);
        SetTextField(form, DcForm::Value, o.value);
        RequireValid(form, {{DcForm::Period, "--period", true}, {DcForm::Value, "--value"}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

int RunRamp(const ApplyTarget& target, const SimpleOptions& o) {
    return ApplyShape<RampForm>(target, RunRampDialog, [&](RampForm& form, FormPrompts& prompts) {
        SetEditStart(form, o.common.start);
        SetTimeField(form, RampForm::Period, "--period", o.period);
        SetTextField(form, RampForm::Initial, o.initial);
        SetTextField(form, RampForm::Final, o.finalValue);
        RequireValid(
            form,
            {{RampForm::Period, "--period", true}, {RampForm::Initial, "--initial"}, {RampForm::Final, "--final"}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

int RunExp(const ApplyTarget& target, const SimpleOptions& o) {
    return ApplyShape<ExpForm>(target, RunExpDialog, [&](ExpForm& form, FormPrompts& prompts) {
        SetEditStart(form, o.common.start);
        SetTimeField(form, ExpForm::Period, "--period", o.period);
        SetTextField(form, ExpForm::Initial, o.initial);
        SetTextField(form, ExpForm::Final, o.finalValue);
        SetTimeField(form, ExpForm::Tau, "--tau", o.tau);
        RequireValid(form, {{ExpForm::Period, "--period", true},
                            {ExpForm::Initial, "--initial"},
                            {ExpForm::Final, "--final"},
                            {ExpForm::Tau, "--tau", true}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

// A seed as typed: a decimal number of 32 bits. Anything else, an empty value
// included, is refused rather than left to the time.
uint32_t SeedOf(const std::string& text) {
    uint32_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw CommandFailure(2, "invalid --seed: " + text + " (0 to 4294967295)");
    return seed;
}

int RunNoise(const ApplyTarget& target, const NoiseOptions& o) {
    if (!o.rms && !o.pp) throw CommandFailure(2, "noise needs --rms or --pp");
    return ApplyShape<NoiseForm>(target, RunNoiseDialog, [&](NoiseForm& form, FormPrompts& prompts) {
        SetEditStart(form, o.common.start);
        SetTimeField(form, NoiseForm::Period, "--period", o.period);
        form.SetUnit(NoiseForm::Amplitude, o.pp ? NoiseForm::PeakToPeak : NoiseForm::Rms);
        SetTextField(form, NoiseForm::Amplitude, o.pp ? *o.pp : o.rms.value_or(""));
        form.SetSeed(o.seed ? SeedOf(*o.seed) : NoiseSeedNow());
        RequireValid(form, {{NoiseForm::Period, "--period", true}, {NoiseForm::Amplitude, o.pp ? "--pp" : "--rms"}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

}  // namespace

void AddAnalogApplyKinds(CLI::App* apply, const ApplyTarget& target, int& exitCode) {
    // Options outlive parsing: the callbacks run inside app.parse.
    auto sine = std::make_shared<SineOptions>();
    auto* s = apply->add_subcommand("sine", "Sine: --t1, --amplitude, [--offset] [--repeat], --t0 or --phase");
    AddCommonOptions(s, sine->common, AnalogOperations);
    s->add_option("--period", sine->period, "Length of the stretch")->required();
    s->add_option("--t1", sine->t1, "Sine period")->required();
    auto* t0 = s->add_option("--t0", sine->t0, "Delay (default 0)");
    s->add_option("--phase", sine->phase, "Start phase in degrees (instead of --t0)")->excludes(t0);
    s->add_option("--amplitude", sine->amplitude, "Amplitude in volts")->required();
    s->add_option("--offset", sine->offset, "Offset in volts (default 0)");
    s->add_option("--repeat", sine->repeat, "Number of cycles (default 1)");
    s->callback([&exitCode, &target, sine] { Guard(exitCode, [&] { return RunSine(target, *sine); }); });

    auto rect = std::make_shared<RectangleOptions>();
    auto* r = apply->add_subcommand("rectangle", "Rectangle: --t1..--t4, --v1, --v2, [--repeat], --t0 or --v0");
    AddCommonOptions(r, rect->common, AnalogOperations);
    r->add_option("--period", rect->period, "Length of the stretch")->required();
    r->add_option("--t1", rect->t1, "Rise time (default 0)");
    r->add_option("--t2", rect->t2, "Time at v1 (default 0)");
    r->add_option("--t3", rect->t3, "Fall time (default 0)");
    r->add_option("--t4", rect->t4, "Time at v2 (default 0)");
    r->add_option("--v1", rect->v1, "High level in volts")->required();
    r->add_option("--v2", rect->v2, "Low level in volts")->required();
    auto* rt0 = r->add_option("--t0", rect->t0, "Start point in the cycle (default 0)");
    r->add_option("--v0", rect->v0, "Start point as the level on the rise (instead of --t0)")->excludes(rt0);
    r->add_option("--repeat", rect->repeat, "Number of cycles (default 1)");
    r->callback([&exitCode, &target, rect] { Guard(exitCode, [&] { return RunRectangle(target, *rect); }); });

    auto dc = std::make_shared<SimpleOptions>();
    auto* d = apply->add_subcommand("dc", "DC: --value");
    AddCommonOptions(d, dc->common, AnalogOperations);
    d->add_option("--period", dc->period, "Length of the stretch")->required();
    d->add_option("--value", dc->value, "Value in volts")->required();
    d->callback([&exitCode, &target, dc] { Guard(exitCode, [&] { return RunDc(target, *dc); }); });

    auto ramp = std::make_shared<SimpleOptions>();
    auto* rp = apply->add_subcommand("ramp", "Ramp: --initial, --final");
    AddCommonOptions(rp, ramp->common, AnalogOperations);
    rp->add_option("--period", ramp->period, "Length of the stretch")->required();
    rp->add_option("--initial", ramp->initial, "Initial value in volts")->required();
    rp->add_option("--final", ramp->finalValue, "Final value in volts")->required();
    rp->callback([&exitCode, &target, ramp] { Guard(exitCode, [&] { return RunRamp(target, *ramp); }); });

    auto exp = std::make_shared<SimpleOptions>();
    auto* e = apply->add_subcommand("exp", "Exponential: --initial, --final, --tau");
    AddCommonOptions(e, exp->common, AnalogOperations);
    e->add_option("--period", exp->period, "Length of the stretch")->required();
    e->add_option("--initial", exp->initial, "Initial value in volts")->required();
    e->add_option("--final", exp->finalValue, "Final value in volts")->required();
    e->add_option("--tau", exp->tau, "Time constant")->required();
    e->callback([&exitCode, &target, exp] { Guard(exitCode, [&] { return RunExp(target, *exp); }); });

    auto noise = std::make_shared<NoiseOptions>();
    auto* n = apply->add_subcommand("noise", "Random noise: --rms or --pp in mV, [--seed]");
    AddCommonOptions(n, noise->common, AnalogOperations);
    n->add_option("--period", noise->period, "Length of the stretch")->required();
    auto* rms = n->add_option("--rms", noise->rms, "Amplitude in mV rms");
    auto* pp = n->add_option("--pp", noise->pp, "Amplitude in mV p-p (6.6 x rms)")->excludes(rms);
    rms->excludes(pp);
    n->add_option("--seed", noise->seed, "Seed of the generator (default: the time in seconds)");
    n->callback([&exitCode, &target, noise] { Guard(exitCode, [&] { return RunNoise(target, *noise); }); });

    auto formula = std::make_shared<FormulaOptions>();
    auto* f = apply->add_subcommand("formula", "Formula: --expr, an expression of t, n, T, dt, fs and x, [--range]");
    AddCommonOptions(f, formula->common, AnalogOperations);
    f->add_option("--period", formula->period, "Length of the stretch")->required();
    f->add_option("--expr", formula->expression, "The value in volts as an expression of time")->required();
    f->add_option("--range", formula->range, "Values beyond -1 V .. +1 V: keep (default), clip or scale")
        ->check(CLI::IsMember({FormulaRangeNames[0], FormulaRangeNames[1], FormulaRangeNames[2]}));
    f->callback([&exitCode, &target, formula] { Guard(exitCode, [&] { return RunFormula(target, *formula); }); });
}

}  // namespace kdx::tool
