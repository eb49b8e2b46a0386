// Identifiers of every command the main frame dispatches: menu items, tool-bar
// buttons, accelerators and the readout bar's buttons. The generator, digital
// pattern and output commands are listed already, so their handlers can be
// added by these numbers. The view's own ids are the view's.
#pragma once

#include "ui/ViewCommandIds.h"

namespace kdx::cmd {

// File.
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileSave = 32800;
inline constexpr int FileSaveAs = 32801;
// エクスポート: CSV, VCD, WAV, PWL.
inline constexpr int FileExportCsv = 32961;
inline constexpr int FileExportVcd = 32962;
inline constexpr int FileExportWav = 32963;
inline constexpr int FileExportPwl = 32964;
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
inline constexpr int Formula = 32960;
inline constexpr int AnalogModify = 32787;
inline constexpr int ExternalData = 32793;

// Digital dialogs for any channel.
inline constexpr int DigitalClock = 32874;
inline constexpr int DigitalSerial = 32909;
inline constexpr int DigitalParallel = 32916;
inline constexpr int DigitalModify = 32847;
inline constexpr int DigitalSwap = 32956;
inline constexpr int DigitalProtocol = 32957;

// Zoom.
inline constexpr int ZoomWhole = viewcmd::WholeView;
inline constexpr int ZoomStandard = viewcmd::StandardZoom;
inline constexpr int ZoomMax = viewcmd::MaximumZoom;
inline constexpr int ZoomIn = viewcmd::ZoomIn;
inline constexpr int ZoomOut = viewcmd::ZoomOut;
inline constexpr int ZoomSetStandard = viewcmd::SetStandardZoom;
inline constexpr int ZoomRestoreStandard = viewcmd::RestoreStandardZoom;

// Cursor.
inline constexpr int CursorToTimeMark = viewcmd::CursorToMark;
inline constexpr int CursorToStart = viewcmd::CursorToStart;
inline constexpr int CursorToLastEdit = viewcmd::CursorToLastEdit;
inline constexpr int CursorBack = viewcmd::CursorBack;
inline constexpr int CursorForward = viewcmd::CursorForward;
inline constexpr int CursorToPosition = viewcmd::CursorToGiven;
inline constexpr int CursorStepLeft = viewcmd::CursorLeft;
inline constexpr int CursorStepRight = viewcmd::CursorRight;
inline constexpr int CursorPageLeft = viewcmd::CursorHalfLeft;
inline constexpr int CursorPageRight = viewcmd::CursorHalfRight;

// Time mark.
inline constexpr int MarkAtCursor = viewcmd::MarkAtCursor;
inline constexpr int MarkAtStart = viewcmd::MarkAtStart;
inline constexpr int MarkAtLastEdit = viewcmd::MarkAtLastEdit;
inline constexpr int MarkAtPosition = viewcmd::MarkAtGiven;
inline constexpr int MarkToCursor = viewcmd::MarkToCursor;
inline constexpr int MarkToStart = viewcmd::MarkToStart;
inline constexpr int MarkToLastEdit = viewcmd::MarkToLastEdit;
inline constexpr int MarkToPosition = viewcmd::MarkToGiven;
inline constexpr int MarkDelete = viewcmd::MarkDelete;

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
