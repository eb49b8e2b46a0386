// The main frame's command table as data: for every command its id, menu
// text, status-bar prompt, tool tip and enable rule. The rule is a plain
// function of a snapshot of the program's state, so the whole table can be
// checked without a window; the frame builds one action per entry from it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace kdx {

// The commands whose enabling the view decides (zoom, cursor, time mark and
// the readout bar's buttons).
enum class ViewOp : uint8_t {
    ZoomWhole, ZoomStandard, ZoomMax, ZoomIn, ZoomOut, ZoomSetStandard, ZoomRestoreStandard,
    CursorToTimeMark, CursorToStart, CursorToLastEdit, CursorBack, CursorForward, CursorToPosition,
    CursorStepLeft, CursorStepRight, CursorPageLeft, CursorPageRight,
    MarkAtCursor, MarkAtStart, MarkAtLastEdit, MarkAtPosition,
    MarkToCursor, MarkToStart, MarkToLastEdit, MarkToPosition, MarkDelete,
    Count,
};
inline constexpr int ViewOpCount = static_cast<int>(ViewOp::Count);

enum class EnableRule : uint8_t {
    Always,    // about, exit: always available
    NotBusy,   // new, open: only while not already running
    Waveform,  // a waveform exists
    Save,      // a waveform with changed samples or changed output settings
    Edit,      // a waveform and editing allowed
    Undo,      // editing allowed and an undo step held
    Paste,     // editing allowed and a channel in the clipboard
    Output,    // the output device is available (no waveform needed)
    View,      // a waveform and the view's own query
};

// What the rules look at, taken when the user interface goes idle.
struct FrameState {
    bool hasWaveform = false;
    bool editAllowed = true;
    bool undoAvailable = false;
    bool clipboardValid = false;
    bool dataModified = false;
    bool outputSettingsChanged = false;
    bool outputAvailable = false;
    std::array<bool, ViewOpCount> view{};
    bool& View(ViewOp op) { return view[static_cast<size_t>(op)]; }
    bool View(ViewOp op) const { return view[static_cast<size_t>(op)]; }
};

// The family of a per-channel command (the same handler for the four channels).
enum class ChannelFamily : uint8_t { None, Clock, Serial, Modify, Shift, Invert, Copy, Paste, Clear };

struct CommandInfo {
    int id = 0;
    const char* text = "";     // menu text, with its mnemonic and accelerator after a tab
    const char* prompt = "";   // status-bar prompt while the item is highlighted
    const char* toolTip = "";  // short name for tool tips
    EnableRule rule = EnableRule::Always;
    ViewOp viewOp = ViewOp::Count;  // for EnableRule::View
    ChannelFamily family = ChannelFamily::None;
    int channel = -1;  // 0..3 for the per-channel commands
    bool checkable = false;
};

// Every command, menus and tool bar included, each id once.
std::span<const CommandInfo> Commands();
// The entry of an id, or nullptr.
const CommandInfo* FindCommand(int id);

// The rule of a command for a state; busy is the command's own busy flag.
bool IsCommandEnabled(const CommandInfo& command, const FrameState& state, bool busy);

// The command whose picture a command shows: a lane's clock, serial and
// modification commands open the dialogs of those tool-bar buttons and show
// their pictures; every other command its own (if it has one).
int IconCommandOf(int id);

// Tool-bar buttons left to right; 0 stands for a separator.
std::span<const int> ToolBarLayout();

}  // namespace kdx
