// The digital dialogs' forms and runners: checks, linked rows, adjustments
// with their messages, what create builds and apply writes, and undo.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DigitalTestSupport.h"
#include "digital/DigitalRunners.h"
#include "document/WaveformFile.h"

using namespace kdx;
using kdx::test::RecordingPrompts;
using kdx::test::Samples;
using kdx::test::SetupOf;
using Bytes = std::vector<uint8_t>;

namespace {

// A dialog that types the given texts (unit nS), creates and replaces.
template <class Form>
FormDialog<Form> Typing(std::vector<std::pair<int, std::string>> texts, RecordingPrompts& prompts,
                        std::function<void(Form&)> more = {}) {
    return [texts, &prompts, more](Form& form) {
        for (const auto& [id, text] : texts) {
            if (form.Field(id).unit == TimeUnitNone && id != Form::EditStart) form.SetUnit(id, TimeUnitNs);
            form.SetText(id, text);
        }
        if (more) more(form);
        return form.Create(prompts) && form.Apply(DigitalOperation::Replace, prompts);
    };
}

}  // namespace

TEST(DigitalClock, FieldsLevelsAndUnits) {
    CKDXDoc doc;
    doc.NewWaveform(20, 100);  // 2000 ns
    DigitalClockForm f(SetupOf(doc), DigitalClockParams{}, RememberedChannel);
    EXPECT_FALSE(f.CreateEnabled());  // both times 0
    f.SetUnit(DigitalClockForm::Time1, TimeUnitUs);
    EXPECT_EQ(f.Field(DigitalClockForm::Time2).unit, TimeUnitUs);  // the other time had none
    f.SetLevel(1, 1);
    EXPECT_EQ(f.Level(0), 0);
    f.SetLevel(0, 1);
    EXPECT_EQ(f.Level(1), 0);

    const struct {
        const char *t1, *t2, *repeat;
        bool create, t1Marker, repeatMarker;
    } cases[] = {
        {"0.02", "0.02", "1", true, false, false},
        {"0.02", "0.02", "0", false, false, true},  // repeat 0
        {"0.02", "0.02", "x", false, false, true},  // unreadable repeat counts as 1
        {"3", "0", "1", false, true, false},        // beyond the total time
        {"-0.02", "0.04", "1", false, true, false},
        {"0.01", "0", "1", false, false, false},       // period below the sampling time
        {"1", "1", "4000000000", true, false, false},  // a huge repeat is cut to the total, not overflowed
    };
    for (const auto& c : cases) {
        f.SetText(DigitalClockForm::Time1, c.t1);
        f.SetText(DigitalClockForm::Time2, c.t2);
        f.SetText(DigitalClockForm::Repeat, c.repeat);
        EXPECT_EQ(f.CreateEnabled(), c.create) << c.t1 << " " << c.t2 << " " << c.repeat;
        EXPECT_EQ(f.Field(DigitalClockForm::Time1).marker, c.t1Marker) << c.t1;
        EXPECT_EQ(f.Field(DigitalClockForm::Repeat).marker, c.repeatMarker) << c.repeat;
    }
    EXPECT_EQ(f.PeriodNs(), 2000);
    EXPECT_EQ(f.EndTimeText(), "2 uS");
}

