#include <gtest/gtest.h>

#include <random>

#include "ui/ViewModel.h"

namespace kdx {
namespace {

using namespace viewcmd;

// A model over a reference-sized client (933 plot columns, q = 116).
ViewModel MakeModel(uint32_t count) {
    ViewModel m;
    m.SetClientSize(ReferenceClientWidth, ReferenceClientHeight);
    m.SetDocument(true, count, 20);
    m.ResetView();
    return m;
}

TEST(ZoomTable, HalvesDownToAnEighthOfTheColumns) {
    ZoomState z;
    BuildZoomTable(z, 262144, 1500);
    EXPECT_TRUE(z.zoomEnabled);
    EXPECT_EQ(z.maxZoomIndex, 11);
    EXPECT_EQ(z.standardZoomIndex, 5);
    EXPECT_EQ(z.zoomTable[5], 8192u);
    EXPECT_EQ(z.zoomTable[11], 128u);
    EXPECT_EQ(z.zoomIndex, 0);
    BuildZoomTable(z, 187, 1500);  // at most n / 8 samples: no zoom
    EXPECT_FALSE(z.zoomEnabled);
    EXPECT_EQ(z.maxZoomIndex, 0);
    BuildZoomTable(z, 1000, 3);  // a plot narrower than 8 columns never halves to nothing
    EXPECT_GE(z.zoomTable[z.maxZoomIndex], 1u);
}

TEST(Zoom, SmallWaveformDisablesEveryZoomCommand) {
    ViewModel m = MakeModel(100);
    for (int id : ZoomCommands) EXPECT_FALSE(m.IsCommandEnabled(id)) << id;
    EXPECT_EQ(m.ToggleZoom(), ViewUpdate::None);
    EXPECT_EQ(m.Displayed(), 100u);
}

TEST(Zoom, InAndOutStopAtTheEndsOfTheTable) {
    ViewModel m = MakeModel(262144);
    EXPECT_FALSE(m.IsCommandEnabled(ZoomOut));
    EXPECT_FALSE(m.IsCommandEnabled(WholeView));
    EXPECT_EQ(m.RunZoomCommand(ZoomOut), ViewUpdate::None);
    EXPECT_EQ(m.RunZoomCommand(MaximumZoom), ViewUpdate::Full);
    EXPECT_EQ(m.Zoom().zoomIndex, m.Zoom().maxZoomIndex);
    EXPECT_FALSE(m.IsCommandEnabled(ZoomIn));
    EXPECT_EQ(m.RunZoomCommand(ZoomIn), ViewUpdate::None);
    EXPECT_EQ(m.Zoom().zoomIndex, m.Zoom().maxZoomIndex);
    EXPECT_LE(m.Displayed(), 933u / 8);
}

TEST(Zoom, CursorNearTheEndKeepsTheWindowFlushWithTheLastSample) {
    ViewModel m = MakeModel(262144);
    m.MoveCursor(262140);
    m.RunZoomCommand(StandardZoom);
    EXPECT_EQ(m.FirstVisible() + m.Displayed(), 262144u);
    m.RunZoomCommand(ZoomIn);
    EXPECT_EQ(m.FirstVisible() + m.Displayed(), 262144u);
    m.MoveCursor(3);
    m.RunZoomCommand(ZoomOut);
    EXPECT_EQ(m.FirstVisible(), 0u);
}

TEST(Zoom, StandardLevelStaysStrictlyInsideUnlessRestored) {
    ViewModel m = MakeModel(262144);
    EXPECT_FALSE(m.IsCommandEnabled(SetStandardZoom));  // level 0
    m.RunZoomCommand(MaximumZoom);
    EXPECT_FALSE(m.IsCommandEnabled(SetStandardZoom));  // deepest level
    m.RunZoomCommand(ZoomOut);
    ASSERT_TRUE(m.IsCommandEnabled(SetStandardZoom));
    m.RunZoomCommand(SetStandardZoom);
    EXPECT_EQ(m.Zoom().standardZoomIndex, m.Zoom().maxZoomIndex - 1);
    EXPECT_TRUE(m.IsCommandEnabled(RestoreStandardZoom));
    m.RunZoomCommand(RestoreStandardZoom);
    EXPECT_EQ(m.Zoom().standardZoomIndex, m.Zoom().maxZoomIndex / 2);
    EXPECT_FALSE(m.IsCommandEnabled(RestoreStandardZoom));
}

TEST(Cursor, ButtonsClampAtBothEnds) {
    ViewModel m = MakeModel(1000);
    EXPECT_FALSE(m.IsCommandEnabled(CursorLeft));
    EXPECT_FALSE(m.IsCommandEnabled(CursorHalfLeft));
    m.MoveCursor(m.CursorCommandTarget(CursorHalfRight));
    EXPECT_EQ(m.Cursor(), 500u);
    m.MoveCursor(m.CursorCommandTarget(CursorHalfRight));
    EXPECT_EQ(m.Cursor(), 1000u);  // the position after the last sample
    EXPECT_FALSE(m.IsCommandEnabled(CursorRight));
    EXPECT_FALSE(m.IsCommandEnabled(CursorHalfRight));
    m.MoveCursor(m.CursorCommandTarget(CursorLeft));
    EXPECT_EQ(m.Cursor(), 999u);
    m.MoveCursor(200);
    m.MoveCursor(m.CursorCommandTarget(CursorHalfLeft));
    EXPECT_EQ(m.Cursor(), 0u);
}

TEST(Cursor, MoveWithinTheWindowIsIncrementalOutsideItRecentres) {
    ViewModel m = MakeModel(262144);
    EXPECT_EQ(m.MoveCursor(1000), ViewUpdate::Incremental);
    m.RunZoomCommand(MaximumZoom);  // 128 samples around the cursor
    EXPECT_EQ(m.MoveCursor(100000), ViewUpdate::Full);
    EXPECT_EQ(m.FirstVisible(), 100000u - m.Displayed() / 2);
    EXPECT_EQ(m.PreviousCursor(), 1000u);
}

TEST(EditRing, StepsBackAndForthThroughEditPositions) {
    ViewModel m = MakeModel(262144);
    m.OnEditApplied(100, 200);
    EXPECT_EQ(m.Cursor(), 200u);
    EXPECT_FALSE(m.IsCommandEnabled(CursorForward));
    ASSERT_TRUE(m.IsCommandEnabled(CursorBack));
    m.MoveCursor(m.CursorCommandTarget(CursorBack), true);
    EXPECT_EQ(m.Cursor(), 100u);
    EXPECT_FALSE(m.IsCommandEnabled(CursorBack));
    ASSERT_TRUE(m.IsCommandEnabled(CursorForward));
    m.MoveCursor(m.CursorCommandTarget(CursorForward), true);
    EXPECT_EQ(m.Cursor(), 200u);
    // An edit continuing at 200 records only its end.
    m.OnEditApplied(200, 300);
    m.MoveCursor(m.CursorCommandTarget(CursorBack), true);
    EXPECT_EQ(m.Cursor(), 200u);
    m.MoveCursor(m.CursorCommandTarget(CursorBack), true);
    EXPECT_EQ(m.Cursor(), 100u);
}

TEST(EditRing, OldestEntriesAreOverwrittenAndSteppingBackStopsAtTheOldestSurvivor) {
    EditPositionRing ring;
    ring.Reset();
    for (uint32_t i = 0; i < 100; ++i) ring.Record(i * 10, i * 10 + 5);  // 200 positions
    EXPECT_EQ(ring.Newest(), 995u);
    uint32_t last = 0;
    int steps = 0;
    while (ring.CanGoBack()) {
        last = ring.StepBack();
        ++steps;
        ASSERT_LT(steps, 200);
    }
    EXPECT_EQ(steps, EditRingSize - 2);  // 127 entries survive
    EXPECT_EQ(last, 365u);               // position 73 of 200
    EXPECT_EQ(ring.StepBack(), 365u);    // stays on the oldest
}

TEST(EditRing, DraggingEndsBrowsingUntilTheNextEdit) {
    ViewModel m = MakeModel(262144);
    m.OnEditApplied(100, 200);
    EXPECT_TRUE(m.IsCommandEnabled(CursorBack));
    m.EndBrowsing();
    m.DragTick(m.Layout().PlotLeft() + 10);
    EXPECT_FALSE(m.IsCommandEnabled(CursorBack));
    EXPECT_FALSE(m.IsCommandEnabled(CursorForward));
    // Going to the last edit re-arms stepping.
    ASSERT_TRUE(m.IsCommandEnabled(CursorToLastEdit));
    m.MoveCursor(m.CursorCommandTarget(CursorToLastEdit), true);
    EXPECT_EQ(m.Cursor(), 200u);
    EXPECT_TRUE(m.IsCommandEnabled(CursorBack));
    EXPECT_FALSE(m.IsCommandEnabled(CursorToLastEdit));
}

TEST(EditRing, UndoRemovesTheUndoneEditAndReturnsItsStart) {
    ViewModel m = MakeModel(262144);
    m.OnEditApplied(100, 200);
    m.OnEditApplied(500, 600);
    m.AfterUndo();
    EXPECT_EQ(m.Cursor(), 500u);
    EXPECT_EQ(m.Ring().NewestEntry(), 200u);
    m.OnEditApplied(200, 300);  // continues: only 300 recorded
    m.AfterUndo();
    EXPECT_EQ(m.Cursor(), 200u);
    EXPECT_EQ(m.Ring().NewestEntry(), 200u);
    EXPECT_TRUE(m.IsCommandEnabled(CursorBack));

    ViewModel f = MakeModel(262144);
    f.OnEditApplied(10, 50);
    f.AfterUndo();  // a fresh pair: both entries go, the ring is empty
    EXPECT_EQ(f.Cursor(), 10u);
    EXPECT_TRUE(f.Ring().IsEmpty());
    EXPECT_FALSE(f.IsCommandEnabled(CursorToLastEdit));
    f.AfterUndo();
    EXPECT_EQ(f.Cursor(), 0u);
}

TEST(EditApplied, EndIsClampedAndTheViewZoomsOutUntilTheEndShows) {
    ViewModel m = MakeModel(262144);
    m.RunZoomCommand(MaximumZoom);
    const int deepest = m.Zoom().zoomIndex;
    EXPECT_EQ(m.OnEditApplied(1000, 1500), ViewUpdate::Full);
    EXPECT_TRUE(m.IsCursorVisible());
    EXPECT_LT(m.Zoom().zoomIndex, deepest);
    EXPECT_EQ(m.FirstVisible(), 1000u);
    // An edit reaching past the data ends at the count; the window never
    // reaches past the last sample.
    m.RunZoomCommand(MaximumZoom);
    m.OnEditApplied(262100, 999999);
    EXPECT_EQ(m.Cursor(), 262144u);
    EXPECT_LE(m.FirstVisible() + m.Displayed(), 262144u);
    EXPECT_TRUE(m.IsCursorVisible());
}

TEST(TimeMark, DeleteNeedsTheMarkInViewAndSettingOutsideShowsTheWhole) {
    ViewModel m = MakeModel(262144);
    EXPECT_TRUE(m.IsCommandEnabled(MarkAtCursor));
    EXPECT_FALSE(m.IsCommandEnabled(MarkDelete));
    EXPECT_EQ(m.SetTimeMark(m.MarkCommandTarget(MarkAtCursor)), ViewUpdate::Incremental);
    EXPECT_FALSE(m.IsCommandEnabled(MarkAtCursor));
    EXPECT_TRUE(m.IsCommandEnabled(MarkDelete));
    EXPECT_FALSE(m.IsCommandEnabled(MarkToCursor));  // already at the cursor
    m.MoveCursor(200000);
    m.RunZoomCommand(MaximumZoom);
    EXPECT_FALSE(m.IsTimeMarkVisible());
    EXPECT_FALSE(m.IsCommandEnabled(MarkDelete));
    EXPECT_TRUE(m.IsCommandEnabled(CursorToMark));
    EXPECT_EQ(m.ClearTimeMark(), ViewUpdate::None);
    EXPECT_EQ(m.SetTimeMark(5), ViewUpdate::Full);
    EXPECT_EQ(m.Zoom().zoomIndex, 0);
    EXPECT_TRUE(m.IsTimeMarkVisible());
}

TEST(Drag, AutoScrollStepsBy25PixelsAndStopsAtTheLastFullWindow) {
    ViewModel m = MakeModel(262144);
    m.MoveCursor(100000);
    m.RunZoomCommand(StandardZoom);
    const uint32_t w = m.Displayed();
    const uint32_t g = m.DragScrollStep();
    EXPECT_EQ(g, static_cast<uint32_t>(w / double(m.Layout().PlotRight() - m.Layout().PlotLeft()) * 25));
    const int beyond = m.Layout().PlotRight() + 30;
    uint32_t first = m.FirstVisible();
    EXPECT_EQ(m.DragTick(beyond), ViewUpdate::Full);
    EXPECT_EQ(m.FirstVisible(), first + g);
    for (int i = 0; i < 100000 && m.DragTick(beyond) != ViewUpdate::None; ++i) {
    }
    EXPECT_EQ(m.FirstVisible(), 262144u - w);
    EXPECT_EQ(m.Cursor(), 262144u);
    EXPECT_EQ(m.DragTick(beyond), ViewUpdate::None);
    // And back to the start on the left.
    for (int i = 0; i < 100000 && m.DragTick(0) != ViewUpdate::None; ++i) {
    }
    EXPECT_EQ(m.FirstVisible(), 0u);
    EXPECT_EQ(m.Cursor(), 0u);
}

TEST(Scroll, WindowStaysWithinTheDataAndTheCursorStays) {
    EXPECT_FALSE(MakeModel(262144).ScrollBar().visible);  // the whole waveform
    ViewModel m = MakeModel(262144);
    m.MoveCursor(100000);
    m.RunZoomCommand(StandardZoom);
    const int last = m.ScrollBar().maximum;
    EXPECT_EQ(last, int(262144 - m.Displayed()));
    EXPECT_EQ(m.ScrollTo(300000), ViewUpdate::Full);
    EXPECT_EQ(m.ScrollBar().value, last);
    EXPECT_EQ(m.ScrollTo(300000), ViewUpdate::None);
    EXPECT_EQ(m.ScrollTo(-5), ViewUpdate::Full);
    EXPECT_EQ(m.FirstVisible(), 0u);
    EXPECT_EQ(m.Cursor(), 100000u);
}

TEST(Wheel, PartialTurnsAddUpToANotchAndStopAtABound) {
    ViewModel m = MakeModel(262144);
    m.RunZoomCommand(StandardZoom);
    const uint32_t step = m.ScrollStep();
    // A touchpad's eighth parts of a notch move as far as one notch does.
    for (int i = 0; i < 8; ++i) m.WheelScroll(-15);
    EXPECT_EQ(m.FirstVisible(), step);
    EXPECT_EQ(m.WheelScroll(WheelNotch), ViewUpdate::Full);
    EXPECT_EQ(m.FirstVisible(), 0u);
    // Turns against the start are dropped, not saved up for the way back.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(m.WheelScroll(WheelNotch), ViewUpdate::None);
    m.WheelScroll(-WheelNotch);
    EXPECT_EQ(m.FirstVisible(), step);
    // Zoom levels likewise, one per notch, and none past the table's ends.
    const int level = m.Zoom().zoomIndex;
    EXPECT_EQ(m.WheelZoom(60, 500), ViewUpdate::None);
    EXPECT_EQ(m.WheelZoom(60, 500), ViewUpdate::Full);
    EXPECT_EQ(m.Zoom().zoomIndex, level + 1);
    EXPECT_EQ(m.ZoomAt(100, 500), ViewUpdate::Full);
    EXPECT_EQ(m.Zoom().zoomIndex, m.Zoom().maxZoomIndex);
    EXPECT_EQ(m.WheelZoom(WheelNotch, 500), ViewUpdate::None);
    EXPECT_EQ(MakeModel(100).ZoomAt(1, 500), ViewUpdate::None);
}

TEST(Keys, StayWithinTheDataAndShiftMovesAtLeastOneSample) {
    ViewModel m = MakeModel(262144);
    m.RunZoomCommand(StandardZoom);
    const uint32_t w = m.Displayed();
    EXPECT_EQ(m.KeyAction(ViewKey::Left, true).position, 0u);
    EXPECT_EQ(m.KeyAction(ViewKey::PageUp, false).position, 0u);
    m.MoveCursor(262144);
    EXPECT_EQ(m.KeyAction(ViewKey::Right, true).position, 262144u);
    EXPECT_EQ(m.KeyAction(ViewKey::PageDown, false).position, 262144u - w);
    // Zoomed in beyond a sample a column, Shift still moves one sample.
    m.RunZoomCommand(MaximumZoom);
    EXPECT_EQ(m.KeyAction(ViewKey::Left, true).position, 262143u);
    EXPECT_EQ(MakeModel(0).KeyAction(ViewKey::Home, false).kind, ViewKeyAction::None);
}

TEST(ViewBlock, RoundTripsAndResetBlockDescribesAFreshView) {
    ViewModel m = MakeModel(262144);
    m.OnEditApplied(100, 200);
    m.SetTimeMark(50);
    m.RunZoomCommand(ZoomIn);
    const ViewBlock b = m.CaptureViewBlock();
    ViewModel other = MakeModel(262144);
    other.RestoreViewState(b);
    EXPECT_EQ(other.CaptureViewBlock(), b);
    EXPECT_EQ(other.PreviousCursor(), other.Cursor());

    const ViewBlock fresh = ResetViewBlock(262144);
    EXPECT_TRUE(fresh.zoomEnabled);
    EXPECT_EQ(fresh.zoomTable[0], 262144u);
    EXPECT_EQ(fresh.maxZoomIndex, 12);  // 933 columns: down to 64 samples
    EXPECT_EQ(fresh.standardZoomIndex, 6);
    EXPECT_TRUE(fresh.ringEmpty);
    EXPECT_EQ(fresh.cursorX, 62);
}

TEST(ViewBlock, InconsistentStoredValuesAreClampedToTheDocument) {
    ViewBlock b = ResetViewBlock(262144);
    b.zoomIndex = 40;
    b.maxZoomIndex = 77;
    b.standardZoomIndex = -3;
    b.cursorSample = 999999;
    b.timeMarkSet = true;
    b.timeMarkSample = 400000;
    b.firstVisibleSample = 262000;
    b.ringHead = -5;
    b.ringWrite = 1000;
    b.ringEmpty = false;
    b.ring[0] = 123456789;
    ViewModel m = MakeModel(1000);
    m.RestoreViewState(b);
    // Table entries larger than the count cannot be shown: a fresh table.
    EXPECT_EQ(m.Zoom().zoomTable[0], 1000u);
    EXPECT_EQ(m.Zoom().zoomIndex, 0);
    EXPECT_LE(m.FirstVisible() + m.Displayed(), 1000u);
    EXPECT_EQ(m.Cursor(), 1000u);
    EXPECT_EQ(m.TimeMark(), 1000u);
    m.IsCommandEnabled(CursorToLastEdit);
    EXPECT_LE(m.CursorCommandTarget(CursorBack), 1000u);

    ViewBlock zero = ResetViewBlock(262144);
    zero.zoomTable[3] = 0;
    zero.zoomIndex = 3;
    ViewModel z = MakeModel(262144);
    z.RestoreViewState(zero);
    EXPECT_GE(z.Displayed(), 1u);
    EXPECT_NE(z.Zoom().zoomTable[3], 0u);

    ViewBlock pastEnd = ResetViewBlock(262144);
    pastEnd.zoomIndex = 5;
    pastEnd.firstVisibleSample = 262000;
    ViewModel p = MakeModel(262144);
    p.RestoreViewState(pastEnd);
    EXPECT_EQ(p.Zoom().zoomIndex, 5);  // a usable table is taken as stored
    EXPECT_EQ(p.FirstVisible(), 262144u - p.Displayed());
}

TEST(Resize, KeepsZoomWindowCursorAndMark) {
    ViewModel m = MakeModel(262144);
    m.RunZoomCommand(StandardZoom);
    m.MoveCursor(5000);
    m.SetTimeMark(4000);
    const ViewBlock before = m.CaptureViewBlock();
    m.SetClientSize(1600, 900);
    EXPECT_EQ(m.Layout().Columns(), 1463);
    const ViewBlock after = m.CaptureViewBlock();
    EXPECT_EQ(after.zoomTable, before.zoomTable);
    EXPECT_EQ(after.zoomIndex, before.zoomIndex);
    EXPECT_EQ(after.firstVisibleSample, before.firstVisibleSample);
    EXPECT_EQ(after.cursorSample, 5000u);
    EXPECT_EQ(after.timeMarkSample, 4000u);
}

TEST(HitTest, FollowsTheContextMenuOrder) {
    ViewModel m = MakeModel(1000);
    const ViewLayout& l = m.Layout();
    EXPECT_EQ(m.HitTest(500, 200).hit, ViewHit::AnalogPlot);
    EXPECT_EQ(m.HitTest(m.CursorX(), l.cursorStrip.top + 2).hit, ViewHit::CursorMarker);
    EXPECT_EQ(m.HitTest(500, 5).hit, ViewHit::TimeAxis);
    EXPECT_EQ(m.HitTest(500, 20).hit, ViewHit::TimeAxis);
    const ViewHitResult lane = m.HitTest(500, l.lanePlot[2].top + 3);
    EXPECT_EQ(lane.hit, ViewHit::Lane);
    EXPECT_EQ(lane.channel, 2);
    EXPECT_EQ(m.HitTest(500, l.markStrip.top + 2).hit, ViewHit::None);  // no mark yet
    m.SetTimeMark(500);
    m.NoteTimeMarkDrawn(SampleToX(m.Window(), 500));
    EXPECT_EQ(m.HitTest(m.TimeMarkX(), l.markStrip.top + 2).hit, ViewHit::MarkMarker);
    ViewModel empty;
    EXPECT_EQ(empty.HitTest(500, 200).hit, ViewHit::None);
}

}  // namespace
}  // namespace kdx

