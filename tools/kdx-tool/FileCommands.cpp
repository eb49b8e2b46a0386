#include "FileCommands.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string_view>

#include "ui/ViewModel.h"
#include "TimeArgument.h"
#include "document/KDXDoc.h"
#include "document/TimeBaseRows.h"
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

// printf's "%.17g" of a double. The values a waveform holds (1e-6 <= |x| <
// 2^53, not a tie at the 17th digit) are rounded here exactly, in 128-bit
// integers, which is many times faster than the general conversion; every
// other value goes to std::to_chars, which gives printf's text for all.
__extension__ typedef unsigned __int128 Wide;

constexpr std::array<Wide, 23> PowersOfTen = [] {
    std::array<Wide, 23> t{};
    t[0] = 1;
    for (size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] * 10;
    return t;
}();

char* FormatG17(char* p, char* end, double x) {
    const auto general = [&] { return std::to_chars(p, end, x, std::chars_format::general, 17).ptr; };
    const uint64_t bits = std::bit_cast<uint64_t>(x);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const int e = biased - 1075;  // |x| = m * 2^e
    if (biased == 0 || biased == 0x7FF || e > 0) return general();
    const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    // |x| lies in [2^(e+52), 2^(e+53)): its decimal exponent is this or one more.
    int exponent = (e + 52) * 78913 >> 18;  // floor((e + 52) log10 2) for |e + 52| < 1650
    if (exponent < -6) return general();
    constexpr uint64_t Lowest17 = 10000000000000000ull, Above17 = 100000000000000000ull;
    const auto digitsAt = [&](int k, uint64_t& q) {  // round(|x| * 10^(16 - k)), false on a tie
        const Wide n = m * PowersOfTen[16 - k];  // below 2^53 * 10^22 < 2^127
        const int s = -e;
        if (s == 0) {
            q = static_cast<uint64_t>(n);
            return true;
        }
        const Wide whole = n >> s, rest = n - (whole << s), half = Wide{1} << (s - 1);
        if (rest == half) return false;
        q = static_cast<uint64_t>(whole) + (rest > half ? 1 : 0);
        return true;
    };
    uint64_t q = 0;
    if (!digitsAt(exponent, q)) return general();
    if (q >= Above17) {
        ++exponent;
        if (!digitsAt(exponent, q)) return general();
    }
    if (q < Lowest17 || q >= Above17) return general();
    // Two independent halves, two digits a step.
    char digits[17];
    const auto put = [&digits](uint32_t v, int last, int first) {
        for (int i = last; i > first; i -= 2, v /= 100) {
            digits[i] = static_cast<char>('0' + v % 10);
            digits[i - 1] = static_cast<char>('0' + v / 10 % 10);
        }
        if ((last - first) % 2 == 0) digits[first] = static_cast<char>('0' + v);
    };
    put(static_cast<uint32_t>(q % 100000000), 16, 9);
    put(static_cast<uint32_t>(q / 100000000), 8, 0);
    int kept = 17;  // without the trailing zeros, as %g drops them
    while (kept > 1 && digits[kept - 1] == '0') --kept;
    if (bits >> 63) *p++ = '-';
    if (exponent < -4) {
        *p++ = digits[0];
        if (kept > 1) {
            *p++ = '.';
            p = std::copy(digits + 1, digits + kept, p);
        }
        *p++ = 'e';
        *p++ = '-';
        *p++ = static_cast<char>('0' + (-exponent) / 10);
        *p++ = static_cast<char>('0' + (-exponent) % 10);
    } else if (exponent < 0) {
        *p++ = '0';
        *p++ = '.';
        p = std::fill_n(p, -exponent - 1, '0');
        p = std::copy(digits, digits + kept, p);
    } else {
        p = std::copy(digits, digits + exponent + 1, p);
        if (kept > exponent + 1) {
            *p++ = '.';
            p = std::copy(digits + exponent + 1, digits + kept, p);
        }
    }
    return p;
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

int RunExport(const std::string& path) {
    auto file = ReadOrFail(path);
    const WaveformHeader& h = file->header;
    const auto& b = file->buffers;
    const int64_t samplingNs = int64_t{h.samplingStep} * BaseClockNs;
    // The text printf's "%u,%lld,%.17g,%u,%u,%u,%u\n" gives (17 digits read
    // back to the same double), made without format parsing nor locale into a
    // large buffer written out in few pieces.
    constexpr size_t BufferSize = size_t{1} << 20;
    constexpr size_t LongestLine = 96;  // 10 + 20 + 24 + 4 x 4 digits and separators, with room
    const auto buffer = std::make_unique_for_overwrite<char[]>(BufferSize);
    char* const end = buffer.get() + BufferSize;
    const std::string_view head = "index,time_ns,analog,ch0,ch1,ch2,ch3\n";
    char* p = std::copy(head.begin(), head.end(), buffer.get());
    for (uint32_t i = 0; i < h.sampleCount; ++i) {
        if (end - p < static_cast<ptrdiff_t>(LongestLine)) {
            std::cout.write(buffer.get(), p - buffer.get());
            p = buffer.get();
        }
        p = std::to_chars(p, end, i).ptr;
        *p++ = ',';
        p = std::to_chars(p, end, static_cast<long long>(samplingNs * i)).ptr;
        *p++ = ',';
        p = FormatG17(p, end, b.analog[i]);
        for (const auto& channel : b.digital) {
            *p++ = ',';
            p = std::to_chars(p, end, unsigned{channel[i]}).ptr;
        }
        *p++ = '\n';
    }
    std::cout.write(buffer.get(), p - buffer.get());
    return 0;  // a failed write of the output is reported by the caller
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