TEST(DigitalClock, CreateRoundsTheTimesAndCutsThePeriod) {
    CKDXDoc doc;
    doc.NewWaveform(20, 10);  // 200 ns
    RecordingPrompts prompts;
    DigitalClockForm f(SetupOf(doc), DigitalClockParams{}, 2);
    EXPECT_EQ(f.ChannelIndex(), 2);
    f.SetUnit(DigitalClockForm::Time1, TimeUnitNs);
    f.SetText(DigitalClockForm::Time1, "30");
    f.SetText(DigitalClockForm::Time2, "50");
    f.SetText(DigitalClockForm::Repeat, "3");
    ASSERT_TRUE(f.Create(prompts));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0],
              "サンプリング時間の整数倍にするため、[レベル 1：時間] [レベル 0：時間] を調節します。\n"
              "\n30 nS　→　20 nS\n50 nS　→　40 nS");
    EXPECT_EQ(f.Field(DigitalClockForm::Time1).text, "20");
    // 3 x 60 ns fits in 200 ns; 4 pairs would be cut inside the last phase.
    EXPECT_EQ(Samples(f.Lane(0), f.LaneCount()), (Bytes{1, 0, 0, 1, 0, 0, 1, 0, 0}));
    f.SetText(DigitalClockForm::Repeat, "4");
    EXPECT_FALSE(f.PreviewDrawn());  // a change empties the preview
    ASSERT_TRUE(f.Create(prompts));
    EXPECT_EQ(Samples(f.Lane(0), f.LaneCount()), (Bytes{1, 0, 0, 1, 0, 0, 1, 0, 0, 1}));

    // Both times rounding to 0: invalid.
    f.SetText(DigitalClockForm::Time1, "10");
    f.SetText(DigitalClockForm::Time2, "15");
    prompts.messages.clear();
    EXPECT_FALSE(f.Create(prompts));
    EXPECT_EQ(prompts.messages.back(), MsgInvalidParameters);
    EXPECT_FALSE(f.ApplyEnabled());
}

