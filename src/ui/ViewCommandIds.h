// Ids of the commands the view serves: zoom, cursor, time mark and the
// readout bar's cursor buttons. The frame's command table uses the same ids.
#pragma once

#include <array>

namespace kdx {

// Command ids the view serves (menus, tool bar, readout-bar buttons).
namespace viewcmd {
inline constexpr int WholeView = 32776;
inline constexpr int StandardZoom = 32829;
inline constexpr int MaximumZoom = 32805;
inline constexpr int ZoomIn = 32774;
inline constexpr int ZoomOut = 32775;
inline constexpr int SetStandardZoom = 32839;
inline constexpr int RestoreStandardZoom = 32840;

inline constexpr int CursorToMark = 32792;
inline constexpr int CursorToStart = 32791;
inline constexpr int CursorToLastEdit = 32823;
inline constexpr int CursorBack = 32790;
inline constexpr int CursorForward = 32803;
inline constexpr int CursorToGiven = 32802;
inline constexpr int CursorLeft = 1015;       // "←"
inline constexpr int CursorRight = 1016;      // "→"
inline constexpr int CursorHalfLeft = 1117;   // "≪"
inline constexpr int CursorHalfRight = 1118;  // "≫"

inline constexpr int MarkAtCursor = 32827;
inline constexpr int MarkAtStart = 32822;
inline constexpr int MarkAtLastEdit = 32825;
inline constexpr int MarkAtGiven = 32804;
inline constexpr int MarkToCursor = 32809;
inline constexpr int MarkToStart = 32821;
inline constexpr int MarkToLastEdit = 32826;
inline constexpr int MarkToGiven = 32808;
inline constexpr int MarkDelete = 32795;

inline constexpr std::array<int, 7> ZoomCommands{WholeView, StandardZoom, MaximumZoom, ZoomIn,
                                                 ZoomOut, SetStandardZoom, RestoreStandardZoom};
inline constexpr std::array<int, 10> CursorCommands{CursorToMark, CursorToStart, CursorToLastEdit, CursorBack,
                                                    CursorForward, CursorToGiven, CursorLeft, CursorRight,
                                                    CursorHalfLeft, CursorHalfRight};
inline constexpr std::array<int, 9> MarkCommands{MarkAtCursor, MarkAtStart, MarkAtLastEdit, MarkAtGiven, MarkToCursor,
                                                 MarkToStart, MarkToLastEdit, MarkToGiven, MarkDelete};
}  // namespace viewcmd

}  // namespace kdx
