// Texts of the frame's file commands: the save prompt, document titles and
// the messages shown by New, Open and the total-time change.
#pragma once

#include "document/WaveformFile.h"

#include <string>
#include <string_view>

namespace kdx {

inline constexpr const char* UntitledTitle = "無題";
inline constexpr const char* MsgInvalidParameter = "不正なパラメータです。";
inline constexpr const char* MsgOpenMemory = "ファイル読込みのためのメモリが確保できませんでした。";
// The undo copy of a total-time change or of a channel command, or the
// channel clipboard, could not be had (the document is unchanged).
inline constexpr const char* MsgTimeChangeMemory = "トータル時間変更のためのメモリが確保できませんでした。";
inline constexpr const char* MsgChannelMemory = "ディジタル波形編集のためのメモリが確保できませんでした。";
inline constexpr const char* OpenFileFilter = "KDXファイル (*.kdx);;すべてのファイル (*.*)";
inline constexpr const char* SaveFileFilter = "KDXファイル (*.kdx)";
inline constexpr const char* DefaultSuffix = "kdx";

// What the save prompt would ask; empty when there is nothing to ask.
// title is the document title without the generator prefix; pathKnown says
// whether the document came from or went to a file.
std::string ComposeSavePrompt(bool dataModified, bool pathKnown, std::string_view title, bool outputSettingsChanged);

// The title the caption and the save prompt use: prefix + name.
std::string PrefixedTitle(std::string_view prefix, std::string_view title);

// The first 16 bytes of a document tag (the width the file stores).
std::string DocumentTagOf(std::string_view text);

// The rule for paths from the command line and from drops is the waveform
// file's own (HasKdxExtension).

// The window caption: the titled document with the program name, or the
// program name alone while no waveform exists.
std::string CaptionText(bool hasWaveform, std::string_view prefix, std::string_view title);

}  // namespace kdx
