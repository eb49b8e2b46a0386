// Real signals for the external data: time-value tables (an oscilloscope's
// CSV export), SPICE piecewise-linear (PWL) text and WAV recordings, and the
// resampling of uneven time-value points.
//
// A table or PWL file is read line by line; each reader stores at most its
// capacity of values and reports the first fault with its line number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "analog/ExternalData.h"

namespace kdx {

// How a loaded file is read: by its name, or a reader forced by the user.
enum class SourceFormat : int { Auto = 0, Numbers = 1, Table = 2, Pwl = 3, Wav = 4 };
inline constexpr const char* SourceFormatNames[5] = {"自動", "数値列", "時刻・値の表", "PWL", "WAV"};

// The reader a file calls for: with Auto, a name of three characters or fewer
// calls for none, ".kdx" for the waveform reader, ".wav" and ".pwl" (any case)
// for theirs, anything else for the number list.
enum class SourceReader { None, Waveform, Numbers, Table, Pwl, Wav };
SourceReader SourceReaderFor(const std::string& name, SourceFormat format);

enum class LineParseState {
    Reading,   // more may follow
    Full,      // capacity values stored; only blank lines may follow
    Exceeded,  // data followed the last value that fits
    Invalid,   // a line that does not parse: see ErrorLine and Error
};

// What a fault in a line is; the message names it in words.
enum class LineFault { None, NotNumbers, NoColumn, TimeDecreases, NoValue, NoData };

// A table of fields separated by ",", ";", tab or blanks. Leading lines that
// are not all numbers are headers; the first of them is kept. The separator
// of the first line that is not empty decides the file: with ";" the decimal
// mark may be ",". Within a line with "," or ";" (or tab) fields are split at
// each of them and trimmed of blanks; a line with none splits at blanks.
class TableParser {
public:
    // Columns count from 1.
    TableParser(uint32_t timeColumn, uint32_t valueColumn, double* times, double* values, uint32_t capacity);

    // Takes the next line (without its line feed); false once stopped.
    bool Line(std::string_view line);
    // The end of the text: a table with no data line is invalid.
    void Finish();

    LineParseState GetState() const { return state; }
    uint32_t Count() const { return count; }
    size_t ErrorLine() const { return errorLine; }
    LineFault Fault() const { return fault; }
    const std::string& Header() const { return header; }

private:
    bool Stop(LineFault f);

    uint32_t timeColumn, valueColumn;
    double* times;
    double* values;
    uint32_t capacity;
    uint32_t count = 0;
    size_t lineNumber = 0, errorLine = 0;
    LineParseState state = LineParseState::Reading;
    LineFault fault = LineFault::None;
    int separatorMode = -1;  // unknown until the first line with text; then 0 (",") or 1 (";")
    std::string header;
};

// SPICE piecewise-linear text: time-value pairs separated by blanks, commas or
// line breaks, "*" lines and text after ";" are comments, a line starting
// with "+" continues the last, parentheses are ignored. A number may carry a
// SPICE scale suffix (f p n u m k meg g t, any case) and then unit letters,
// which are ignored.
class PwlParser {
public:
    PwlParser(double* times, double* values, uint32_t capacity);

    bool Line(std::string_view line);
    // The end of the text: a time without its value, or no pair at all, is invalid.
    void Finish();

    LineParseState GetState() const { return state; }
    uint32_t Count() const { return count; }
    size_t ErrorLine() const { return errorLine; }
    LineFault Fault() const { return fault; }

private:
    bool Stop(LineFault f);

    double* times;
    double* values;
    uint32_t capacity;
    uint32_t count = 0;
    size_t lineNumber = 0, errorLine = 0, timeLine = 0;
    bool haveTime = false;
    double pendingTime = 0.0;
    LineParseState state = LineParseState::Reading;
    LineFault fault = LineFault::None;
};

// One SPICE number: a decimal number, a scale suffix, unit letters. False when
// it is none or not finite. Exposed for the tests and the fuzzer.
bool ConvertSpiceNumber(std::string_view token, double& value);

// The step of count times when they are evenly spaced (every step within
// 1 ppm of their mean step, the mean above 0) rounded to whole ns and at
// least 1 ns; 0 otherwise.
int64_t EvenStepNs(const double* times, uint32_t count);

// What a table, PWL or WAV reading gives. On failure loaded is false and
// message says why; reason holds what the message cannot (the system's
// reason). With the limit message loaded is true and capacity values are kept.
struct SignalReadResult {
    bool loaded = false;
    uint32_t count = 0;
    std::string message;
    std::string reason;
    std::string header;  // a table's first header line
    // WAV: the sampling rate, its interval rounded to ns, and when that is not
    // exact, a note with the rate error in percent.
    int64_t rate = 0, intervalNs = 0;
    std::string rateNote;
};

// Reads a table (pwl false) or a PWL file into times (seconds) and values,
// each with room for MaxSampleCount. Only a regular file is opened.
SignalReadResult ReadPointFile(const std::filesystem::path& path, bool pwl, uint32_t timeColumn, uint32_t valueColumn,
                               double* times, double* values, const ProgressFn& progress = {});

// Reads one channel (from 1) of a sound file as normalised doubles into values
// (room for MaxSampleCount). Only a regular file is opened.
SignalReadResult ReadWavFile(const std::filesystem::path& path, uint32_t channel, double* values,
                             const ProgressFn& progress = {});

// The note on a rate whose interval is not a whole number of ns, or empty.
std::string RateNote(int64_t rate, int64_t intervalNs);

// Points (timesNs from the first point, non-decreasing; values) sampled at
// startNs + i x samplingNs for i below lengthNs / samplingNs: before the
// first time the first value, after the last the last, in between the line
// through the neighbouring points (Linear) or the earlier point's value
// (None); equal times take the later point. work[i] = offset + amplitude x
// that value; the first workCount samples are cleared before. False when
// there is nothing to sample from.
bool ConvertPoints(double* work, uint32_t workCount, const double* timesNs, const double* values, uint32_t count,
                   int64_t startNs, int64_t lengthNs, int64_t samplingNs, double amplitude, double offset,
                   InterpolationMode interpolation);

}  // namespace kdx