namespace kdx {
namespace {

// View blocks read from damaged files: whatever they hold, every operation
// keeps the window inside the data and the positions within the count.
TEST(ViewBlock, ArbitraryStoredBlocksNeverLeaveTheData) {
    std::mt19937 random(7);
    auto any = [&random] { return static_cast<uint32_t>(random()); };
    for (int round = 0; round < 300; ++round) {
        ViewBlock b;
        b.cursorSample = any() % 400000;
        b.firstVisibleSample = any() % 400000;
        b.cursorX = static_cast<int32_t>(any());
        b.timeMarkSet = any() & 1;
        b.timeMarkSample = any() % 400000;
        for (auto& e : b.ring) e = any() % 400000;
        b.ringHead = static_cast<int32_t>(any());
        b.ringWrite = static_cast<int32_t>(any());
        b.ringBrowse = static_cast<int32_t>(any());
        b.ringEmpty = any() & 1;
        b.ringCanGoBack = any() & 1;
        b.ringCanGoForward = any() & 1;
        b.ringBrowsing = any() & 1;
        b.zoomEnabled = any() & 1;
        for (auto& e : b.zoomTable) e = any() % 3 == 0 ? 0 : any() % 300000;
        b.standardZoomIndex = static_cast<int32_t>(any() % 64) - 16;
        b.maxZoomIndex = static_cast<int32_t>(any() % 64) - 16;
        b.zoomIndex = static_cast<int32_t>(any() % 64) - 16;
        const uint32_t count = 1 + any() % 262144;
        ViewModel m = MakeModel(count);
        m.RestoreViewState(b);
        auto check = [&] {
            ASSERT_GE(m.Displayed(), 1u);
            ASSERT_LE(uint64_t{m.FirstVisible()} + m.Displayed(), count);
            ASSERT_LE(m.Cursor(), count);
            ASSERT_LE(m.TimeMark(), count);
        };
        check();
        for (int step = 0; step < 40; ++step) {
            const int id = step % 3 == 0 ? ZoomCommands[any() % ZoomCommands.size()]
                                         : CursorCommands[any() % CursorCommands.size()];
            if (!m.IsCommandEnabled(id)) continue;
            if (step % 3 == 0) m.RunZoomCommand(id);
            else if (id != CursorToGiven) m.MoveCursor(m.CursorCommandTarget(id), true);
            if (step % 7 == 0) m.DragTick(static_cast<int>(any() % 1200) - 100);
            if (step % 11 == 0) m.AfterUndo();
            check();
        }
    }
}

}  // namespace
}  // namespace kdx
