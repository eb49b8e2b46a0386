// kdx-tool: the command line over the waveform core, for scripting and
// inspection: file info and export, time-base rows, new and re-timed files,
// and the generator commands.
#include <CLI/CLI.hpp>
#include <iostream>

#include "ApplyCommands.h"
#include "DeviceCommands.h"
#include "DigitalApply.h"
#include "FileCommands.h"
#include "ImportApply.h"
#include "document/WaveformLimits.h"

int main(int argc, char** argv) {
    using namespace kdx::tool;
    CLI::App app{"kdx-tool: inspect, create and re-time VELX-9 waveform files (.kdx) and drive generators."};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("kdx-tool ") + kdx::ProgramVersionText + kdx::ProgramBuildSuffix);
    int exitCode = 0;

    std::string file, out, total;
    std::optional<int> row;
    TimeBaseRequest request;
    std::optional<std::string> changeFrom;

    auto* info = app.add_subcommand("info", "Print a waveform file's contents as JSON");
    info->add_option("FILE", file, "Waveform file")->required();
    info->callback([&] { Guard(exitCode, [&] { return RunInfo(file); }); });

    ExportRequest exportRequest;
    auto* exportCmd = app.add_subcommand("export", "Write a waveform file's samples as CSV, VCD, WAV or PWL");
    exportCmd->add_option("FILE", file, "Waveform file")->required();
    exportCmd->add_option("--format", exportRequest.format, "csv (default), vcd, wav or pwl")
        ->check(CLI::IsMember({"csv", "vcd", "wav", "pwl"}));
    exportCmd->add_option("-o", exportRequest.out, "Output file; default standard output");
    exportCmd->add_option("--pwl-channel", exportRequest.pwlChannel, "PWL: analog (default), 0, 1, 2 or 3")
        ->check(CLI::IsMember({"analog", "0", "1", "2", "3"}));
    exportCmd->add_option("--pwl-high", exportRequest.pwlHigh,
                          "PWL: a digital channel's high level in V (default 3.3)");
    exportCmd->add_option("--pwl-edge", exportRequest.pwlEdge,
                          "PWL: edge time, less than the sampling time (default 1 nS)");
    exportCmd->add_option("--wav-format", exportRequest.wavFormat, "WAV: float (default), pcm16 or pcm24")
        ->check(CLI::IsMember({"float", "pcm16", "pcm24"}));
    exportCmd->add_flag("--wav-digital", exportRequest.wavDigital, "WAV: CH0..CH3 as four more channels");
    exportCmd->callback([&] { Guard(exitCode, [&] { return RunExport(file, exportRequest); }); });

    auto addRequest = [&](CLI::App* cmd) {
        auto* t = cmd->add_option("--total", request.total, "Total time, e.g. \"5 mS\" (units nS uS mS S M H)");
        auto* s = cmd->add_option("--sampling", request.sampling, "Sampling time, e.g. \"20 nS\"");
        auto* c = cmd->add_option("--count", request.count, "Sample count");
        s->needs(c);
        c->needs(s);
        t->excludes(s);
        return t;
    };

    auto* timebase = app.add_subcommand("timebase", "Print the candidate rows of the time-base dialogs");
    auto* timebaseTotal = addRequest(timebase);
    timebase->add_option("--change-from", changeFrom, "Rows of the total-time change of this file")
        ->needs(timebaseTotal);
    timebase->callback([&] { Guard(exitCode, [&] { return RunTimebase(request, changeFrom); }); });

    auto* newCmd = app.add_subcommand("new", "Create a new empty waveform file as File New does");
    newCmd->add_option("-o", out, "Output file")->required();
    addRequest(newCmd);
    newCmd->add_option("--row", row, "Row to take (1..3); default the selected one")->check(CLI::Range(1, 3));
    newCmd->callback([&] { Guard(exitCode, [&] { return RunNew(out, request, row); }); });

    auto* retime = app.add_subcommand("retime", "Change a waveform's total time, keeping its sampling time");
    retime->add_option("FILE", file, "Waveform file")->required();
    retime->add_option("--total", total, "New total time")->required();
    retime->add_option("--row", row, "Row to take (1..2); default the selected one")->check(CLI::Range(1, 2));
    retime->add_option("-o", out, "Output file")->required();
    retime->callback([&] { Guard(exitCode, [&] { return RunRetime(file, total, row, out); }); });

    auto* demo = app.add_subcommand("demo", "Write a demonstration waveform (sine and clocks)");
    demo->add_option("-o", out, "Output file")->required();
    demo->callback([&] { Guard(exitCode, [&] { return RunDemo(out); }); });

    ApplyTarget applyTarget;
    CLI::App* apply = AddApplyCommand(app, applyTarget);
    AddAnalogApplyKinds(apply, applyTarget, exitCode);
    AddImportApplyKinds(apply, applyTarget, exitCode);
    AddDigitalApplyKinds(apply, applyTarget, exitCode);

    AddDeviceCommands(app, exitCode);

    // A mistyped command is named as such, not taken for a missing one.
    if (argc > 1 && argv[1][0] != '-') {
        try {
            app.get_subcommand(argv[1]);
        } catch (const CLI::OptionNotFound&) {
            std::cerr << "kdx-tool: unknown command " << argv[1] << " (kdx-tool --help lists them)\n";
            return 2;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help or --version: printed on stdout
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << e.what() << '\n';
        return 2;
    }
    // Output that never arrived (a full disk, a closed file) is a failure,
    // whatever the command itself returned.
    std::cout.flush();
    if (!std::cout && exitCode == 0) {
        std::cerr << "kdx-tool: the output could not be written\n";
        return 1;
    }
    return exitCode;
}
