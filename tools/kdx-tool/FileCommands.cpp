#include "FileCommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string_view>

#include "ui/ViewModel.h"
#include "TimeArgument.h"
#include "document/KDXDoc.h"
#include "document/TimeBaseRows.h"
#include "document/WaveformExport.h"
#include "document/WaveformFile.h"

namespace kdx::tool {

// The editor's fixed message, then what a script's user needs to act on it:
// which file, and why.
std::string FileFailureText(const std::string& message, const std::string& path, const std::string& reason) {
    return (message.empty() ? "" : message + "\n") + path + (reason.empty() ? "" : ": " + reason);
}

std::unique_ptr<LoadedFile> ReadOrFail(const std::string& path) {
    auto file = std::make_unique<LoadedFile>();
    std::string message, reason;
    if (!ReadWaveformFile(path, file->header, ArraysOf(file->buffers), file->params, FileFormatVersion, message,
                          &reason))
        throw CommandFailure(1, FileFailureText(message, path, reason));
    return file;
}

void WriteOrFail(const std::string& path, const WaveformHeader& header, ConstSampleArrays samples,
                 const DialogMemories& params) {
    std::string message, reason;
    if (!WriteWaveformFile(path, header, samples, params, message, &reason))
        throw CommandFailure(1, FileFailureText(message, path, reason));
}

WaveformHeader HeaderForSave(const CKDXDoc& doc, DialogMemories& params, const FrameBlock& frame,
                             const ViewBlock& view) {
    WaveformHeader header;
    doc.CollectForSave(header, params);
    header.frame = frame;
    header.view = view;
    return header;
}

namespace {

using nlohmann::ordered_json;

constexpr const char* MsgInvalidParameter = "不正なパラメータです。";

TimeBaseRows RowsFor(const TimeBaseRequest& request) {
    if (request.total) {
        auto total = SplitTimeArgument(*request.total, true);
        if (!total) throw CommandFailure(2, "invalid total time: " + *request.total);
        auto rows = ComputeTimeInputRows(total->number, total->unitListIndex);
        if (!rows.valid) throw CommandFailure(2, "invalid total time: " + *request.total);
        return rows;
    }
    if (!request.sampling || !request.count) throw CommandFailure(2, "give --total, or --sampling with --count");
    auto sampling = SplitTimeArgument(*request.sampling, false);
    if (!sampling) throw CommandFailure(2, "invalid sampling time: " + *request.sampling);
    std::string number = sampling->number;
    int unit = sampling->unitListIndex;
    if (unit == TimeUnitS) {
        // The dialog's sampling list stops at mS; the same time in mS is exact.
        auto ns = ParseTimeText(number, TimeUnitS);
        auto text = ns ? FormatTimeInUnit(*ns, TimeUnitMs) : std::nullopt;
        if (!text) throw CommandFailure(2, "invalid sampling time: " + *request.sampling);
        number = *text;
        unit = TimeUnitMs;
    }
    auto rows = ComputeSamplingInputRows(number, unit, *request.count);
    if (!rows.valid) throw CommandFailure(2, "invalid sampling time: " + *request.sampling);
    return rows;
}

TimeBaseRows ChangeRowsFor(const std::string& totalArgument, int64_t samplingNs) {
    auto total = SplitTimeArgument(totalArgument, true);
    if (!total) throw CommandFailure(2, "invalid total time: " + totalArgument);
    auto rows = ComputeTimeChangeRows(total->number, total->unitListIndex, samplingNs);
    if (!rows.valid) throw CommandFailure(2, "invalid total time: " + totalArgument);
    return rows;
}

// A copy: callers pass the rows as a temporary.
TimeBaseRow PickRow(const TimeBaseRows& rows, std::optional<int> row) {
    const int index = row ? *row - 1 : rows.selected;
    if (index < 0 || index >= static_cast<int>(rows.rows.size()) || !rows.rows[index].shown)
        throw CommandFailure(2, row ? "row " + std::to_string(*row) + " is not offered" : "no row is selected");
    return rows.rows[index];
}

void PrintRows(const TimeBaseRows& rows) {
    for (size_t i = 0; i < rows.rows.size(); ++i) {
        const auto& r = rows.rows[i];
        if (!r.shown) continue;
        std::cout << (static_cast<int>(i) == rows.selected ? "*" : "") << '\t' << TimeBaseRowLabels[i] << '\t'
                  << r.totalText << '\t' << r.samplingText << '\t' << r.countText << '\t' << r.errorText << '\n';
    }
}

// JSON strings must stay valid whatever bytes a text field holds.
std::string Dump(const ordered_json& j) { return j.dump(2, ' ', false, ordered_json::error_handler_t::replace); }

ordered_json ViewJson(const ViewBlock& v) {
    return ordered_json{{"cursorSample", v.cursorSample},
                        {"firstVisibleSample", v.firstVisibleSample},
                        {"cursorX", v.cursorX},
                        {"timeMarkSet", v.timeMarkSet},
                        {"timeMarkSample", v.timeMarkSample},
                        {"timeMarkX", v.timeMarkX},
                        {"ring", v.ring},
                        {"ringHead", v.ringHead},
                        {"ringWrite", v.ringWrite},
                        {"ringBrowse", v.ringBrowse},
                        {"ringEmpty", v.ringEmpty},
                        {"ringCanGoBack", v.ringCanGoBack},
                        {"ringCanGoForward", v.ringCanGoForward},
                        {"ringBrowsing", v.ringBrowsing},
                        {"zoomEnabled", v.zoomEnabled},
                        {"spareFlag", v.spareFlag},
                        {"zoomTable", v.zoomTable},
                        {"standardZoomIndex", v.standardZoomIndex},
                        {"maxZoomIndex", v.maxZoomIndex},
                        {"zoomIndex", v.zoomIndex}};
}

ordered_json OutputJson(const OutputSettings& s) {
    ordered_json j;
    for (int i = 0; i < 8; ++i) j[OutputByteFieldNames[i]] = OutputByteField(s, i);
    j["repeatCount"] = s.repeatCount;
    j["retrigger"] = s.retrigger;
    return j;
}

ordered_json ParamsJson(const DialogMemories& memories) {
    ordered_json all = ordered_json::object();
    ForEachField(memories, [&](const char* name, const auto& record) {
        ordered_json fields = ordered_json::object();
        ForEachField(record, [&](const char* field, const auto& value) {
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, uint8_t>)
                fields[field] = static_cast<int>(value);
            else
                fields[field] = value;
        });
        all[name] = std::move(fields);
    });
    return all;
}

}  // namespace

