// Identifiers of every command the main frame dispatches: menu items, tool-bar
// buttons, accelerators and the readout bar's buttons. Files written by
// earlier versions and users' habits rely on none of them, but the output and
// dialog issues add their handlers by these numbers.
#pragma once

namespace kdx::cmd {

// File.
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileSave = 32800;
inline constexpr int FileSaveAs = 32801;
inline constexpr int AppExit = 57665;
inline constexpr int AppAbout = 57664;
inline constexpr int WaveformOutput = 32771;

// Edit.
inline constexpr int EditUndo = 57643;
inline constexpr int TotalTimeChange = 32843;
inline constexpr int EditLock = 32842;

// Analog generators.
inline constexpr int Sine = 32773;
inline constexpr int Rectangle = 32782;
inline constexpr int Dc = 32783;
inline constexpr int Ramp = 32784;
inline constexpr int Exponential = 32785;
inline constexpr int Noise = 32786;
inline constexpr int AnalogModify = 32787;
inline constexpr int ExternalData = 32793;

// Digital dialogs for any channel.
inline constexpr int DigitalClock = 32874;
inline constexpr int DigitalSerial = 32909;
inline constexpr int DigitalParallel = 32916;
inline constexpr int DigitalModify = 32847;
inline constexpr int DigitalSwap = 32956;

// Zoom.
inline constexpr int ZoomWhole = 32776;
inline constexpr int ZoomStandard = 32829;
inline constexpr int ZoomMax = 32805;
inline constexpr int ZoomIn = 32774;
inline constexpr int ZoomOut = 32775;
inline constexpr int ZoomSetStandard = 32839;
inline constexpr int ZoomRestoreStandard = 32840;

// Cursor.
inline constexpr int CursorToTimeMark = 32792;
inline constexpr int CursorToStart = 32791;
inline constexpr int CursorToLastEdit = 32823;
inline constexpr int CursorBack = 32790;
inline constexpr int CursorForward = 32803;
inline constexpr int CursorToPosition = 32802;
inline constexpr int CursorStepLeft = 1015;   // "←"
inline constexpr int CursorStepRight = 1016;  // "→"
inline constexpr int CursorPageLeft = 1117;   // "≪"
inline constexpr int CursorPageRight = 1118;  // "≫"

// Time mark.
inline constexpr int MarkAtCursor = 32827;
inline constexpr int MarkAtStart = 32822;
inline constexpr int MarkAtLastEdit = 32825;
inline constexpr int MarkAtPosition = 32804;
inline constexpr int MarkToCursor = 32809;
inline constexpr int MarkToStart = 32821;
inline constexpr int MarkToLastEdit = 32826;
inline constexpr int MarkToPosition = 32808;
inline constexpr int MarkDelete = 32795;

// Per-channel families, indexed by channel 0..3.
inline constexpr int ChannelClock[4] = {32777, 32778, 32779, 32780};
inline constexpr int ChannelSerial[4] = {32911, 32912, 32913, 32914};
inline constexpr int ChannelModify[4] = {32848, 32849, 32850, 32851};
inline constexpr int ChannelShift[4] = {32853, 32854, 32855, 32856};
inline constexpr int ChannelInvert[4] = {32810, 32811, 32812, 32813};
inline constexpr int ChannelCopy[4] = {32880, 32888, 32889, 32890};
inline constexpr int ChannelPaste[4] = {32881, 32891, 32892, 32893};
inline constexpr int ChannelClear[4] = {32902, 32906, 32907, 32908};

// The readout bar's cursor-time field, which takes the focus from its buttons.
inline constexpr int ReadoutCursorTime = 1005;

}  // namespace kdx::cmd
