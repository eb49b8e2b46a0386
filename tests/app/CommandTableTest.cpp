#include <gtest/gtest.h>

#include <set>

#include "frame/CommandIds.h"
#include "frame/CommandTable.h"
#include "frame/FileCommandText.h"

namespace kdx {
namespace {

FrameState AllViewAllowed() {
    FrameState s;
    s.view.fill(true);
    return s;
}

bool Enabled(int id, const FrameState& s, bool busy = false) {
    const CommandInfo* c = FindCommand(id);
    EXPECT_NE(c, nullptr) << id;
    return c && IsCommandEnabled(*c, s, busy);
}

TEST(CommandTable, EveryIdOnceAndEveryChannelCommandPresent) {
    std::set<int> ids;
    for (const CommandInfo& c : Commands()) {
        EXPECT_TRUE(ids.insert(c.id).second) << "duplicate " << c.id;
        EXPECT_STRNE(c.text, "") << c.id;
        EXPECT_STRNE(c.prompt, "") << c.id;
    }
    for (int ch = 0; ch < 4; ++ch) {
        for (const int* family : {cmd::ChannelClock, cmd::ChannelSerial, cmd::ChannelModify, cmd::ChannelShift,
                                  cmd::ChannelInvert, cmd::ChannelCopy, cmd::ChannelPaste, cmd::ChannelClear}) {
            const CommandInfo* c = FindCommand(family[ch]);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->channel, ch);
        }
    }
    // 11 file/program, 3 edit, 9 analog, 6 digital, 7 zoom, 10 cursor, 9 mark, 32 per channel.
    EXPECT_EQ(Commands().size(), 87u);
    EXPECT_STREQ(FindCommand(cmd::ZoomSetStandard)->prompt, "[ズーム]  現在の拡大を標準拡大に設定");
    EXPECT_STREQ(FindCommand(cmd::ChannelPaste[2])->text, "貼り付け(&P)");
    EXPECT_STREQ(FindCommand(cmd::EditLock)->prompt, "編集の禁止、解禁を設定します");
}

TEST(CommandTable, ToolBarOrderWithSeparators) {
    const std::vector<int> expected = {57600, 57601, 32800, 0, 57643, 0, 32773, 32782, 32783, 32784, 32785,
                                       32786, 32960, 32787, 32793, 0, 32874, 32909, 32916, 32847, 32956, 32957, 0, 32776,
                                       32829, 32805, 32774, 32775, 0, 32771, 0, 57664};
    const auto layout = ToolBarLayout();
    EXPECT_EQ(std::vector<int>(layout.begin(), layout.end()), expected);
}

TEST(CommandTable, WithoutWaveformOnlyNewOpenAboutExitAndOutput) {
    FrameState s = AllViewAllowed();
    s.hasWaveform = false;
    s.dataModified = s.outputSettingsChanged = s.undoAvailable = s.clipboardValid = true;
    s.outputAvailable = true;
    const std::set<int> allowed = {cmd::FileNew, cmd::FileOpen, cmd::AppAbout, cmd::AppExit, cmd::WaveformOutput};
    for (const CommandInfo& c : Commands()) {
        EXPECT_EQ(IsCommandEnabled(c, s, false), allowed.count(c.id) == 1) << c.id;
    }
    s.outputAvailable = false;
    EXPECT_FALSE(IsCommandEnabled(*FindCommand(cmd::WaveformOutput), s, false));
}

TEST(CommandTable, EditLockDisablesEditingAndUndoOnly) {
    FrameState s = AllViewAllowed();
    s.hasWaveform = true;
    s.editAllowed = false;
    s.undoAvailable = s.clipboardValid = s.dataModified = true;
    for (const CommandInfo& c : Commands()) {
        const bool editing = c.rule == EnableRule::Edit || c.rule == EnableRule::Undo || c.rule == EnableRule::Paste;
        if (editing) {
            EXPECT_FALSE(IsCommandEnabled(c, s, false)) << c.id;
        }
        if (c.rule == EnableRule::View) {
            EXPECT_TRUE(IsCommandEnabled(c, s, false)) << c.id;
        }
    }
    EXPECT_TRUE(Enabled(cmd::FileSave, s));
    EXPECT_TRUE(Enabled(cmd::FileSaveAs, s));
    EXPECT_TRUE(Enabled(cmd::EditLock, s));
    EXPECT_FALSE(Enabled(cmd::TotalTimeChange, s));
    EXPECT_FALSE(Enabled(cmd::ChannelInvert[0], s));

    s.editAllowed = true;
    EXPECT_TRUE(Enabled(cmd::EditUndo, s));
    EXPECT_TRUE(Enabled(cmd::TotalTimeChange, s));
    EXPECT_TRUE(Enabled(cmd::ChannelPaste[3], s));
    EXPECT_TRUE(Enabled(cmd::ChannelCopy[1], s));
}

TEST(CommandTable, SaveFollowsSamplesOrOutputSettings) {
    FrameState s;
    s.hasWaveform = true;
    EXPECT_FALSE(Enabled(cmd::FileSave, s));
    s.outputSettingsChanged = true;
    EXPECT_TRUE(Enabled(cmd::FileSave, s));
    s.outputSettingsChanged = false;
    s.dataModified = true;
    EXPECT_TRUE(Enabled(cmd::FileSave, s));
}

TEST(CommandTable, BusyFlagsAndPasteNeedsClipboard) {
    FrameState s = AllViewAllowed();
    s.hasWaveform = true;
    EXPECT_FALSE(Enabled(cmd::ChannelPaste[0], s));
    s.clipboardValid = true;
    EXPECT_TRUE(Enabled(cmd::ChannelPaste[0], s));
    EXPECT_FALSE(Enabled(cmd::ChannelPaste[0], s, true));
    EXPECT_FALSE(Enabled(cmd::FileNew, s, true));
    EXPECT_FALSE(Enabled(cmd::ZoomIn, s, true));
    s.View(ViewOp::ZoomIn) = false;
    EXPECT_FALSE(Enabled(cmd::ZoomIn, s));
    EXPECT_TRUE(Enabled(cmd::ZoomOut, s));
}

TEST(FileCommandText, SavePromptComposition) {
    EXPECT_EQ(ComposeSavePrompt(false, true, "a.kdx", false), "");
    EXPECT_EQ(ComposeSavePrompt(true, false, "無題", false),
              "無題 の内容は変更されています。\n\n変更を保存しますか？");
    EXPECT_EQ(ComposeSavePrompt(true, true, "a.kdx", true),
              "ファイル a.kdx の内容は変更されています。\n\n出力設定が変更されています。\n\n変更を保存しますか？");
    EXPECT_EQ(ComposeSavePrompt(false, true, "a.kdx", true), "出力設定が変更されています。\n\n変更を保存しますか？");
}

TEST(FileCommandText, NamesTagsAndExtensions) {
    EXPECT_EQ(FileNameOf("/home/u/波形.kdx"), "波形.kdx");
    EXPECT_EQ(FileNameOf("C:\\data\\x.KDX"), "x.KDX");
    EXPECT_EQ(FileNameOf("plain"), "plain");
    EXPECT_EQ(CaptionText(true, "[A] ", "無題"), "[A] 無題 - KDX");
    EXPECT_EQ(CaptionText(false, "", "無題"), "KDX");
    EXPECT_EQ(DocumentTagOf("0123456789abcdefXYZ"), "0123456789abcdef");
    EXPECT_EQ(DocumentTagOf("short"), "short");
    EXPECT_TRUE(HasKdxExtension("X.KDX"));
    EXPECT_TRUE(HasKdxExtension("/a/b.kDx"));
    EXPECT_FALSE(HasKdxExtension("x.txt"));
    EXPECT_FALSE(HasKdxExtension("dx"));
}

}  // namespace
}  // namespace kdx