int RunInfo(const std::string& path) {
    auto file = ReadOrFail(path);
    const WaveformHeader& h = file->header;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    ordered_json j;
    j["format_version"] = h.formatVersion;
    j["total_time_ns"] = h.totalTimeNs;
    j["sampling_step"] = h.samplingStep;
    j["sample_count"] = h.sampleCount;
    j["time_unit_ns"] = h.timeUnitNs;
    j["data_id"] = h.dataId;
    j["document_id"] = h.documentId;
    j["edit_count"] = h.editCount;
    j["signal_names"] = h.signalNames;
    j["edit_locked"] = !h.frame.editAllowed;
    j["frame_flags"] = {{"a", h.frame.flagA}, {"c", h.frame.flagC}, {"d", h.frame.flagD}};
    j["document_tag"] = h.frame.documentTag;
    j["has_footer"] = !ec && HasFooterForSize(size, h.sampleCount);
    j["view"] = ViewJson(h.view);
    j["output_settings"] = OutputJson(h.output);
    j["params"] = ParamsJson(file->params);
    std::cout << Dump(j) << '\n';
    return 0;
}

namespace {

// Standard output, or a file written as Save writes it; produce hands the
// text to its argument in pieces.
int Emit(const TextPieces& produce, const std::optional<std::string>& outPath) {
    if (!outPath) {
        produce([](std::string_view piece) { return static_cast<bool>(std::cout.write(piece.data(), piece.size())); });
        return 0;  // a failed write of the output is reported by the caller
    }
    std::string message, reason;
    if (!WriteTextFile(*outPath, produce, message, &reason))
        throw CommandFailure(1, FileFailureText(message, *outPath, reason));
    return 0;
}

int Emit(const std::string& text, const std::optional<std::string>& outPath) {
    return Emit([&text](const auto& put) { return put(text); }, outPath);
}

int64_t EdgeNs(const std::string& text) {
    const auto edge = SplitTimeArgument(text, false);
    const auto ns = edge ? ParseTimeText(edge->number, static_cast<TimeUnitIndex>(edge->unitListIndex)) : std::nullopt;
    if (!ns) throw CommandFailure(2, "invalid edge time: " + text);
    return *ns;
}

PwlOptions PwlOptionsFor(const ExportRequest& request, int64_t samplingNs) {
    PwlOptions options;
    if (request.pwlChannel != "analog") options.channel = request.pwlChannel[0] - '0';
    options.highVolts = request.pwlHigh;
    if (!std::isfinite(options.highVolts)) throw CommandFailure(2, "invalid high level: not a number of volts");
    options.edgeNs = EdgeNs(request.pwlEdge);
    if (auto problem = PwlEdgeProblem(options.edgeNs, samplingNs)) throw CommandFailure(2, *problem);
    return options;
}

WavSampleFormat WavFormatFor(const std::string& name) {
    return name == "pcm16" ? WavSampleFormat::Pcm16 : name == "pcm24" ? WavSampleFormat::Pcm24 : WavSampleFormat::Float;
}

// The notes go to standard error: standard output may be the file itself.
int EmitWav(const ExportSource& source, const ExportRequest& request) {
    const WavFile wav = WavBytes(source, {WavFormatFor(request.wavFormat), request.wavDigital});
    if (!wav.error.empty())
        throw CommandFailure(1, FileFailureText(MsgFileWriteError, request.out.value_or("-"), wav.error));
    Emit(wav.bytes, request.out);
    if (auto note = WavRateNote(source.samplingNs)) std::cerr << *note << '\n';
    if (auto note = WavClipNote(wav.clipped)) std::cerr << *note << '\n';
    return 0;
}

}  // namespace

