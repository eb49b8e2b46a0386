// The .kdx waveform file: a 1024-byte header, the analog doubles, the four
// channel byte arrays and a 4096-byte footer of dialog memories, little-endian,
// both blocks with a byte-sum checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "document/DialogParams.h"
#include "document/WaveformRecords.h"

namespace kdx {

inline constexpr size_t HeaderSize = 1024;
inline constexpr size_t FooterSize = 4096;

// The file module's messages; every outcome sets exactly one of them.
inline constexpr const char* MsgFileOk = "正常終了しました。";
inline constexpr const char* MsgFileOpenError = "ファイルオープンエラーです。";
inline constexpr const char* MsgFileWriteError = "ファイル書き込みエラーです。";
inline constexpr const char* MsgFileReadError = "ファイル読み込みエラーです。";
inline constexpr const char* MsgFileFormatError = "ファイルフォーマットエラーです。";

// Each function sets message to exactly one of the texts above and, when
// reason is given, to what the message cannot say: the system's reason for a
// failed open, read or write ("Permission denied") or the check a file failed;
// empty on success.

// Writes header.sampleCount samples of every array. The file appears under its
// name only when every byte was written: a failed save never destroys the
// previous file. Through a symbolic link the file it names is written.
bool WriteWaveformFile(const std::filesystem::path& path, const WaveformHeader& header,
                       ConstSampleArrays samples, const DialogMemories& params, std::string& message,
                       std::string* reason = nullptr);

// Any file written as a waveform is: body writes the contents to an open
// temporary file (returning false, errno set where the system said why), and
// the file appears under its name, through links, only when all of it was
// written. Messages and reasons as above.
using FileBody = std::function<bool(std::FILE*)>;
bool WriteFileAtomically(const std::filesystem::path& path, const FileBody& body, std::string& message,
                         std::string* reason = nullptr);

// Reads and fully validates a file into separate buffers. On failure the
// outputs may hold partial data; callers copy them only after success. The
// parameters are the defaults unless the file has a footer of expectedVersion.
bool ReadWaveformFile(const std::filesystem::path& path, WaveformHeader& header, SampleArrays buffers,
                      DialogMemories& params, uint32_t expectedVersion, std::string& message,
                      std::string* reason = nullptr);

// The same checks on bytes already in memory (used by the reader and fuzzed).
bool ParseWaveformBytes(std::span<const uint8_t> bytes, WaveformHeader& header, SampleArrays buffers,
                        DialogMemories& params, uint32_t expectedVersion, std::string& message,
                        std::string* reason = nullptr);

// Why a path is not read as a file of data: empty for a regular file (or a
// link to one), else the reason ("No such file or directory", "Is a
// directory", "not a regular file"). A pipe or a device is refused before it
// is opened, since reading one could wait for ever. Every reader asks this.
std::string NotARegularFile(const std::filesystem::path& path);

// A waveform file's name: its last three characters, lowered, are "kdx". The
// command line, drops and the import dialogs all go by it.
bool HasKdxExtension(std::string_view path);
// Whether path ends in tail, ASCII letters compared without case (tail in
// lower case): ".wav", ".vcd".
bool HasExtension(std::string_view path, std::string_view tail);

// The part of a path after its last separator ('/' or '\\'), extension included:
// the name a document goes by in the frame's caption and the output dialog.
std::string FileNameOf(std::string_view path);

// Whether a footer exists in a file of this size for this header's count.
bool HasFooterForSize(uint64_t fileSize, uint32_t sampleCount);

}  // namespace kdx
