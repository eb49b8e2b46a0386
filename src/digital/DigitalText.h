// The text files the serial and parallel dialogs load: '0' and '1' characters
// (bits) or hexadecimal digits (4-bit words), separated by tab, line feed,
// carriage return, blank, ',' or ';', at most 262144 of them. Read as bytes,
// with the progress in percent of the file reported as it changes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace kdx {

inline constexpr const char* MsgInvalidData = "無効なデータが含まれています。\n\n読み込みを中止しました。";
inline constexpr const char* MsgTooManyData =
    "処理可能な最大データ数を超えています。\n\nすべてのデータを読み込むことができませんでした。";

enum class DigitalTextKind { Bits, HexWords };

enum class DigitalReadStatus {
    Ok,           // every value read
    TooMany,      // the first 262144 values kept, more followed (a warning: the values are taken)
    OpenError,    // "ファイルオープンエラーです。"
    ReadError,    // "ファイル読み込みエラーです。"
    InvalidData,  // "無効なデータが含まれています。..."
};

struct DigitalReadResult {
    DigitalReadStatus status = DigitalReadStatus::Ok;
    uint32_t count = 0;  // values stored (only meaningful when Taken())
    std::string reason;  // why a file could not be opened or read, as the system says
    // The values may be used: Ok, or TooMany after its message.
    bool Taken() const { return status == DigitalReadStatus::Ok || status == DigitalReadStatus::TooMany; }
    // The dialog's message; empty for Ok.
    std::string Message() const;
};

// Percent of the file read so far, 0..100, each value once.
using ReadProgress = std::function<void(int percent)>;

// Reads values into out (MaxSampleCount bytes), which the caller takes only
// when the result is Taken(): a rejected file must not leave half its values
// behind in the buffer the dialog builds from.
DigitalReadResult ReadDigitalTextFile(const std::filesystem::path& path, DigitalTextKind kind, uint8_t* out,
                                      const ReadProgress& progress = {});

// The same rules over bytes in memory (fuzzed, and for the reader's tests).
DigitalReadResult ParseDigitalText(std::span<const uint8_t> bytes, DigitalTextKind kind, uint8_t* out,
                                   const ReadProgress& progress = {});

// One step of the rules, for readers that feed the bytes in pieces.
class DigitalTextParser {
public:
    // totalBytes: the file's length, for the progress.
    DigitalTextParser(DigitalTextKind kind, uint8_t* out, uint64_t totalBytes, const ReadProgress& progress);
    // Takes the next piece; false once the outcome is decided (invalid data,
    // or a value beyond the limit) and no more bytes are wanted.
    bool Feed(const uint8_t* data, size_t size);
    // The outcome after the last piece.
    DigitalReadResult Finish() const;

private:
    void Report(uint64_t consumed);
    size_t BitRun(const uint8_t* data, size_t i, size_t end);

    const uint8_t* classes;
    bool bits;
    uint8_t* out;
    uint32_t count = 0;
    uint64_t consumed = 0;
    uint64_t total;
    uint64_t nextStep = 0;  // bytes at which the percent next changes
    int percent = -1;
    ReadProgress progress;  // a copy: callers pass temporaries
    DigitalReadStatus status = DigitalReadStatus::Ok;
    bool done = false;
};

}  // namespace kdx