int RunExport(const std::string& path, const ExportRequest& request) {
    auto file = ReadOrFail(path);
    const ExportSource source{ArraysOf(file->buffers), file->header.sampleCount,
                              int64_t{file->header.samplingStep} * BaseClockNs};
    if (request.format == "vcd") return Emit(VcdText(source), request.out);
    if (request.format == "wav") return EmitWav(source, request);
    if (request.format == "pwl") return Emit(PwlText(source, PwlOptionsFor(request, source.samplingNs)), request.out);
    return Emit([&source](const auto& put) { return WriteCsv(source, put); }, request.out);
}

int RunTimebase(const TimeBaseRequest& request, const std::optional<std::string>& changeFrom) {
    if (changeFrom) {
        if (!request.total) throw CommandFailure(2, "--change-from needs --total");
        auto file = ReadOrFail(*changeFrom);
        PrintRows(ChangeRowsFor(*request.total, int64_t{file->header.samplingStep} * BaseClockNs));
        return 0;
    }
    PrintRows(RowsFor(request));
    return 0;
}

int RunNew(const std::string& out, const TimeBaseRequest& request, std::optional<int> row) {
    const TimeBaseRow chosen = PickRow(RowsFor(request), row);
    auto doc = std::make_unique<CKDXDoc>();
    if (!doc->NewWaveform(chosen.samplingNs, chosen.count)) throw CommandFailure(2, MsgInvalidParameter);
    DialogMemories params;
    const WaveformHeader header = HeaderForSave(*doc, params, FrameBlock{}, ResetViewBlock(doc->GetSampleCount()));
    WriteOrFail(out, header, doc->GetSampleArrays(), params);
    return 0;
}

int RunRetime(const std::string& path, const std::string& total, std::optional<int> row, const std::string& out) {
    auto file = ReadOrFail(path);
    const bool current = file->header.formatVersion == FileFormatVersion;
    auto doc = std::make_unique<CKDXDoc>();
    doc->LoadFromFile(file->header, ArraysOf(file->buffers), file->params, current);
    FrameBlock frame = current ? file->header.frame : FrameBlock{};
    ViewBlock view = current ? file->header.view : ResetViewBlock(doc->GetSampleCount());
    // The editor offers this command only while editing is allowed.
    if (!frame.editAllowed) throw CommandFailure(2, "the file is locked against editing");

    const int64_t samplingNs = doc->GetSamplingTime();
    const TimeBaseRow chosen = PickRow(ChangeRowsFor(total, samplingNs), row);
    if (chosen.count != doc->GetSampleCount()) {
        if (!doc->ChangeTimeBase(samplingNs, chosen.count)) throw CommandFailure(2, MsgInvalidParameter);
        view = ResetViewBlock(doc->GetSampleCount());
    }
    DialogMemories params;
    const WaveformHeader header = HeaderForSave(*doc, params, frame, view);
    WriteOrFail(out, header, doc->GetSampleArrays(), params);
    return 0;
}

int RunDemo(const std::string& out) {
    // 5 mS at 20 nS: a 1 kHz sine on the analog channel and clocks of 100,
    // 200 and 400 uS periods on CH0 to CH2, a slow pattern on CH3.
    auto doc = std::make_unique<CKDXDoc>();
    doc->NewWaveform(20, 250000);
    const uint32_t n = doc->GetSampleCount();
    doc->BeginAnalogEdit();
    for (uint32_t i = 0; i < n; ++i)
        doc->AnalogSamples()[i] = 0.8 * std::sin(2 * std::numbers::pi * i / 50000.0);
    doc->CommitAnalogEdit();
    doc->BeginDigitalEdit(UndoKindAllDigital);
    for (uint32_t i = 0; i < n; ++i) {
        for (int ch = 0; ch < 3; ++ch) doc->DigitalChannel(ch)[i] = static_cast<uint8_t>((i / (2500u << ch)) & 1);
        doc->DigitalChannel(3)[i] = static_cast<uint8_t>((i / 25000u) % 3 == 1);
    }
    doc->CommitDigitalEdit(UndoKindAllDigital, true);
    DialogMemories params;
    const WaveformHeader header = HeaderForSave(*doc, params, FrameBlock{}, ResetViewBlock(n));
    WriteOrFail(out, header, doc->GetSampleArrays(), params);
    return 0;
}

}  // namespace kdx::tool