TEST(DigitalRunners, ClockAppliesAtTheEditStartAndUndoRestoresAllChannels) {
    CKDXDoc doc;
    doc.NewWaveform(20, 10);
    doc.DigitalChannel(1)[9] = 1;
    const Bytes before = Samples(doc.DigitalChannel(2), 10);
    RecordingPrompts prompts;
    prompts.answers = {false, true};  // the first apply asks about the edit start and is cancelled
    const auto range = RunDigitalClockDialog(doc, 3, 2, prompts, [&](DigitalClockForm& f) {
        f.SetUnit(DigitalClockForm::Time1, TimeUnitNs);
        f.SetText(DigitalClockForm::EditStart, "70");
        f.SetText(DigitalClockForm::Time1, "40");
        f.SetText(DigitalClockForm::Time2, "20");
        f.SetText(DigitalClockForm::Repeat, "5");
        return f.Create(prompts) && !f.Apply(DigitalOperation::Xor, prompts) && f.Apply(DigitalOperation::Xor, prompts);
    });
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 3u);
    EXPECT_EQ(range->end, 3u + 10u);  // the period, cut at the total time
    EXPECT_EQ(Samples(doc.DigitalChannel(2), 10), (Bytes{0, 0, 0, 1, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(doc.Memories().digitalClockParams.channel, 2);  // the preset channel is remembered
    EXPECT_EQ(doc.Memories().digitalClockParams.repeatCount, 5);
    doc.DigitalChannel(1)[9] = 0;  // as if the dialog had written it too
    ASSERT_TRUE(doc.Undo().done);
    EXPECT_EQ(doc.GetUndoKind(), UndoKindAllDigital);
    EXPECT_EQ(Samples(doc.DigitalChannel(2), 10), before);
    EXPECT_EQ(doc.DigitalChannel(1)[9], 1);

    // Cancel changes nothing, memory included.
    EXPECT_FALSE(RunDigitalClockDialog(doc, 0, RememberedChannel, prompts, [](DigitalClockForm& f) {
        f.SetChannel(0);
        return false;
    }));
    EXPECT_EQ(doc.Memories().digitalClockParams.channel, 2);
}

TEST(DigitalSerial, DirectTextAndBitTime) {
    CKDXDoc doc;
    doc.NewWaveform(20, 25);
    RecordingPrompts prompts;
    DigitalSerialForm f(SetupOf(doc), DigitalSerialParams{}, "", RememberedChannel);
    f.SetUnit(DigitalSerialForm::Interval, TimeUnitNs);
    f.SetText(DigitalSerialForm::Interval, "60");
    const struct {
        const char* text;
        bool valid;
        uint64_t count;
    } cases[] = {{"10 1", true, 3}, {"102", false, 0}, {"", false, 0}, {"   ", false, 0}, {"1\t0", false, 0}};
    for (const auto& c : cases) {
        f.SetText(DigitalSerialForm::Text, c.text);
        EXPECT_EQ(f.Field(DigitalSerialForm::Text).marker, !c.valid) << c.text;
        EXPECT_EQ(f.ValueCount(), c.count) << c.text;
        EXPECT_EQ(f.CreateEnabled(), c.valid) << c.text;
    }
    // 10 bits of 3 samples in 25: 8 whole bits, bit 8 fills the last sample.
    f.SetText(DigitalSerialForm::Text, "1011 0010 11");
    f.SetText(DigitalSerialForm::Interval, "70");
    ASSERT_TRUE(f.Create(prompts));
    EXPECT_EQ(prompts.messages.at(0),
              "サンプリング時間の整数倍にするため、[インターバル時間] を調節します。\n\n70 nS　→　60 nS");
    EXPECT_EQ(f.PeriodNs(), 500);
    EXPECT_EQ(Samples(f.Lane(0), f.LaneCount()),
              (Bytes{1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 1}));
    // File mode: no file loaded yet, no bits; the text is disabled and unmarked.
    f.SetSource(DigitalSource::File);
    EXPECT_FALSE(f.Field(DigitalSerialForm::Text).enabled);
    EXPECT_FALSE(f.CreateEnabled());
    EXPECT_TRUE(f.BrowseEnabled());
}

TEST(DigitalSerial, RejectedFileKeepsTheLoadedBits) {
    CKDXDoc doc;
    doc.NewWaveform(20, 8);
    RecordingPrompts prompts;
    const auto dir = std::filesystem::temp_directory_path() / ("kdx-serial-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    };
    DigitalSerialParams m;
    m.source = 1;
    DigitalSerialForm f(SetupOf(doc), m, "", 1);
    f.SetUnit(DigitalSerialForm::Interval, TimeUnitNs);
    f.SetText(DigitalSerialForm::Interval, "40");
    ASSERT_TRUE(f.LoadFile(write("good.txt", "1,0;1\r\n0"), prompts));
    EXPECT_EQ(f.FileValueCount(), 4u);
    EXPECT_FALSE(f.LoadFile(write("bad.txt", "0 0 2"), prompts));
    EXPECT_EQ(prompts.messages.back(), MsgInvalidData);
    EXPECT_FALSE(f.LoadFile((dir / "missing.txt").string(), prompts));
    EXPECT_EQ(prompts.messages.back(), MsgFileOpenError);
    EXPECT_EQ(f.FileValueCount(), 4u);
    ASSERT_TRUE(f.Create(prompts));
    EXPECT_EQ(Samples(f.Lane(0), 8), (Bytes{1, 1, 0, 0, 1, 1, 0, 0}));  // not 0 0 ... from the rejected file
    std::filesystem::remove_all(dir);
}

TEST(DigitalParallel, HexWordsInBothOrders) {
    CKDXDoc doc;
    doc.NewWaveform(20, 4);
    RecordingPrompts prompts;
    DigitalParallelForm f(SetupOf(doc), DigitalParallelParams{}, "5A");
    f.SetUnit(DigitalParallelForm::Interval, TimeUnitNs);
    f.SetText(DigitalParallelForm::Interval, "40");
    ASSERT_TRUE(f.Create(prompts));
    const Bytes order0[4] = {{1, 1, 0, 0}, {0, 0, 1, 1}, {1, 1, 0, 0}, {0, 0, 1, 1}};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(Samples(f.Lane(c), 4), order0[c]) << c;
    f.SetOrder(1);
    EXPECT_FALSE(f.ApplyEnabled());
    ASSERT_TRUE(f.Create(prompts));
    for (int c = 0; c < 4; ++c) EXPECT_EQ(Samples(f.Lane(c), 4), order0[3 - c]) << c;

    // No channel ticked: nothing to write.
    for (int c = 0; c < 4; ++c) f.SetTicked(c, false);
    EXPECT_FALSE(f.ApplyEnabled());
    f.SetTicked(2, true);
    EXPECT_TRUE(f.ApplyEnabled());
    ASSERT_TRUE(f.Apply(DigitalOperation::Replace, prompts));
    EXPECT_EQ(Samples(doc.DigitalChannel(2), 4), order0[1]);
    EXPECT_EQ(Samples(doc.DigitalChannel(0), 4), Bytes(4, 0));

    for (const char* text : {"5 A", "", "G", "5,A"}) {
        f.SetText(DigitalParallelForm::Text, text);
        EXPECT_TRUE(f.Field(DigitalParallelForm::Text).marker) << text;
        EXPECT_FALSE(f.CreateEnabled()) << text;
    }
}

TEST(DigitalParallel, WaveformFileGivesWordsWordTimeAndOrder) {
    const auto dir = std::filesystem::temp_directory_path() / ("kdx-parallel-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    CKDXDoc source;
    source.NewWaveform(40, 12);
    for (int i = 0; i < 12; ++i)
        for (int c = 0; c < 4; ++c) source.DigitalChannel(c)[i] = uint8_t((i >> c) & 1);
    WaveformHeader header;
    DialogMemories params;
    source.CollectForSave(header, params);
    std::string message;
    const std::string path = (dir / "words.KDX").string();  // capitals count as .kdx
    ASSERT_TRUE(WriteWaveformFile(path, header, source.GetSampleArrays(), params, message));

    CKDXDoc doc;
    doc.NewWaveform(40, 10);
    RecordingPrompts prompts;
    DigitalParallelParams m;
    m.bitOrder = 1;
    m.wordTime = 80;
    m.wordTimeUnit = TimeUnitUs;
    DigitalParallelForm f(SetupOf(doc), m, "");
    f.SetSource(DigitalSource::File);
    ASSERT_TRUE(f.LoadFile(path, prompts));
    EXPECT_EQ(f.Field(DigitalParallelForm::Interval).text, "40");
    EXPECT_EQ(f.Field(DigitalParallelForm::Interval).unit, TimeUnitNs);
    EXPECT_EQ(f.Order(), 0);
    EXPECT_EQ(f.FileValueCount(), 12u);
    ASSERT_TRUE(f.Create(prompts));
    ASSERT_TRUE(f.Apply(DigitalOperation::Replace, prompts));
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(Samples(doc.DigitalChannel(c), 10), Samples(source.DigitalChannel(c), 10)) << c;

    // A broken file gives the reader's message and empties the name; "a.kd" is too short to try.
    std::ofstream(dir / "broken.kdx") << "x";
    EXPECT_FALSE(f.LoadFile((dir / "broken.kdx").string(), prompts));
    EXPECT_EQ(prompts.messages.back(), MsgFileFormatError);
    EXPECT_EQ(f.FileName(), "");
    EXPECT_FALSE(f.LoadFile("a.kd", prompts));
    EXPECT_EQ(f.FileValueCount(), 12u);
    std::filesystem::remove_all(dir);
}

TEST(DigitalModify, CopyPastTheEndWritesOnlyWhatWasCopied) {
    CKDXDoc doc;
    doc.NewWaveform(20, 100);
    for (int i = 90; i < 100; ++i) doc.DigitalChannel(1)[i] = 1;
    RecordingPrompts prompts;
    DigitalModifyForm f(SetupOf(doc, 0), DigitalModifyParams{}, DigitalShiftParams{}, 1);
    EXPECT_EQ(f.Field(DigitalModifyForm::CopyStart).text, "0");  // opens at the edit start
    f.SetText(DigitalModifyForm::CopyStart, "1.81");             // uS: off the grid
    f.SetUnit(DigitalModifyForm::CopyPeriod, TimeUnitUs);
    f.SetText(DigitalModifyForm::CopyPeriod, "1.01");
    EXPECT_FALSE(f.ApplyEnabled());
    ASSERT_TRUE(f.CopyButton(prompts));
    EXPECT_EQ(prompts.messages.at(0),
              "サンプリング時間の整数倍にするため、[コピー開始] [コピー期間] を調節します。\n"
              "\n1.81 uS　→　1.8 uS\n1.01 uS　→　1 uS");
    EXPECT_EQ(f.LaneCount(), 10u);  // 10 samples exist from 90 on, of the 50 asked for
    EXPECT_TRUE(f.Locked());
    EXPECT_FALSE(f.Field(DigitalModifyForm::CopyPeriod).enabled);
    EXPECT_EQ(f.CopyStartText(), "1.8 uS");

    // Applied at sample 0 it writes the 10 copied samples, nothing after them.
    for (int i = 10; i < 50; ++i) doc.DigitalChannel(1)[i] = 1;
    ASSERT_TRUE(f.Apply(DigitalOperation::Xor, prompts));
    EXPECT_EQ(Samples(doc.DigitalChannel(1), 10), Bytes(10, 1));
    EXPECT_EQ(Samples(doc.DigitalChannel(1) + 10, 40), Bytes(40, 1));
    EXPECT_EQ(f.AppliedPeriod(), 200);

    // Re-copy unlocks the fields and keeps the copy; out-of-range fields are refused.
    ASSERT_TRUE(f.CopyButton(prompts));
    EXPECT_FALSE(f.Locked());
    EXPECT_TRUE(f.CopyHeld());
    f.SetText(DigitalModifyForm::CopyStart, "2");
    EXPECT_FALSE(f.CopyButton(prompts));
    EXPECT_EQ(prompts.messages.back(), MsgInvalidParameters);
    EXPECT_FALSE(f.CopyHeld());
}

TEST(DigitalModify, DrawingInvertAndShiftChangeOnlyTheWorkingCopy) {
    CKDXDoc doc;
    doc.NewWaveform(20, MaxSampleCount);
    RecordingPrompts prompts;
    DigitalModifyForm f(SetupOf(doc, 0), DigitalModifyParams{}, DigitalShiftParams{}, 0);
    const PixelRect preview{10, 20, 409, 119};
    EXPECT_FALSE(f.Draw(preview, 10, 20, 409, 119));  // nothing held yet
    f.SetUnit(DigitalModifyForm::CopyPeriod, TimeUnitMs);
    f.SetText(DigitalModifyForm::CopyPeriod, "5.24288");  // the whole document
    ASSERT_TRUE(f.CopyButton(prompts));
    const uint32_t n = f.LaneCount();
    ASSERT_EQ(n, MaxSampleCount);
    // Top-left to bottom-right: ones over the first half, zeros over the second;
    // the right edge reaches index n, which must not be written.
    const auto strip = f.Draw(preview, 409, 119, 10, 20);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->first, 10);
    EXPECT_EQ(strip->second, 409);
    const uint8_t* w = f.Lane(DigitalModifyForm::Working);
    EXPECT_EQ(w[0], 1);
    EXPECT_EQ(w[n / 100 * 49], 1);  // the right edge maps just short of the copy's end
    EXPECT_EQ(w[n / 100 * 51], 0);
    EXPECT_EQ(w[n - 1], 0);
    EXPECT_EQ(f.Lane(DigitalModifyForm::Reference)[0], 0);

    f.Invert();
    f.Invert();
    EXPECT_EQ(w[0], 1);
    auto shift = f.BeginShift();
    ASSERT_TRUE(shift);
    shift->SetUnit(DigitalShiftForm::ShiftTime, TimeUnitNs);
    shift->SetText(DigitalShiftForm::ShiftTime, "-30");
    shift->SetMethod(ShiftMethod::Rotate);
    ASSERT_TRUE(shift->Execute(prompts));
    EXPECT_EQ(prompts.messages.back(),
              "サンプリング時間の整数倍にするため、[シフト時間] を調節します。\n\n-30 nS　→　-20 nS");
    EXPECT_EQ(w[0], 1);  // not yet: OK writes the shift's working copy back
    f.EndShift(*shift, true);
    EXPECT_EQ(w[n - 1], 1);  // the first sample rotated to the end
    EXPECT_EQ(f.ShiftParams().shiftTime, -20);
    EXPECT_EQ(f.ShiftParams().method, 2);
}

TEST(DigitalShift, RangeExecutionsAndTheWholeChannelRunner) {
    CKDXDoc doc;
    doc.NewWaveform(20, 8);
    doc.DigitalChannel(3)[0] = doc.DigitalChannel(3)[1] = 1;
    doc.DigitalChannel(2)[0] = 1;
    RecordingPrompts prompts;
    DigitalShiftParams m;
    m.shiftTimeUnit = TimeUnitNs;
    doc.Memories().digitalShiftParams = m;
    EXPECT_TRUE(RunDigitalShiftDialog(doc, 3, prompts, [&](DigitalShiftForm& f) {
        EXPECT_EQ(f.Title(), "ディジタルシフト － CH 3");
        EXPECT_EQ(f.StretchEndText(), "160 nS");
        for (const char* bad : {"0", "10", "180", "-180", "x"}) {
            f.SetText(DigitalShiftForm::ShiftTime, bad);
            EXPECT_FALSE(f.ExecuteEnabled()) << bad;
        }
        f.SetText(DigitalShiftForm::ShiftTime, "20");
        EXPECT_FALSE(f.OkEnabled());
        f.Execute(prompts);
        f.Execute(prompts);  // executions accumulate
        EXPECT_TRUE(f.OkEnabled());
        return true;
    }));
    EXPECT_EQ(Samples(doc.DigitalChannel(3), 8), (Bytes{0, 0, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(doc.Memories().digitalShiftParams.shiftTime, 20);
    EXPECT_EQ(doc.Memories().digitalShiftParams.length, 160);
    doc.DigitalChannel(2)[0] = 0;
    ASSERT_TRUE(doc.Undo().done);
    EXPECT_EQ(doc.GetUndoKind(), 3);  // the one channel
    EXPECT_EQ(doc.DigitalChannel(3)[0], 1);
    EXPECT_EQ(doc.DigitalChannel(2)[0], 0);

    // Cancel after executions leaves the channel as it was.
    EXPECT_FALSE(RunDigitalShiftDialog(doc, 3, prompts, [&](DigitalShiftForm& f) {
        f.Execute(prompts);
        return false;
    }));
    EXPECT_EQ(Samples(doc.DigitalChannel(3), 2), (Bytes{1, 1}));
}

TEST(DigitalSwap, ChannelsAlwaysDifferAndTwoSwapsRestore) {
    CKDXDoc doc;
    doc.NewWaveform(20, 4);
    std::array<uint8_t*, 4> channels{};
    DigitalSwapParams m;
    m.firstChannel = m.secondChannel = 3;
    DigitalSwapForm f(m, channels, 4);
    EXPECT_EQ(f.Second(), 2);
    f.SetFirst(2);
    EXPECT_EQ(f.Second(), 3);
    f.SetSecond(1);
    f.SetFirst(1);
    EXPECT_EQ(f.Second(), 2);
    f.SetSecond(1);
    EXPECT_EQ(f.First(), 2);

    doc.DigitalChannel(0)[1] = 1;
    RecordingPrompts prompts;
    const auto swap01 = [](DigitalSwapForm& s) {
        s.SetFirst(0);
        s.SetSecond(1);
        return true;
    };
    ASSERT_TRUE(RunDigitalSwapDialog(doc, prompts, swap01));
    EXPECT_EQ(Samples(doc.DigitalChannel(1), 4), (Bytes{0, 1, 0, 0}));
    EXPECT_EQ(doc.DigitalChannel(0)[1], 0);
    ASSERT_TRUE(doc.Undo().done);  // undo restores both
    EXPECT_EQ(doc.DigitalChannel(0)[1], 1);
    EXPECT_EQ(doc.DigitalChannel(1)[1], 0);
    ASSERT_TRUE(RunDigitalSwapDialog(doc, prompts, swap01));
    ASSERT_TRUE(RunDigitalSwapDialog(doc, prompts, swap01));
    EXPECT_EQ(doc.DigitalChannel(0)[1], 1);
    EXPECT_EQ(doc.Memories().digitalSwapParams.secondChannel, 1);
}

TEST(DigitalRunners, SerialAndParallelKeepTheirTexts) {
    CKDXDoc doc;
    doc.NewWaveform(20, 10);
    RecordingPrompts prompts;
    ASSERT_TRUE(RunDigitalSerialDialog(
        doc, 0, 1, prompts,
        Typing<DigitalSerialForm>({{DigitalSerialForm::Interval, "20"}, {DigitalSerialForm::Text, "1 1 0 1"}},
                                  prompts)));
    EXPECT_EQ(doc.DigitalSerialText(), "1 1 0 1");
    EXPECT_EQ(Samples(doc.DigitalChannel(1), 5), (Bytes{1, 1, 0, 1, 0}));
    const auto range = RunDigitalParallelDialog(
        doc, 4, prompts,
        Typing<DigitalParallelForm>({{DigitalParallelForm::Interval, "40"}, {DigitalParallelForm::Text, "f"}},
                                    prompts));
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 4u);
    EXPECT_EQ(range->end, 6u);
    EXPECT_EQ(doc.DigitalParallelText(), "f");
    EXPECT_EQ(doc.Memories().digitalParallelParams.wordTime, 40);
    EXPECT_EQ(Samples(doc.DigitalChannel(3), 7), (Bytes{0, 0, 0, 0, 1, 1, 0}));
}

TEST(DigitalParallel, ADumpAndOtherFilesReplaceEachOtherAndARejectedOneChangesNothing) {
    const auto dir = std::filesystem::temp_directory_path() / ("kdx-parallel-vcd-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    };
    CKDXDoc doc;
    doc.NewWaveform(20, 4);
    RecordingPrompts prompts;
    DigitalParallelForm f(SetupOf(doc), DigitalParallelParams{}, "");
    f.SetSource(DigitalSource::File);
    f.SetUnit(DigitalParallelForm::Interval, TimeUnitNs);
    f.SetText(DigitalParallelForm::Interval, "40");
    ASSERT_TRUE(f.LoadFile(write("words.txt", "5A"), prompts));
    EXPECT_FALSE(f.LoadFile(write("bad.vcd", "$timescale 2 ns $end\n"), prompts));
    EXPECT_EQ(prompts.messages.back(), VcdLineMessage(1, "時間単位が不正です：2 ns"));
    EXPECT_EQ(f.Vcd(), nullptr);
    EXPECT_EQ(f.FileValueCount(), 2u);
    EXPECT_FALSE(f.Field(DigitalParallelForm::From).enabled);

    const std::string dump = "$timescale 1 ns $end\n$var wire 1 ! a $end\n$enddefinitions $end\n#0 1!\n#20 0!\n#60\n";
    ASSERT_TRUE(f.LoadFile(write("sim.VCD", dump), prompts));
    ASSERT_NE(f.Vcd(), nullptr);
    EXPECT_EQ(f.Field(DigitalParallelForm::Interval).text, "20");  // the sampling time
    EXPECT_EQ(f.Field(DigitalParallelForm::Period).text, "60");
    f.SetSource(DigitalSource::Direct);
    EXPECT_FALSE(f.Field(DigitalParallelForm::Period).enabled);
    f.SetSource(DigitalSource::File);
    ASSERT_TRUE(f.Create(prompts));
    EXPECT_EQ(Samples(f.Lane(0), 4), (Bytes{1, 0, 0, 0}));

    // Back to the words: the dump's fields go.
    ASSERT_TRUE(f.LoadFile(write("words.txt", "5A"), prompts));
    EXPECT_EQ(f.Vcd(), nullptr);
    EXPECT_FALSE(f.Field(DigitalParallelForm::From).enabled);
    ASSERT_TRUE(f.Create(prompts));
    EXPECT_EQ(Samples(f.Lane(0), 4), (Bytes{1, 0, 0, 0}));  // 5 then A, each one sampling time
    EXPECT_EQ(Samples(f.Lane(1), 4), (Bytes{0, 1, 0, 0}));
    std::filesystem::remove_all(dir);
}
