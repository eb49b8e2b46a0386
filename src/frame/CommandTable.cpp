#include "frame/CommandTable.h"

#include <deque>
#include <string>
#include <vector>

#include "frame/CommandIds.h"

namespace kdx {

namespace {

using R = EnableRule;
using V = ViewOp;

CommandInfo Plain(int id, const char* text, const char* prompt, const char* tip, EnableRule rule) {
    CommandInfo c;
    c.id = id;
    c.text = text;
    c.prompt = prompt;
    c.toolTip = tip;
    c.rule = rule;
    return c;
}

CommandInfo ViewCommand(int id, const char* text, const char* prompt, const char* tip, ViewOp op) {
    CommandInfo c = Plain(id, text, prompt, tip, R::View);
    c.viewOp = op;
    return c;
}

struct FamilyTexts {
    ChannelFamily family;
    const int* ids;
    const char* text;
    const char* action;  // what the prompt says is done to the channel
    const char* tip;
    EnableRule rule;
};

std::vector<CommandInfo> BuildTable() {
    std::vector<CommandInfo> t;
    // File and program.
    t.push_back(Plain(cmd::FileNew, "新規作成(&N)\tCtrl+N", "新しい波形を作成します", "新規作成", R::NotBusy));
    t.push_back(Plain(cmd::FileOpen, "開く(&O)...\tCtrl+O", "既存の波形ファイルを開きます", "開く", R::NotBusy));
    t.push_back(Plain(cmd::FileSave, "上書き保存(&S)\tCtrl+S", "波形を上書きして保存します", "上書き保存", R::Save));
    t.push_back(Plain(cmd::FileSaveAs, "名前を付けて保存(&A)...", "波形に名前を付けて保存します", "名前を付けて保存",
                      R::Waveform));
    t.push_back(Plain(cmd::FileExportCsv, "CSV(&C)...", "波形を CSV ファイルに書き出します", "CSV エクスポート",
                      R::Waveform));
    t.push_back(Plain(cmd::FileExportVcd, "VCD(&V)...", "波形を VCD ファイルに書き出します", "VCD エクスポート",
                      R::Waveform));
    t.push_back(Plain(cmd::FileExportWav, "WAV(&W)...", "波形を WAV ファイルに書き出します", "WAV エクスポート",
                      R::Waveform));
    t.push_back(Plain(cmd::FileExportPwl, "PWL(&P)...", "波形を SPICE の PWL ファイルに書き出します",
                      "PWL エクスポート", R::Waveform));
    t.push_back(Plain(cmd::WaveformOutput, "波形データ出力(&W)", "波形データをVELX-9へ出力します", "波形データ出力",
                      R::Output));
    t.push_back(Plain(cmd::AppExit, "KDXの終了(&X)", "KDXを終了します", "終了", R::Always));
    t.push_back(Plain(cmd::AppAbout, "KDX のバージョン情報(&A)", "プログラムのバージョン情報を表示します",
                      "バージョン情報", R::Always));

    // Edit.
    t.push_back(Plain(cmd::EditUndo, "元に戻す(&U)\tCtrl+Z", "直前の編集を元に戻します", "元に戻す", R::Undo));
    t.push_back(Plain(cmd::TotalTimeChange, "トータル時間変更(&T)", "トータル時間を変更します", "トータル時間変更",
                      R::Edit));
    CommandInfo lock = Plain(cmd::EditLock, "編集禁止(&D)", "編集の禁止、解禁を設定します", "編集禁止", R::Waveform);
    lock.checkable = true;
    t.push_back(lock);

    // Analog generators.
    t.push_back(Plain(cmd::Sine, "正弦波(&S)", "正弦波を作成します", "正弦波", R::Edit));
    t.push_back(Plain(cmd::Rectangle, "矩形波(&P)", "矩形波を作成します", "矩形波", R::Edit));
    t.push_back(Plain(cmd::Dc, "直流波形(&D)", "直流波形を作成します", "直流波形", R::Edit));
    t.push_back(Plain(cmd::Ramp, "ランプ波形(&R)", "ランプ波形を作成します", "ランプ波形", R::Edit));
    t.push_back(Plain(cmd::Exponential, "指数関数波形(&E)", "指数関数波形を作成します", "指数関数波形", R::Edit));
    t.push_back(Plain(cmd::Noise, "ランダムノイズ(&N)", "ランダムノイズを作成します", "ランダムノイズ", R::Edit));
    t.push_back(Plain(cmd::Formula, "数式(&X)", "数式で波形を作成します", "数式", R::Edit));
    t.push_back(Plain(cmd::AnalogModify, "波形修正(&M)", "アナログ波形を修正します", "波形修正", R::Edit));
    t.push_back(Plain(cmd::ExternalData, "外部データ(&F)", "外部データを読み込みます", "外部データ", R::Edit));

    // Digital dialogs for any channel.
    t.push_back(Plain(cmd::DigitalClock, "作成(クロック)(&C)", "クロックパターンを作成します", "クロック", R::Edit));
    t.push_back(Plain(cmd::DigitalSerial, "作成(シリアル)(&S)", "シリアルパターンを作成します", "シリアル", R::Edit));
    t.push_back(Plain(cmd::DigitalParallel, "作成(パラレル)(&P)", "パラレルパターンを作成します", "パラレル",
                      R::Edit));
    t.push_back(Plain(cmd::DigitalModify, "修正(&M)", "ディジタル波形を修正します", "ディジタル修正", R::Edit));
    t.push_back(Plain(cmd::DigitalSwap, "スワップ(&W)", "チャンネルを入れ替えます", "スワップ", R::Edit));
    t.push_back(Plain(cmd::DigitalProtocol, "作成(プロトコル)(&T)", "UART、SPI、I2C のフレームを作成します",
                      "プロトコル", R::Edit));

    // Zoom.
    t.push_back(ViewCommand(cmd::ZoomWhole, "全体表示(&N)", "[ズーム]  データの全体を表示", "全体表示", V::ZoomWhole));
    t.push_back(ViewCommand(cmd::ZoomStandard, "標準拡大(&S)", "[ズーム]  標準拡大", "標準拡大", V::ZoomStandard));
    t.push_back(ViewCommand(cmd::ZoomMax, "最大表示(&M)", "[ズーム]  最大表示", "最大表示", V::ZoomMax));
    t.push_back(ViewCommand(cmd::ZoomIn, "拡大(&U)", "[ズーム]  拡大", "拡大", V::ZoomIn));
    t.push_back(ViewCommand(cmd::ZoomOut, "縮小(&D)", "[ズーム]  縮小", "縮小", V::ZoomOut));
    t.push_back(ViewCommand(cmd::ZoomSetStandard, "現在の拡大を標準に設定(&C)", "[ズーム]  現在の拡大を標準拡大に設定",
                            "標準拡大に設定", V::ZoomSetStandard));
    t.push_back(ViewCommand(cmd::ZoomRestoreStandard, "既定標準拡大に戻す(&I)", "[ズーム]  標準拡大を既定値に戻す",
                            "既定標準拡大", V::ZoomRestoreStandard));

    // Cursor.
    t.push_back(ViewCommand(cmd::CursorToTimeMark, "タイムマークへ移動", "カーソルをタイムマークへ移動",
                            "タイムマークへ", V::CursorToTimeMark));
    t.push_back(ViewCommand(cmd::CursorToStart, "開始点へ移動", "カーソルを開始点へ移動", "開始点へ",
                            V::CursorToStart));
    t.push_back(ViewCommand(cmd::CursorToLastEdit, "最終編集後へ移動", "カーソルを最終編集後へ移動", "最終編集後へ",
                            V::CursorToLastEdit));
    t.push_back(ViewCommand(cmd::CursorBack, "一つ前へ移動", "カーソルを一つ前へ移動", "一つ前へ", V::CursorBack));
    t.push_back(ViewCommand(cmd::CursorForward, "一つ後へ移動", "カーソルを一つ後へ移動", "一つ後へ",
                            V::CursorForward));
    t.push_back(ViewCommand(cmd::CursorToPosition, "指定位置へ移動", "カーソルを指定位置へ移動", "指定位置へ",
                            V::CursorToPosition));
    t.push_back(ViewCommand(cmd::CursorStepLeft, "←", "カーソルを1サンプル前へ移動", "1サンプル前へ",
                            V::CursorStepLeft));
    t.push_back(ViewCommand(cmd::CursorStepRight, "→", "カーソルを1サンプル後へ移動", "1サンプル後へ",
                            V::CursorStepRight));
    t.push_back(ViewCommand(cmd::CursorPageLeft, "≪", "カーソルを半画面前へ移動", "半画面前へ", V::CursorPageLeft));
    t.push_back(ViewCommand(cmd::CursorPageRight, "≫", "カーソルを半画面後へ移動", "半画面後へ",
                            V::CursorPageRight));

    // Time mark.
    t.push_back(ViewCommand(cmd::MarkAtCursor, "カーソル位置に設置", "カーソル位置にタイムマークを設置",
                            "タイムマーク設置", V::MarkAtCursor));
    t.push_back(ViewCommand(cmd::MarkAtStart, "開始点に設置", "開始点にタイムマークを設置", "開始点に設置",
                            V::MarkAtStart));
    t.push_back(ViewCommand(cmd::MarkAtLastEdit, "最終編集後に設置", "最終編集後にタイムマークを設置",
                            "最終編集後に設置", V::MarkAtLastEdit));
    t.push_back(ViewCommand(cmd::MarkAtPosition, "指定位置に設置", "タイムマークを指定位置に設置", "指定位置に設置",
                            V::MarkAtPosition));
    t.push_back(ViewCommand(cmd::MarkToCursor, "カーソル位置へ移動", "タイムマークをカーソル位置へ移動",
                            "カーソル位置へ", V::MarkToCursor));
    t.push_back(ViewCommand(cmd::MarkToStart, "開始点へ移動", "タイムマークを開始点へ移動", "開始点へ",
                            V::MarkToStart));
    t.push_back(ViewCommand(cmd::MarkToLastEdit, "最終編集後へ移動", "タイムマークを最終編集後へ移動",
                            "最終編集後へ", V::MarkToLastEdit));
    t.push_back(ViewCommand(cmd::MarkToPosition, "指定位置へ移動", "タイムマークを指定位置へ移動", "指定位置へ",
                            V::MarkToPosition));
    t.push_back(ViewCommand(cmd::MarkDelete, "削除", "タイムマークを削除", "タイムマーク削除", V::MarkDelete));

    // Per-channel families.
    static const FamilyTexts families[] = {
        {ChannelFamily::Clock, cmd::ChannelClock, "作成(クロック)(&G)", "にクロックパターンを作成します", "クロック",
         R::Edit},
        {ChannelFamily::Serial, cmd::ChannelSerial, "作成(シリアル)(&R)", "にシリアルパターンを作成します",
         "シリアル", R::Edit},
        {ChannelFamily::Modify, cmd::ChannelModify, "修正(&M)", "を修正します", "修正", R::Edit},
        {ChannelFamily::Shift, cmd::ChannelShift, "シフト(&S)", "をシフトします", "シフト", R::Edit},
        {ChannelFamily::Invert, cmd::ChannelInvert, "反転(&I)", "を反転します", "反転", R::Edit},
        {ChannelFamily::Copy, cmd::ChannelCopy, "コピー(&C)", "をクリップボードへコピーします", "コピー", R::Edit},
        {ChannelFamily::Paste, cmd::ChannelPaste, "貼り付け(&P)", "へクリップボードから貼り付けます", "貼り付け",
         R::Paste},
        {ChannelFamily::Clear, cmd::ChannelClear, "クリア(&L)", "をクリアします", "クリア", R::Edit},
    };
    // The prompts name their channel; the texts live as long as the table.
    static std::deque<std::string> texts;
    for (const FamilyTexts& f : families) {
        for (int ch = 0; ch < 4; ++ch) {
            const std::string name = "CH" + std::to_string(ch);
            const std::string& prompt = texts.emplace_back(name + " " + f.action);
            const std::string& tip = texts.emplace_back(name + " " + f.tip);
            CommandInfo c = Plain(f.ids[ch], f.text, prompt.c_str(), tip.c_str(), f.rule);
            c.family = f.family;
            c.channel = ch;
            t.push_back(c);
        }
    }
    return t;
}

const std::vector<CommandInfo>& Table() {
    static const std::vector<CommandInfo> table = BuildTable();
    return table;
}

constexpr int ToolBar[] = {
    cmd::FileNew, cmd::FileOpen, cmd::FileSave, 0,
    cmd::EditUndo, 0,
    cmd::Sine, cmd::Rectangle, cmd::Dc, cmd::Ramp, cmd::Exponential, cmd::Noise, cmd::Formula, cmd::AnalogModify,
    cmd::ExternalData, 0,
    cmd::DigitalClock, cmd::DigitalSerial, cmd::DigitalParallel, cmd::DigitalModify, cmd::DigitalSwap,
    cmd::DigitalProtocol, 0,
    cmd::ZoomWhole, cmd::ZoomStandard, cmd::ZoomMax, cmd::ZoomIn, cmd::ZoomOut, 0,
    cmd::WaveformOutput, 0,
    cmd::AppAbout,
};

}  // namespace

std::span<const CommandInfo> Commands() { return Table(); }

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : Table()) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

bool IsCommandEnabled(const CommandInfo& command, const FrameState& state, bool busy) {
    switch (command.rule) {
    case R::Always: return true;
    case R::NotBusy: return !busy;
    case R::Output: return state.outputAvailable && !busy;
    default: break;
    }
    if (!state.hasWaveform || busy) return false;
    switch (command.rule) {
    case R::Waveform: return true;
    case R::Save: return state.dataModified || state.outputSettingsChanged;
    case R::Edit: return state.editAllowed;
    case R::Undo: return state.editAllowed && state.undoAvailable;
    case R::Paste: return state.editAllowed && state.clipboardValid;
    case R::View: return command.viewOp != ViewOp::Count && state.View(command.viewOp);
    default: return false;
    }
}

std::span<const int> ToolBarLayout() { return ToolBar; }

int IconCommandOf(int id) {
    const CommandInfo* c = FindCommand(id);
    switch (c ? c->family : ChannelFamily::None) {
    case ChannelFamily::Clock: return cmd::DigitalClock;
    case ChannelFamily::Serial: return cmd::DigitalSerial;
    case ChannelFamily::Modify: return cmd::DigitalModify;
    default: return id;
    }
}

}  // namespace kdx
