// The waveform-file commands of kdx-tool: info, export, timebase, new,
// retime and demo. Each returns the process exit status.
#pragma once

#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "document/DialogParams.h"
#include "document/WaveformRecords.h"

namespace kdx {
class CKDXDoc;
}

namespace kdx::tool {

// A failure that ends the command: code 1 for a file that cannot be read or
// written (message: the file module's text), 2 for an invalid parameter.
struct CommandFailure : std::runtime_error {
    int code;
    CommandFailure(int exitCode, const std::string& message) : std::runtime_error(message), code(exitCode) {}
};

// A file read into separate buffers of full capacity, as the editor's Open does.
struct LoadedFile {
    WaveformHeader header;
    SampleBuffers buffers{SampleBuffers::ForReading};
    DialogMemories params;
};

// The editor's fixed message, then on a second line the file and the
// system's reason ("out.kdx: Permission denied"); with an empty message, the
// second line alone.
std::string FileFailureText(const std::string& message, const std::string& path, const std::string& reason);

// Read and write as the editor does; a failure ends the command with exit
// status 1 and the file module's message, the path and the reason.
std::unique_ptr<LoadedFile> ReadOrFail(const std::string& path);
void WriteOrFail(const std::string& path, const WaveformHeader& header, ConstSampleArrays samples,
                 const DialogMemories& params);

// The header of a document as the editor saves it, with the frame's and the
// view's blocks.
WaveformHeader HeaderForSave(const CKDXDoc& doc, DialogMemories& params, const FrameBlock& frame,
                             const ViewBlock& view);

// How a time base is asked for: a total time, or a sampling time and count.
struct TimeBaseRequest {
    std::optional<std::string> total;
    std::optional<std::string> sampling;
    std::optional<std::string> count;
};

// Runs one command, turning its failure into the documented exit status.
template <class F>
void Guard(int& exitCode, F&& run) {
    try {
        exitCode = run();
    } catch (const CommandFailure& failure) {
        // An empty text: the command has already said why.
        if (*failure.what() != '\0') std::cerr << failure.what() << '\n';
        exitCode = failure.code;
    }
}

int RunInfo(const std::string& path);
// export: the format and where it goes (standard output without out).
struct ExportRequest {
    std::string format = "csv";
    std::optional<std::string> out;
    std::string pwlChannel = "analog";
    double pwlHigh = 3.3;
    std::string pwlEdge = "1 nS";
    std::string wavFormat = "float";
    bool wavDigital = false;
};
int RunExport(const std::string& path, const ExportRequest& request);
int RunTimebase(const TimeBaseRequest& request, const std::optional<std::string>& changeFrom);
int RunNew(const std::string& out, const TimeBaseRequest& request, std::optional<int> row);
int RunRetime(const std::string& path, const std::string& total, std::optional<int> row, const std::string& out);
int RunDemo(const std::string& out);

}  // namespace kdx::tool
