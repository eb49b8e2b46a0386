// External data for the analog channel: numbers read from a text file (TXT or
// CSV) and their resampling onto the document's sampling time. A text file is
// a list of decimal numbers separated by tab, line feed, carriage return,
// blank, "," or ";", read through a 1 MiB window with progress reported as a
// percentage; at most MaxSampleCount values are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace kdx {

inline constexpr const char* MsgExternalMemory = "外部波形読込みのためのメモリが確保できませんでした";
inline constexpr const char* MsgExternalInvalidData = "無効なデータが含まれています。\n\n読み込みを中止しました。";
inline constexpr const char* MsgExternalTooMany =
    "処理可能な最大データ数を超えています。\n\nすべてのデータを読み込むことができませんでした。";
inline constexpr const char* MsgConversionError = "変換エラーです。";

// Reads the numbers of a text that arrives in pieces (a token may straddle
// two pieces). Digits, "+", "-", ".", "D", "E", "d" and "e" make up a token;
// the separators end it; any other byte stops the reading as invalid. A token
// is a decimal number as the C library reads it, with "D" taken for "E"
// (1.5D3 is 1500); it must be read whole and must not overflow to infinity.
// A token longer than MaxTokenLength is no number anyone wrote: it is invalid
// as soon as it grows past that, whatever follows.
class TextDataParser {
public:
    static constexpr size_t MaxTokenLength = 400;

    enum class State {
        Reading,   // more may follow
        Full,      // capacity values stored; only separators may follow
        Exceeded,  // something followed the last value that fits
        Invalid,   // a byte or token that is not a number
    };

    // values: room for capacity doubles.
    TextDataParser(double* values, uint32_t capacity);

    // Takes the next piece; false once the reading has stopped (Exceeded or Invalid).
    bool Feed(const char* data, size_t size);
    // The end of the text: a last token without a separator is read too.
    void Finish();

    State GetState() const { return state; }
    uint32_t Count() const { return count; }

private:
    bool Store(const char* token, size_t length);

    double* values;
    uint32_t capacity;
    uint32_t count = 0;
    State state = State::Reading;
    std::string carry;  // a token cut by the end of a piece
};

// One token converted as the reader converts it; false when it is not a
// number. Exposed for the tests and the fuzzer.
bool ConvertDataToken(const char* token, size_t length, double& value);

// The outcome of reading a text file. message is empty when there is nothing
// to say; otherwise one of the file messages (open, read) or the invalid-data
// message (nothing loaded: loaded false), or the limit message (loaded true,
// capacity values kept).
struct TextDataResult {
    bool loaded = false;
    uint32_t count = 0;
    std::string message;
    std::string reason;  // what the message cannot say: the system's reason, or the fault in the data
};

// Called with the percentage of the file read whenever it changes.
using ProgressFn = std::function<void(int percent)>;

// Reads a regular file in 1 MiB windows and hands it to feed in pieces that
// end where the percentage read next changes, so progress is exact without a
// test per byte; feed returns false to stop the reading. A file that turns
// out shorter or longer than it was when opened has changed while being read,
// which is a read error. The message is empty when the file was read (or the
// reading was stopped); reason holds the system's reason.
struct FileReadFailure {
    std::string message;
    std::string reason;
};
FileReadFailure ReadFileInPieces(const std::filesystem::path& path, const ProgressFn& progress,
                                 const std::function<bool(const char* data, size_t size)>& feed);

// Reads a text file of numbers into values (room for MaxSampleCount). Only a
// regular file is opened. The file is read in 1 MiB windows; a file that turns
// out shorter or longer than it was when opened has changed while being read,
// which is a read error.
TextDataResult ReadTextDataFile(const std::filesystem::path& path, double* values, const ProgressFn& progress = {});

// Which reader a file name calls for: none for names of three characters or
// fewer, the waveform reader when its last three characters, lowered, are
// "kdx", the text reader otherwise.
enum class ExternalFileKind { None, Waveform, Text };
ExternalFileKind ExternalFileKindOf(const std::string& name);

// The small preview of loaded data: the values stretched to fill -1.2 .. +1.2
// between their lowest and highest (all 0.0 when those lie within 1e-6 of
// each other); min and max are those extremes (0.0 when count is 0).
void BuildDataPreview(const double* data, uint32_t count, double* preview, double& min, double& max);

enum class InterpolationMode : int32_t { None = 0, Linear = 1 };

// The loaded data (count values, one every intervalNs) resampled from the
// position startNs onto samplingNs steps for lengthNs, scaled and offset:
// work[i] = offset + amplitude x data at startNs + i x samplingNs, for i below
// lengthNs / samplingNs; with linear interpolation between neighbouring values
// (the last value repeats). The first workCount samples are cleared before.
// False when a position falls past the data.
bool ConvertExternalData(double* work, uint32_t workCount, const double* data, uint32_t count, int64_t intervalNs,
                         int64_t startNs, int64_t lengthNs, int64_t samplingNs, double amplitude, double offset,
                         InterpolationMode interpolation);

}  // namespace kdx
