#include "DigitalApply.h"

#include "document/WaveformFile.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <memory>

#include "digital/DigitalRunners.h"
#include "document/KDXDoc.h"

namespace kdx::tool {

namespace {

const std::vector<std::string> DigitalOperations = {"replace", "or", "and", "xor"};
const std::vector<std::string> ShiftMethods = {"fill0", "fill1", "rotate"};

DigitalOperation OperationOf(const std::string& name) {
    for (size_t i = 0; i < DigitalOperations.size(); ++i)
        if (DigitalOperations[i] == name) return static_cast<DigitalOperation>(i);
    return DigitalOperation::Replace;
}

ShiftMethod MethodOf(const std::string& name) {
    for (size_t i = 0; i < ShiftMethods.size(); ++i)
        if (ShiftMethods[i] == name) return static_cast<ShiftMethod>(i);
    return ShiftMethod::FillZero;
}

// The operation, as the dialog's button; the messages are out already when it fails.
bool ApplyOperation(DigitalForm& form, const std::string& op, FormPrompts& prompts) {
    if (!form.Apply(OperationOf(op), prompts)) throw CommandFailure(2, MsgInvalidParameters);
    return true;
}

template <class Form>
bool CreateAndApply(Form& form, const std::string& op, FormPrompts& prompts) {
    if (!form.Create(prompts)) throw CommandFailure(2, "");
    return ApplyOperation(form, op, prompts);
}

// Runs a pattern dialog's runner on the file (the runner bound to its
// channel) with a form filler, and saves the result as after its OK.
template <class Form, class Runner, class Fill>
int ApplyPattern(const ApplyTarget& target, Runner runner, Fill fill) {
    ApplySession session(target.file);
    StderrPrompts prompts;
    const FormDialog<Form> dialog = [&](Form& form) { return fill(form, prompts); };
    const auto range = runner(session.Doc(), session.Cursor(), prompts, dialog);
    if (!range) throw CommandFailure(1, "");  // the memory message is out already
    session.Finish(*range, target.out);
    return 0;
}

// A text file of values for the serial or parallel form; a file the dialog
// would reject ends the command with its message, then the file and why.
void LoadValues(DigitalTextForm& form, const std::string& path, FormPrompts& prompts) {
    form.SetSource(DigitalSource::File);
    if (!form.LoadFile(path, prompts)) throw CommandFailure(1, FileFailureText("", path, form.LoadReason()));
}

struct ClockOptions {
    CommonApplyOptions common;
    int channel = 0, level1 = 1;
    std::string time1, time2, repeat = "1";
};

struct SerialOptions {
    CommonApplyOptions common;
    int channel = 0;
    std::string bitTime;
    std::optional<std::string> bits, bitsFile;
};

struct ParallelOptions {
    CommonApplyOptions common;
    std::optional<std::string> wordTime, hex, hexFile, kdx;
    std::optional<int> order;
    std::string channels = "0123";
};

struct VcdOptions {
    CommonApplyOptions common;
    std::string file, channels = "0123";
    std::optional<std::string> signals, from, period;
};

struct ModifyOptions {
    CommonApplyOptions common;
    int channel = 0;
    std::optional<int> copyChannel;
    std::optional<std::string> copyStart;
    std::string copyPeriod;
    std::vector<std::string> edits;
};

struct ShiftOptions {
    int channel = 0;
    std::string shift, method = "fill0";
};

struct ChannelOptions {
    int channel = 0, first = 0, second = 1;
};

int RunClock(const ApplyTarget& target, const ClockOptions& o) {
    const auto runner = [&o](CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts, const auto& dialog) {
        return RunDigitalClockDialog(doc, cursor, o.channel, prompts, dialog);
    };
    return ApplyPattern<DigitalClockForm>(target, runner, [&](DigitalClockForm& form, FormPrompts& prompts) {
        using F = DigitalClockForm;
        SetEditStart(form, o.common.start);
        form.SetLevel(0, o.level1);
        SetTimeField(form, F::Time1, "--time1", o.time1);
        SetTimeField(form, F::Time2, "--time2", o.time2);
        SetTextField(form, F::Repeat, o.repeat);
        RequireValid(form, {{F::Time1, "--time1", true}, {F::Time2, "--time2", true}, {F::Repeat, "--repeat"}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

int RunSerial(const ApplyTarget& target, const SerialOptions& o) {
    if (!o.bits && !o.bitsFile) throw CommandFailure(2, "serial needs --bits or --bits-file");
    const auto runner = [&o](CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts, const auto& dialog) {
        return RunDigitalSerialDialog(doc, cursor, o.channel, prompts, dialog);
    };
    return ApplyPattern<DigitalSerialForm>(target, runner, [&](DigitalSerialForm& form, FormPrompts& prompts) {
        using F = DigitalSerialForm;
        SetEditStart(form, o.common.start);
        SetTimeField(form, F::Interval, "--bit-time", o.bitTime);
        if (o.bits) {
            form.SetSource(DigitalSource::Direct);
            SetTextField(form, F::Text, *o.bits);
        } else {
            LoadValues(form, *o.bitsFile, prompts);
        }
        RequireValid(form, {{F::Interval, "--bit-time", true}, {F::Text, "--bits"}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

void CheckChannels(const std::string& channels) {
    if (channels.empty() || channels.find_first_not_of("0123") != std::string::npos)
        throw CommandFailure(2, "invalid --channels: " + channels + " (digits 0 to 3)");
}

void TickChannels(DigitalParallelForm& form, const std::string& channels) {
    for (int ch = 0; ch < DigitalChannels; ++ch) form.SetTicked(ch, channels.find(char('0' + ch)) != std::string::npos);
}

int RunParallel(const ApplyTarget& target, const ParallelOptions& o) {
    if (int(o.hex.has_value()) + int(o.hexFile.has_value()) + int(o.kdx.has_value()) != 1)
        throw CommandFailure(2, "parallel needs one of --hex, --hex-file and --kdx");
    if (!o.wordTime && !o.kdx) throw CommandFailure(2, "parallel needs --word-time (or a --kdx file, which gives it)");
    CheckChannels(o.channels);
    // The dialog reads only names longer than four characters, and takes a
    // waveform file by its extension.
    if (o.hexFile && o.hexFile->size() <= 4) throw CommandFailure(2, "invalid --hex-file: " + *o.hexFile);
    if (o.kdx && (o.kdx->size() <= 4 || !HasKdxExtension(*o.kdx)))
        throw CommandFailure(2, "invalid --kdx: " + *o.kdx + " (a .kdx file)");
    const auto runner = [](CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts, const auto& dialog) {
        return RunDigitalParallelDialog(doc, cursor, prompts, dialog);
    };
    return ApplyPattern<DigitalParallelForm>(target, runner, [&](DigitalParallelForm& form, FormPrompts& prompts) {
        using F = DigitalParallelForm;
        SetEditStart(form, o.common.start);
        form.SetOrder(0);
        if (o.hex) {
            form.SetSource(DigitalSource::Direct);
            SetTextField(form, F::Text, *o.hex);
        } else {
            LoadValues(form, o.kdx ? *o.kdx : *o.hexFile, prompts);
        }
        if (o.wordTime) SetTimeField(form, F::Interval, "--word-time", *o.wordTime);
        if (o.order) form.SetOrder(*o.order);
        TickChannels(form, o.channels);
        RequireValid(form,
                     {{F::Interval, o.kdx ? "--kdx (its sampling time)" : "--word-time", true}, {F::Text, "--hex"}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

// The dump's signals for the channels in the order --channels names them.
void ChooseSignals(DigitalParallelForm& form, const VcdOptions& o) {
    const VcdData& vcd = *form.Vcd();
    std::vector<int> chosen;
    if (o.signals) {
        std::string rest = *o.signals;
        for (size_t comma = 0; comma != std::string::npos;) {
            comma = rest.find(',');
            const std::string name = rest.substr(0, comma);
            const int signal = vcd.Find(name);
            if (signal < 0)
                throw CommandFailure(2, "invalid --signals: " + name +
                                            " is not a 1-bit signal of the file (nor one "
                                            "bit of a vector, name[k]) or names several");
            chosen.push_back(signal);
            if (comma != std::string::npos) rest.erase(0, comma + 1);
        }
    } else {
        for (int signal : vcd.DefaultSignals())
            if (signal >= 0) chosen.push_back(signal);
    }
    if (chosen.size() < o.channels.size() || (o.signals && chosen.size() != o.channels.size()))
        throw CommandFailure(2, "--channels " + o.channels + " needs " + std::to_string(o.channels.size()) +
                                    " signals; " + (o.signals ? "--signals names " : "the file has 1-bit signals: ") +
                                    std::to_string(chosen.size()));
    for (size_t k = 0; k < o.channels.size(); ++k) form.SetVcdSignal(o.channels[k] - '0', chosen[k]);
}

int RunVcd(const ApplyTarget& target, const VcdOptions& o) {
    CheckChannels(o.channels);
    for (size_t k = 0; k < o.channels.size(); ++k)
        if (o.channels.find(o.channels[k], k + 1) != std::string::npos)
            throw CommandFailure(2, "invalid --channels: " + o.channels + " (each channel once)");
    if (!HasVcdExtension(o.file)) throw CommandFailure(2, "invalid --file: " + o.file + " (a .vcd file)");
    const auto runner = [](CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts, const auto& dialog) {
        return RunDigitalParallelDialog(doc, cursor, prompts, dialog);
    };
    return ApplyPattern<DigitalParallelForm>(target, runner, [&](DigitalParallelForm& form, FormPrompts& prompts) {
        using F = DigitalParallelForm;
        SetEditStart(form, o.common.start);
        LoadValues(form, o.file, prompts);
        ChooseSignals(form, o);
        TickChannels(form, o.channels);
        if (o.from) SetTimeField(form, F::From, "--from", *o.from);
        if (o.period) SetTimeField(form, F::Period, "--period", *o.period);
        RequireValid(form, {{F::Interval, "--file (the sampling time)", true},
                            {F::From, "--from", true},
                            {F::Period, "--period (default: the last time of the file less --from)", true}});
        return CreateAndApply(form, o.common.op, prompts);
    });
}

// One --edit step: invert, or shift:TIME:METHOD.
struct EditStep {
    bool invert = true;
    std::string time;
    ShiftMethod method = ShiftMethod::FillZero;
};

EditStep ParseStep(const std::string& text) {
    if (text == "invert") return {};
    const size_t first = text.find(':'), second = text.rfind(':');
    if (text.rfind("shift:", 0) == 0 && second != first) {
        const std::string method = text.substr(second + 1);
        for (const std::string& m : ShiftMethods)
            if (m == method) return {false, text.substr(first + 1, second - first - 1), MethodOf(method)};
    }
    throw CommandFailure(2, "invalid --edit: " + text + " (invert or shift:TIME:fill0|fill1|rotate)");
}

int RunModify(const ApplyTarget& target, const ModifyOptions& o) {
    std::vector<EditStep> steps;
    for (const std::string& e : o.edits) steps.push_back(ParseStep(e));
    const auto runner = [&o](CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts, const auto& dialog) {
        return RunDigitalModifyDialog(doc, cursor, o.channel, prompts, dialog);
    };
    return ApplyPattern<DigitalModifyForm>(target, runner, [&](DigitalModifyForm& form, FormPrompts& prompts) {
        using F = DigitalModifyForm;
        SetEditStart(form, o.common.start);
        form.SetCopyChannel(o.copyChannel.value_or(o.channel));
        // The copy starts where the edit does unless told otherwise.
        if (o.copyStart) {
            SetTimeField(form, F::CopyStart, "--copy-start", *o.copyStart);
        } else if (o.common.start) {
            SetTimeField(form, F::CopyStart, "--start", *o.common.start);
        }
        SetTimeField(form, F::CopyPeriod, "--copy-period", o.copyPeriod);
        RequireValid(form, {{F::CopyStart, o.copyStart ? "--copy-start" : "--start", true},
                            {F::CopyPeriod, "--copy-period", true}});
        if (!form.CopyButton(prompts)) throw CommandFailure(2, "");
        for (size_t i = 0; i < steps.size(); ++i) {
            if (steps[i].invert) {
                form.Invert();
                continue;
            }
            std::unique_ptr<DigitalShiftForm> shift;
            try {
                shift = form.BeginShift();
            } catch (const std::bad_alloc&) {
                prompts.Inform(MsgDigitalShiftMemory);
                throw CommandFailure(1, "");
            }
            SetTimeField(*shift, DigitalShiftForm::ShiftTime, "--edit", steps[i].time);
            shift->SetMethod(steps[i].method);
            if (!shift->ExecuteEnabled())
                throw CommandFailure(2, "invalid --edit: " + o.edits[i] + " (a shift within the copied stretch)");
            shift->Execute(prompts);
            form.EndShift(*shift, true);
        }
        return ApplyOperation(form, o.common.op, prompts);
    });
}

int RunShift(const ApplyTarget& target, const ShiftOptions& o) {
    ApplySession session(target.file);
    StderrPrompts prompts;
    const bool done = RunDigitalShiftDialog(session.Doc(), o.channel, prompts, [&](DigitalShiftForm& form) {
        SetTimeField(form, DigitalShiftForm::ShiftTime, "--shift", o.shift);
        form.SetMethod(MethodOf(o.method));
        RequireValid(form, {{DigitalShiftForm::ShiftTime, "--shift", true}});
        return form.Execute(prompts);
    });
    if (!done) throw CommandFailure(1, "");
    session.FinishRedraw(target.out);
    return 0;
}

int RunSwap(const ApplyTarget& target, const ChannelOptions& o) {
    if (o.first == o.second) throw CommandFailure(2, "invalid --second: the same channel as --first");
    ApplySession session(target.file);
    StderrPrompts prompts;
    const bool done = RunDigitalSwapDialog(session.Doc(), prompts, [&](DigitalSwapForm& form) {
        form.SetFirst(o.first);
        form.SetSecond(o.second);
        return true;
    });
    if (!done) throw CommandFailure(1, "");
    session.FinishRedraw(target.out);
    return 0;
}

// ---- Protocols ----

// Every protocol's data and rate options.
struct BusOptions {
    CommonApplyOptions common;
    std::string rate;
    std::optional<std::string> hex, text, gap;
};

struct UartOptions : BusOptions {
    int channel = 0, dataBits = 8;
    std::string parity = "none", stop = "1";
    bool msbFirst = false, invert = false;
};

struct SpiOptions : BusOptions {
    int sclk = 0, mosi = 1, cs = 2, mode = 0;
    bool lsbFirst = false, csHigh = false;
    std::string frameBytes = "0";
    std::optional<std::string> lead, lag;
};

struct I2cOptions : BusOptions {
    int scl = 0, sda = 1;
    std::vector<std::string> tx;
    bool tenBit = false, nack = false, repeatedStart = false;
};

const std::vector<std::string> ParityNames = {"none", "odd", "even", "mark", "space"};
const std::vector<std::string> StopNames = {"1", "1.5", "2"};

void RequireDistinct(const std::vector<std::pair<int, const char*>>& channels) {
    for (size_t i = 0; i < channels.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (channels[i].first == channels[j].first)
                throw CommandFailure(2, std::string("invalid ") + channels[i].second + ": the same channel as " +
                                            channels[j].second);
}

// The protocol's memory as the options give it: the defaults with the choices made.
template <class Options, class Choose>
int RunBus(const ApplyTarget& target, const Options& o, BusProtocol protocol, Choose choose,
           std::vector<FieldOption> fields) {
    using F = DigitalProtocolForm;
    ProtocolMemory memory;  // fixed defaults: the editor session's values do not reach a script
    memory.protocol = protocol;
    const auto runner = [&memory](CKDXDoc& doc, uint32_t cursor, FormPrompts& prompts, const auto& dialog) {
        return RunDigitalProtocolDialog(doc, cursor, memory, prompts, dialog);
    };
    return ApplyPattern<F>(target, runner, [&](F& form, FormPrompts& prompts) {
        SetEditStart(form, o.common.start);
        choose(form);
        if (protocol != BusProtocol::I2c) {
            if (int(o.hex.has_value()) + int(o.text.has_value()) != 1)
                throw CommandFailure(2, "give one of --hex and --text");
            form.SetTextData(o.text.has_value());
            SetTextField(form, F::Data, o.text ? *o.text : *o.hex);
            fields.push_back({F::Data, o.text ? "--text" : "--hex"});
        }
        if (!form.Problem().empty()) prompts.Inform(form.Problem());
        RequireValid(form, fields);
        return CreateAndApply(form, o.common.op, prompts);
    });
}

int RunUart(const ApplyTarget& target, const UartOptions& o) {
    using F = DigitalProtocolForm;
    return RunBus(
        target, o, BusProtocol::Uart,
        [&](F& form) {
            UartSettings s;
            s.channel = o.channel;
            s.dataBits = o.dataBits;
            s.parity = static_cast<UartParity>(
                std::find(ParityNames.begin(), ParityNames.end(), o.parity) - ParityNames.begin());
            s.stopHalves = 2 + int(std::find(StopNames.begin(), StopNames.end(), o.stop) - StopNames.begin());
            s.msbFirst = o.msbFirst;
            s.invert = o.invert;
            form.SetUart(s);
            SetTextField(form, F::Baud, o.rate);
            SetTextField(form, F::UartGap, o.gap.value_or("0"));
        },
        {{F::Baud, "--baud"}, {F::UartGap, "--gap"}});
}

int RunSpi(const ApplyTarget& target, const SpiOptions& o) {
    RequireDistinct({{o.sclk, "--sclk"}, {o.mosi, "--mosi"}, {o.cs, "--cs"}});
    using F = DigitalProtocolForm;
    return RunBus(
        target, o, BusProtocol::Spi,
        [&](F& form) {
            SpiSettings s;
            s.sclk = o.sclk;
            s.mosi = o.mosi;
            s.cs = o.cs;
            s.mode = o.mode;
            s.lsbFirst = o.lsbFirst;
            s.csActiveHigh = o.csHigh;
            form.SetSpi(s);
            SetTextField(form, F::SpiClock, o.rate);
            SetTextField(form, F::FrameBytes, o.frameBytes);
            // No time: half a clock period.
            if (o.lead) SetTimeField(form, F::Lead, "--lead", *o.lead);
            if (o.lag) SetTimeField(form, F::Lag, "--lag", *o.lag);
            if (o.gap) SetTimeField(form, F::SpiGap, "--gap", *o.gap);
        },
        {{F::SpiClock, "--clock"},
         {F::FrameBytes, "--frame-bytes"},
         {F::Lead, "--lead", true},
         {F::Lag, "--lag", true},
         {F::SpiGap, "--gap", true}});
}

int RunI2c(const ApplyTarget& target, const I2cOptions& o) {
    RequireDistinct({{o.scl, "--scl"}, {o.sda, "--sda"}});
    if (o.hex || o.text) throw CommandFailure(2, "i2c takes its bytes from --tx, not --hex or --text");
    std::string transactions;
    for (const std::string& tx : o.tx) {
        if (tx.find(';') != std::string::npos || !ParseI2cTransaction(tx))
            throw CommandFailure(2, "invalid --tx: " + tx + " (w|r:ADDRESS:HEX BYTES, hexadecimal)");
        transactions += (transactions.empty() ? "" : "; ") + tx;
    }
    using F = DigitalProtocolForm;
    return RunBus(
        target, o, BusProtocol::I2c,
        [&](F& form) {
            I2cSettings s;
            s.scl = o.scl;
            s.sda = o.sda;
            s.tenBit = o.tenBit;
            s.nack = o.nack;
            s.repeatedStart = o.repeatedStart;
            form.SetI2c(s);
            SetTextField(form, F::I2cClock, o.rate);
            if (o.gap) SetTimeField(form, F::BusGap, "--gap", *o.gap);
            SetTextField(form, F::Transactions, transactions);
        },
        {{F::I2cClock, "--clock"}, {F::BusGap, "--gap", true}, {F::Transactions, "--tx"}});
}

void AddBusData(CLI::App* kind, BusOptions& o) {
    AddCommonOptions(kind, o.common, DigitalOperations);
    auto* hex = kind->add_option("--hex", o.hex, "The bytes, hexadecimal, separated by blanks (\"48 65 6C\")");
    kind->add_option("--text", o.text, "The bytes as UTF-8 text with \\r \\n \\t \\\\ \\xHH escapes")->excludes(hex);
}

// invert, clear and copy: the document's channel commands, as the menus run them.
template <class Command>
int RunChannelCommand(const ApplyTarget& target, Command command) {
    ApplySession session(target.file);
    command(session.Doc());
    session.FinishRedraw(target.out);
    return 0;
}

CLI::Option* AddChannel(CLI::App* kind, const std::string& name, int& value, const std::string& what) {
    return kind->add_option(name, value, what + " (0 to 3)")->check(CLI::Range(0, 3));
}

}  // namespace

void AddDigitalApplyKinds(CLI::App* apply, const ApplyTarget& target, int& exitCode) {
    // Options outlive parsing: the callbacks run inside app.parse.
    auto clock = std::make_shared<ClockOptions>();
    auto* c = apply->add_subcommand("clock", "Clock: --channel, --time1, --time2, [--level1] [--repeat]");
    AddCommonOptions(c, clock->common, DigitalOperations);
    AddChannel(c, "--channel", clock->channel, "Channel")->required();
    c->add_option("--level1", clock->level1, "Level of the first phase, 0 or 1 (default 1; the second is the other)")
        ->check(CLI::Range(0, 1));
    c->add_option("--time1", clock->time1, "Time of the first phase")->required();
    c->add_option("--time2", clock->time2, "Time of the second phase")->required();
    c->add_option("--repeat", clock->repeat, "Number of pairs (default 1)");
    c->callback([&exitCode, &target, clock] { Guard(exitCode, [&] { return RunClock(target, *clock); }); });

    auto serial = std::make_shared<SerialOptions>();
    auto* s = apply->add_subcommand("serial", "Serial bits: --channel, --bit-time, --bits or --bits-file");
    AddCommonOptions(s, serial->common, DigitalOperations);
    AddChannel(s, "--channel", serial->channel, "Channel")->required();
    s->add_option("--bit-time", serial->bitTime, "Time of one bit")->required();
    auto* bits = s->add_option("--bits", serial->bits, "The bits, 0 and 1 (blanks ignored)");
    s->add_option("--bits-file", serial->bitsFile, "A text file of bits")->excludes(bits);
    s->callback([&exitCode, &target, serial] { Guard(exitCode, [&] { return RunSerial(target, *serial); }); });

    auto parallel = std::make_shared<ParallelOptions>();
    auto* p = apply->add_subcommand("parallel",
                                    "Parallel words: --word-time, [--order] [--channels], --hex, --hex-file or --kdx");
    AddCommonOptions(p, parallel->common, DigitalOperations);
    p->add_option("--word-time", parallel->wordTime, "Time of one word (a --kdx file gives its sampling time)");
    p->add_option("--order", parallel->order, "0: BIT3 to CH3 (default), 1: BIT3 to CH0")->check(CLI::Range(0, 1));
    p->add_option("--channels", parallel->channels, "The channels written, as digits (default 0123)");
    p->add_option("--hex", parallel->hex, "The words, hexadecimal digits");
    p->add_option("--hex-file", parallel->hexFile, "A text file of hexadecimal digits");
    p->add_option("--kdx", parallel->kdx, "A waveform file whose channels give the words");
    p->callback([&exitCode, &target, parallel] { Guard(exitCode, [&] { return RunParallel(target, *parallel); }); });

    auto vcd = std::make_shared<VcdOptions>();
    auto* v = apply->add_subcommand(
        "vcd", "Value change dump sampled at the sampling time: --file, [--signals] [--from] [--period] [--channels]");
    AddCommonOptions(v, vcd->common, DigitalOperations);
    v->add_option("--file", vcd->file, "A value change dump (.vcd)")->required();
    v->add_option("--signals", vcd->signals,
                  "The 1-bit signals (or vector bits, name[k]) for the channels in order, comma-separated, by full or "
                  "unique name (default: the file's first 1-bit signals)");
    v->add_option("--from", vcd->from, "Time in the file the sampling starts from (default 0)");
    v->add_option("--period", vcd->period, "Length sampled (default: the file's last time less --from)");
    v->add_option("--channels", vcd->channels, "The channels written, as digits (default 0123)");
    v->callback([&exitCode, &target, vcd] { Guard(exitCode, [&] { return RunVcd(target, *vcd); }); });

    auto modify = std::make_shared<ModifyOptions>();
    auto* m = apply->add_subcommand(
        "modify", "Modification: --channel, --copy-period, [--copy-channel] [--copy-start] [--edit]...");
    AddCommonOptions(m, modify->common, DigitalOperations);
    AddChannel(m, "--channel", modify->channel, "Channel written")->required();
    m->add_option("--copy-channel", modify->copyChannel, "Channel copied (default: --channel)")
        ->check(CLI::Range(0, 3));
    m->add_option("--copy-start", modify->copyStart, "Start of the copy (default: the edit start)");
    m->add_option("--copy-period", modify->copyPeriod, "Length of the copy")->required();
    m->add_option("--edit", modify->edits, "invert or shift:TIME:fill0|fill1|rotate, in the order given");
    m->callback([&exitCode, &target, modify] { Guard(exitCode, [&] { return RunModify(target, *modify); }); });

    auto shift = std::make_shared<ShiftOptions>();
    auto* sh = apply->add_subcommand("shift", "Shift a whole channel: --channel, --shift, [--method]");
    AddChannel(sh, "--channel", shift->channel, "Channel")->required();
    sh->add_option("--shift", shift->shift, "Shift time, later when positive")->required();
    sh->add_option("--method", shift->method, "fill0 (default), fill1 or rotate")->check(CLI::IsMember(ShiftMethods));
    sh->callback([&exitCode, &target, shift] { Guard(exitCode, [&] { return RunShift(target, *shift); }); });

    auto swap = std::make_shared<ChannelOptions>();
    auto* w = apply->add_subcommand("swap", "Exchange two channels: --first, --second");
    AddChannel(w, "--first", swap->first, "First channel")->required();
    AddChannel(w, "--second", swap->second, "Second channel")->required();
    w->callback([&exitCode, &target, swap] { Guard(exitCode, [&] { return RunSwap(target, *swap); }); });

    auto uart = std::make_shared<UartOptions>();
    auto* u = apply->add_subcommand("uart", "UART frames: --channel, --baud, --hex or --text");
    AddBusData(u, *uart);
    AddChannel(u, "--channel", uart->channel, "Channel")->required();
    u->add_option("--baud", uart->rate, "Baud rate in Hz, with an optional k or M")->required();
    u->add_option("--data-bits", uart->dataBits, "Data bits, 5 to 9 (default 8)")->check(CLI::Range(5, 9));
    u->add_option("--parity", uart->parity, "none (default), odd, even, mark or space")
        ->check(CLI::IsMember(ParityNames));
    u->add_option("--stop", uart->stop, "Stop bits: 1 (default), 1.5 or 2")->check(CLI::IsMember(StopNames));
    u->add_flag("--msb-first", uart->msbFirst, "Most significant bit first (default least)");
    u->add_flag("--invert", uart->invert, "Inverted levels: idle low");
    u->add_option("--gap", uart->gap, "Idle bit times between bytes (default 0)");
    u->callback([&exitCode, &target, uart] { Guard(exitCode, [&] { return RunUart(target, *uart); }); });

    auto spi = std::make_shared<SpiOptions>();
    auto* sp = apply->add_subcommand("spi", "SPI frames: --sclk, --mosi, --cs, --clock, --hex or --text");
    AddBusData(sp, *spi);
    AddChannel(sp, "--sclk", spi->sclk, "Clock channel")->required();
    AddChannel(sp, "--mosi", spi->mosi, "Data channel")->required();
    AddChannel(sp, "--cs", spi->cs, "Chip-select channel")->required();
    sp->add_option("--clock", spi->rate, "Clock frequency in Hz, with an optional k or M")->required();
    sp->add_option("--mode", spi->mode, "Mode 0 to 3 (default 0)")->check(CLI::Range(0, 3));
    sp->add_flag("--lsb-first", spi->lsbFirst, "Least significant bit first (default most)");
    sp->add_flag("--cs-high", spi->csHigh, "Chip select active high (default low)");
    sp->add_option("--frame-bytes", spi->frameBytes, "Bytes per chip-select frame (default 0: all in one)");
    sp->add_option("--lead", spi->lead, "Chip select to the first clock edge (default half a period)");
    sp->add_option("--lag", spi->lag, "Last clock edge to chip select released (default half a period)");
    sp->add_option("--gap", spi->gap, "Time between frames (default half a period)");
    sp->callback([&exitCode, &target, spi] { Guard(exitCode, [&] { return RunSpi(target, *spi); }); });

    auto i2c = std::make_shared<I2cOptions>();
    i2c->rate = "100k";
    auto* ic = apply->add_subcommand("i2c", "I2C transactions: --scl, --sda, --tx...");
    AddBusData(ic, *i2c);
    AddChannel(ic, "--scl", i2c->scl, "Clock channel")->required();
    AddChannel(ic, "--sda", i2c->sda, "Data channel")->required();
    ic->add_option("--clock", i2c->rate, "Clock frequency in Hz, with an optional k or M (default 100k)");
    ic->add_option("--tx", i2c->tx, "A transaction, w|r:ADDRESS:HEX BYTES (\"w:50:00 10\"), in order")->required();
    ic->add_flag("--ten-bit", i2c->tenBit, "10-bit addresses (default 7-bit)");
    ic->add_flag("--nack", i2c->nack, "Leave the acknowledge bits of written bytes high");
    ic->add_flag("--repeated-start", i2c->repeatedStart, "Join the transactions by repeated starts");
    ic->add_option("--gap", i2c->gap, "Bus-free time between transactions (default one clock period)");
    ic->callback([&exitCode, &target, i2c] { Guard(exitCode, [&] { return RunI2c(target, *i2c); }); });

    auto invert = std::make_shared<ChannelOptions>();
    auto* i = apply->add_subcommand("invert", "Invert a channel: --channel");
    AddChannel(i, "--channel", invert->channel, "Channel")->required();
    i->callback([&exitCode, &target, invert] {
        Guard(exitCode,
              [&] { return RunChannelCommand(target, [&](CKDXDoc& d) { d.InvertChannel(invert->channel); }); });
    });

    auto clear = std::make_shared<ChannelOptions>();
    auto* cl = apply->add_subcommand("clear", "Clear a channel: --channel");
    AddChannel(cl, "--channel", clear->channel, "Channel")->required();
    cl->callback([&exitCode, &target, clear] {
        Guard(exitCode, [&] { return RunChannelCommand(target, [&](CKDXDoc& d) { d.ClearChannel(clear->channel); }); });
    });

    auto copy = std::make_shared<ChannelOptions>();
    auto* cp = apply->add_subcommand("copy", "Copy a channel to the clipboard and paste it: --from, --to");
    AddChannel(cp, "--from", copy->first, "Channel copied")->required();
    AddChannel(cp, "--to", copy->second, "Channel pasted into")->required();
    cp->callback([&exitCode, &target, copy] {
        Guard(exitCode, [&] {
            return RunChannelCommand(target, [&](CKDXDoc& d) {
                d.CopyChannelToClipboard(copy->first);
                d.PasteChannel(copy->second);
            });
        });
    });
}

}  // namespace kdx::tool
