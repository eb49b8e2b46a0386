#include "document/WaveformFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#if defined(__unix__)
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kdx {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

uint32_t Le32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint64_t Le64(const Bytes& b, size_t at) { return Le32(b, at) | uint64_t(Le32(b, at + 4)) << 32; }
void SetLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void SetLe64(Bytes& b, size_t at, uint64_t v) {
    SetLe32(b, at, uint32_t(v));
    SetLe32(b, at + 4, uint32_t(v >> 32));
}
uint32_t ByteSum(const Bytes& b, size_t from, size_t to) {
    uint32_t sum = 0;
    for (size_t i = from; i < to; ++i) sum += b[i];
    return sum;
}
void FixHeaderChecksum(Bytes& b) { SetLe32(b, 0x3F8, ByteSum(b, 0, 0x3F8)); }

Bytes Load(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
void Store(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// A header with a non-default value in every field.
WaveformHeader SampleHeader(uint32_t n, uint32_t step = 7) {
    WaveformHeader h;
    h.samplingStep = step;
    h.sampleCount = n;
    h.totalTimeNs = uint64_t{BaseClockNs} * step * n;
    h.dataId = 32767;
    h.documentId = -5;
    h.editCount = 123456;
    for (int i = 0; i < SignalNameCount; ++i) h.signalNames[i] = "SIG" + std::to_string(i);
    h.frame = {false, false, false, true, "tag of sixteen b"};
    ViewBlock& v = h.view;
    v.cursorSample = 3000000000u;  // beyond the signed range, stored as i32
    v.firstVisibleSample = 11;
    v.cursorX = -12;
    v.timeMarkSet = true;
    v.timeMarkSample = 13;
    v.timeMarkX = 14;
    for (int i = 0; i < EditRingSize; ++i) v.ring[i] = uint32_t(i * 2654435761u);
    v.ringHead = 15, v.ringWrite = 16, v.ringBrowse = 17;
    v.ringEmpty = false, v.ringCanGoBack = true, v.ringCanGoForward = true, v.ringBrowsing = true;
    v.zoomEnabled = true, v.spareFlag = true;
    for (int i = 0; i < ZoomTableSize; ++i) v.zoomTable[i] = uint32_t(1) << (i % 31);
    v.standardZoomIndex = 18, v.maxZoomIndex = 19, v.zoomIndex = 20;
    for (int i = 0; i < 8; ++i) *OutputByteField(h.output, i) = uint8_t(i + 1);
    h.output.repeatCount = 65536;
    h.output.retrigger = 1;
    return h;
}

// Every field of every memory distinct and away from its default.
DialogMemories SampleMemories() {
    DialogMemories m;
    int k = 1;
    ForEachField(m, [&](const char*, auto& record) {
        ForEachField(record, [&](const char*, auto& field) {
            using T = std::remove_cvref_t<decltype(field)>;
            if constexpr (std::is_same_v<T, int64_t>) field = -(int64_t{k} << 33) - k;
            else if constexpr (std::is_same_v<T, double>) field = k + 0.125;
            else field = T(k + 100);
            ++k;
        });
    });
    return m;
}

class WaveformFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kdx_wf_" + std::to_string(std::random_device{}()) + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        const double specials[] = {-0.0, 1e-310, std::numeric_limits<double>::infinity(), std::nan("")};
        for (uint32_t i = 0; i < MaxSampleCount; ++i) {
            out.analog[i] = i < 4 ? specials[i] : 0.001 * i - 1.5;
            for (int c = 0; c < DigitalChannelCount; ++c) out.digital[c][i] = uint8_t((i * 7 + c) % 3 == 0);
        }
    }
    void TearDown() override { fs::remove_all(dir); }

    Bytes Written(const WaveformHeader& h, const DialogMemories& m = SampleMemories()) {
        std::string msg;
        EXPECT_TRUE(WriteWaveformFile(dir / "w.kdx", h, ArraysOf(std::as_const(out)), m, msg));
        EXPECT_EQ(msg, MsgFileOk);
        return Load(dir / "w.kdx");
    }
    std::string Parse(const Bytes& bytes, uint32_t expected = FileFormatVersion) {
        std::string msg;
        ParseWaveformBytes(bytes, header, ArraysOf(in), params, expected, msg);
        return msg;
    }
    bool SamplesMatch(uint32_t n) {
        bool same = std::memcmp(in.analog.data(), out.analog.data(), 8 * n) == 0;
        for (int c = 0; c < DigitalChannelCount; ++c)
            same = same && std::memcmp(in.digital[c].data(), out.digital[c].data(), n) == 0;
        return same;
    }

    fs::path dir;
    SampleBuffers out, in;
    WaveformHeader header;
    DialogMemories params;
};

TEST_F(WaveformFileTest, RoundTripRestoresEveryFieldSampleAndMemory) {
    for (uint32_t n : {1u, 9u, 10u, 1000u, MaxSampleCount}) {
        const WaveformHeader h = SampleHeader(n, n == MaxSampleCount ? MaxSamplingStep : 7);
        Written(h);
        std::string msg;
        ASSERT_TRUE(ReadWaveformFile(dir / "w.kdx", header, ArraysOf(in), params, FileFormatVersion, msg)) << n;
        EXPECT_EQ(msg, MsgFileOk);
        EXPECT_EQ(header, h);
        EXPECT_EQ(params, SampleMemories());
        EXPECT_TRUE(SamplesMatch(n));
    }
}

TEST_F(WaveformFileTest, BytesSitWhereTheLayoutPutsThem) {
    const uint32_t n = 10;
    const Bytes b = Written(SampleHeader(n));
    ASSERT_EQ(b.size(), 5120 + 12 * n);
    EXPECT_TRUE(HasFooterForSize(b.size(), n));
    EXPECT_FALSE(HasFooterForSize(1024 + 12 * n, n));

    EXPECT_EQ(Le64(b, 0x000), 1400u);
    EXPECT_EQ(Le32(b, 0x008), 7u);
    EXPECT_EQ(Le32(b, 0x00C), n);
    EXPECT_EQ(Le32(b, 0x010), 20u);
    EXPECT_EQ(Le32(b, 0x018), 32767u);
    EXPECT_EQ(std::string(b.begin() + 0x24, b.begin() + 0x2C), "SIG0    ");
    // The frame's flags: A, C and the edit permission inverted, D as is.
    EXPECT_EQ(Le32(b, 0x074), 1u);
    EXPECT_EQ(Le32(b, 0x078), 1u);
    EXPECT_EQ(Le32(b, 0x07C), 1u);
    EXPECT_EQ(Le32(b, 0x080), 1u);
    EXPECT_EQ(std::string(b.begin() + 0x84, b.begin() + 0x94), "tag of sixteen b");
    EXPECT_EQ(Le32(b, 0x094), 3000000000u);
    EXPECT_EQ(Le32(b, 0x0AC + 4), 2654435761u);
    EXPECT_EQ(Le32(b, 0x358), 20u);
    EXPECT_EQ(Le32(b, 0x35C), 1u);
    EXPECT_EQ(Le32(b, 0x378), 8u);
    EXPECT_EQ(Le32(b, 0x37C), 65536u);
    EXPECT_EQ(Le32(b, 0x380), 1u);
    EXPECT_EQ(ByteSum(b, 0x014, 0x018) + ByteSum(b, 0x06C, 0x074) + ByteSum(b, 0x384, 0x3F8), 0u);
    EXPECT_EQ(Le32(b, 0x3F8), ByteSum(b, 0, 0x3F8));
    EXPECT_EQ(Le32(b, 0x3FC), FileFormatVersion);

    EXPECT_EQ(Le64(b, 1024 + 8 * 5), std::bit_cast<uint64_t>(out.analog[5]));
    for (int c = 0; c < DigitalChannelCount; ++c) EXPECT_EQ(b[1024 + (8 + c) * n + 3], out.digital[c][3]);

    // Each memory starts at its place in the footer; times low half first,
    // one-byte fields widened to 32 bits.
    const size_t footer = 1024 + 12 * n;
    const DialogMemories m = SampleMemories();
    const std::pair<size_t, int64_t> starts[] = {
        {0x000, m.sineParams.period},          {0x044, m.rectangleParams.period},
        {0x0AC, m.dcParams.period},            {0x0C0, m.rampParams.period},
        {0x0DC, m.expParams.period},           {0x104, m.noiseParams.period},
        {0x118, m.manualParams.copyPeriod},    {0x148, m.externalParams.interval},
        {0x168, m.digitalClockParams.time1},   {0x190, m.digitalSerialParams.bitTime},
        {0x1A4, m.digitalParallelParams.wordTime}, {0x1BC, m.digitalModifyParams.copyPeriod},
        {0x1D0, m.digitalShiftParams.length},  {0x1EC, m.digitalSwapParams.length}};
    for (auto [offset, value] : starts) EXPECT_EQ(Le64(b, footer + offset), uint64_t(value)) << offset;
    EXPECT_EQ(Le32(b, footer + 0x180), m.digitalClockParams.level1);
    EXPECT_EQ(Le32(b, footer + 0x1FC), uint32_t(m.digitalSwapParams.secondChannel));
    EXPECT_EQ(ByteSum(b, footer + 0x200, footer + 0xFFC), 0u);
    EXPECT_EQ(Le32(b, footer + 0xFFC), ByteSum(b, footer, footer + 0xFFC));
}

TEST_F(WaveformFileTest, TextsAreCutPaddedTrimmedAndKeptAsBytes) {
    WaveformHeader h = SampleHeader(10);
    h.signalNames[0] = "LONGERTHAN8";
    h.signalNames[1] = std::string("\x82\xa0\x00\xff", 4);  // any bytes, even a NUL
    h.signalNames[2] = "";
    h.frame.documentTag = "a tag longer than sixteen bytes";
    Bytes b = Written(h);
    EXPECT_EQ(std::string(b.begin() + 0x24, b.begin() + 0x2C), "LONGERTH");
    ASSERT_EQ(Parse(b), MsgFileOk);
    EXPECT_EQ(header.signalNames[0], "LONGERTH");
    EXPECT_EQ(header.signalNames[1], h.signalNames[1]);
    EXPECT_EQ(header.signalNames[2], "");
    EXPECT_EQ(header.frame.documentTag, "a tag longer tha");

    // Reading drops surrounding white space, takes any non-zero bool32 as
    // true and only the low byte of a widened setting.
    std::memcpy(&b[0x2C], "\t x y\r\n ", 8);
    SetLe32(b, 0x0A0, 0x100);
    SetLe32(b, 0x35C, 0x1203);
    FixHeaderChecksum(b);
    ASSERT_EQ(Parse(b), MsgFileOk);
    EXPECT_EQ(header.signalNames[1], "x y");
    EXPECT_TRUE(header.view.timeMarkSet);
    EXPECT_EQ(header.output.startStopControl, 3);
}

TEST_F(WaveformFileTest, ParametersComeOnlyFromAFooterOfTheExpectedVersion) {
    const uint32_t n = 10;
    Bytes b = Written(SampleHeader(n));
    Bytes noFooter(b.begin(), b.begin() + 1024 + 12 * n);
    params = SampleMemories();
    ASSERT_EQ(Parse(noFooter), MsgFileOk);
    EXPECT_EQ(params, DialogMemories{});
    EXPECT_TRUE(SamplesMatch(n));

    // Another version: samples and settings open, the footer is not even
    // checked, the parameters are the defaults.
    WaveformHeader h = SampleHeader(n);
    h.formatVersion = 15;
    b = Written(h);
    b[1024 + 12 * n + 5] ^= 0x40;
    params = SampleMemories();
    ASSERT_EQ(Parse(b), MsgFileOk);
    EXPECT_EQ(header, h);
    EXPECT_EQ(params, DialogMemories{});
    EXPECT_TRUE(SamplesMatch(n));
    EXPECT_EQ(Parse(b, 15), MsgFileFormatError);
}

TEST_F(WaveformFileTest, HeaderFaultsAreFormatErrors) {
    const uint32_t n = 10;
    const Bytes good = Written(SampleHeader(n));
    auto withHeader = [&](uint32_t step, uint32_t count, uint32_t unit, uint64_t total) {
        Bytes b = good;
        SetLe32(b, 0x008, step);
        SetLe32(b, 0x00C, count);
        SetLe32(b, 0x010, unit);
        SetLe64(b, 0x000, total);
        FixHeaderChecksum(b);
        return b;
    };
    EXPECT_EQ(Parse(withHeader(7, n, 20, 1400)), MsgFileOk);
    EXPECT_EQ(Parse(withHeader(0, n, 20, 0)), MsgFileFormatError);
    EXPECT_EQ(Parse(withHeader(MaxSamplingStep + 1, n, 20, 20ull * (MaxSamplingStep + 1) * n)), MsgFileFormatError);
    EXPECT_EQ(Parse(withHeader(7, 0, 20, 0)), MsgFileFormatError);
    EXPECT_EQ(Parse(withHeader(7, MaxSampleCount + 1, 20, 140ull * (MaxSampleCount + 1))), MsgFileFormatError);
    EXPECT_EQ(Parse(withHeader(7, n, 20, 1401)), MsgFileFormatError);
    EXPECT_EQ(Parse(withHeader(7, n, 20, 1400 + (1ull << 32))), MsgFileFormatError);
    // A total that agrees with a unit other than 20 is still refused.
    EXPECT_EQ(Parse(withHeader(7, n, 40, 2800)), MsgFileFormatError);
    EXPECT_EQ(Parse(withHeader(7, n, 0, 0)), MsgFileFormatError);

    for (size_t i = 0; i < 0x3F8; ++i) {
        Bytes b = good;
        b[i] ^= 0x01;
        ASSERT_EQ(Parse(b), MsgFileFormatError) << "header byte " << i;
    }
}

TEST_F(WaveformFileTest, BodyAndSizeFaultsAreFormatErrors) {
    const uint32_t n = 10;
    const size_t footer = 1024 + 12 * n;
    const Bytes good = Written(SampleHeader(n));
    for (size_t at : {size_t{1024 + 8 * n}, size_t{1024 + 9 * n + 4}, footer - 1}) {
        for (uint8_t value : {2, 0x80, 0xFF}) {
            Bytes b = good;
            b[at] = value;
            EXPECT_EQ(Parse(b), MsgFileFormatError) << at;
        }
    }
    // Any position in a longer file: whole words of channel bytes and tails.
    const uint32_t n2 = 100;
    const Bytes longer = Written(SampleHeader(n2));
    for (size_t at = 1024 + 8 * n2; at < 1024 + 12 * n2; at += 3) {
        Bytes b = longer;
        b[at] |= 0x02;
        ASSERT_EQ(Parse(b), MsgFileFormatError) << at;
    }
    for (size_t i = footer; i < good.size(); ++i) {
        Bytes b = good;
        b[i] ^= 0x10;
        ASSERT_EQ(Parse(b), MsgFileFormatError) << "footer byte " << i - footer;
    }
    // Only the two exact sizes are waveforms; everything shorter or longer,
    // including a file cut inside the header, is a format fault.
    for (size_t size : {size_t{0}, size_t{1}, size_t{1023}, size_t{1024}, size_t{1024 + 8 * n}, footer - 1, footer + 1,
                        footer + 4095, good.size() + 1, good.size() + 4096}) {
        Bytes b = good;
        b.resize(size);
        EXPECT_EQ(Parse(b), MsgFileFormatError) << size;
    }
}

TEST_F(WaveformFileTest, RandomBytesAreRefusedWithoutHarm) {
    std::mt19937 rng(2);
    const Bytes good = Written(SampleHeader(10));
    for (int round = 0; round < 3000; ++round) {
        Bytes b = round % 2 ? good : Bytes(rng() % 6000);
        for (size_t k = 0, changes = 1 + rng() % 8; k < changes && !b.empty(); ++k) b[rng() % b.size()] = uint8_t(rng());
        if (round % 3 == 0 && b.size() >= 1024) FixHeaderChecksum(b);
        const std::string msg = Parse(b);
        EXPECT_TRUE(msg == MsgFileOk || msg == MsgFileFormatError) << msg;
    }
}

TEST_F(WaveformFileTest, ReaderReportsWhatCannotBeOpenedAndWhy) {
    const Bytes good = Written(SampleHeader(10));
    Store(dir / "cut.kdx", Bytes(good.begin(), good.begin() + 1100));
    Bytes badSum = good;
    badSum[0x3F8] ^= 1;
    Store(dir / "sum.kdx", badSum);
    const struct {
        fs::path path;
        const char* message;
        const char* reason;
    } cases[] = {
        {dir / "missing.kdx", MsgFileOpenError, "No such file or directory"},
        {dir, MsgFileOpenError, "Is a directory"},
        {dir / "cut.kdx", MsgFileFormatError, "the file ends before its samples do"},
        {dir / "sum.kdx", MsgFileFormatError, "header checksum mismatch"},
    };
    for (const auto& c : cases) {
        std::string msg, reason;
        EXPECT_FALSE(ReadWaveformFile(c.path, header, ArraysOf(in), params, FileFormatVersion, msg, &reason));
        EXPECT_EQ(msg, c.message) << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
    }
}

class WaveformFileSaveTest : public WaveformFileTest {
protected:
    // Saves over an existing file and expects the save to fail with msg,
    // leaving the old file whole and no temporary behind.
    // The save itself runs inside around(save), which may set up the fault.
    template <class Around = void (*)(const std::function<void()>&)>
    void ExpectFailedSave(const fs::path& target, const char* expected,
                          Around around = [](const std::function<void()>& save) { save(); }) {
        const Bytes before = fs::is_regular_file(target) ? Load(target) : Bytes{};
        const WaveformHeader h = SampleHeader(1000);
        const DialogMemories m = SampleMemories();
        std::string msg;
        bool saved = true;
        around([&] { saved = WriteWaveformFile(target, h, ArraysOf(std::as_const(out)), m, msg); });
        EXPECT_FALSE(saved);
        EXPECT_EQ(msg, expected);
        if (fs::is_regular_file(target)) {
            EXPECT_EQ(Load(target), before);
        }
        size_t entries = 0;
        for (const auto& e : fs::directory_iterator(dir)) entries += e.path().extension() == ".tmp";
        EXPECT_EQ(entries, 0u);
    }
};

TEST_F(WaveformFileSaveTest, SuccessfulSaveReplacesTheOldFileWhole) {
    Store(dir / "w.kdx", Bytes(100000, 0xAA));
    const Bytes b = Written(SampleHeader(10));
    EXPECT_EQ(b.size(), 5240u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // A name at the length limit still saves: the temporary's name is short.
    std::string msg;
    const fs::path longName = dir / (std::string(251, 'n') + ".kdx");
    EXPECT_TRUE(WriteWaveformFile(longName, SampleHeader(10), ArraysOf(std::as_const(out)), params, msg));
    EXPECT_EQ(fs::file_size(longName), 5240u);
}

TEST_F(WaveformFileSaveTest, UnopenableTargetsKeepWhatWasThere) {
    fs::create_directory(dir / "sub.kdx");
    ExpectFailedSave(dir / "sub.kdx", MsgFileOpenError);
    EXPECT_TRUE(fs::is_directory(dir / "sub.kdx"));
    ExpectFailedSave(dir / "no" / "such" / "dir.kdx", MsgFileOpenError);

    Store(dir / "ro.kdx", Bytes(3, 7));
    fs::permissions(dir / "ro.kdx", fs::perms::owner_read);
    ExpectFailedSave(dir / "ro.kdx", MsgFileOpenError);

    WaveformHeader tooMany = SampleHeader(MaxSampleCount + 1);
    std::string msg;
    EXPECT_FALSE(WriteWaveformFile(dir / "big.kdx", tooMany, ArraysOf(std::as_const(out)), params, msg));
    EXPECT_EQ(msg, MsgFileWriteError);
    EXPECT_FALSE(fs::exists(dir / "big.kdx"));
}

#if defined(__unix__)
// Process limits stand in for a full disk and for a temporary that cannot be
// created; unlike permissions they also stop the superuser.
TEST_F(WaveformFileSaveTest, FailuresOverAnExistingFileKeepIt) {
    Store(dir / "old.kdx", Written(SampleHeader(10)));
    const auto underLimit = [](int resource, rlim_t limit) {
        return [resource, limit](const std::function<void()>& save) {
            rlimit saved{};
            ASSERT_EQ(getrlimit(resource, &saved), 0);
            rlimit small = saved;
            small.rlim_cur = limit;
            ASSERT_EQ(setrlimit(resource, &small), 0);
            save();
            setrlimit(resource, &saved);
        };
    };

    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ExpectFailedSave(dir / "old.kdx", MsgFileWriteError, underLimit(RLIMIT_FSIZE, 5000));
    std::signal(SIGXFSZ, previous);

    const int nextDescriptor = dup(0);
    close(nextDescriptor);
    ExpectFailedSave(dir / "old.kdx", MsgFileOpenError, underLimit(RLIMIT_NOFILE, rlim_t(nextDescriptor)));
    EXPECT_EQ(Parse(Load(dir / "old.kdx")), MsgFileOk);
}

// A save hands on the old file's read and write rights only; the superuser's
// save of someone else's file leaves it theirs.
TEST_F(WaveformFileSaveTest, ReplacedFileKeepsOnlyItsReadAndWriteRights) {
    const fs::path target = dir / "suid.kdx";
    Store(target, Bytes(3, 7));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 4321, 4322), 0);
    }
    ASSERT_EQ(::chmod(target.c_str(), 04770), 0);
    std::string msg;
    ASSERT_TRUE(WriteWaveformFile(target, SampleHeader(10), ArraysOf(std::as_const(out)), params, msg)) << msg;
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
}

TEST_F(WaveformFileSaveTest, SavingThroughALinkWritesTheFileItNames) {
    fs::create_directory(dir / "real");
    Store(dir / "real" / "w.kdx", Bytes(10, 1));
    fs::create_symlink(dir / "real" / "w.kdx", dir / "link.kdx");
    // Links to files not yet there, one relative and one through another link.
    fs::create_symlink("real/new.kdx", dir / "dangling.kdx");
    fs::create_symlink("dangling.kdx", dir / "chain.kdx");
    fs::create_symlink("real/chained.kdx", dir / "dangling2.kdx");
    fs::create_symlink(dir / "dangling2.kdx", dir / "chain2.kdx");
    const struct {
        const char* link;
        const char* file;
    } cases[] = {{"link.kdx", "w.kdx"}, {"dangling.kdx", "new.kdx"}, {"chain2.kdx", "chained.kdx"}};
    for (const auto& c : cases) {
        std::string msg;
        ASSERT_TRUE(WriteWaveformFile(dir / c.link, SampleHeader(10), ArraysOf(std::as_const(out)), params, msg))
            << c.link;
        EXPECT_TRUE(fs::is_symlink(dir / c.link));
        EXPECT_EQ(Load(dir / "real" / c.file).size(), 5240u) << c.link;
    }
    EXPECT_EQ(Load(dir / "chain.kdx").size(), 5240u);

    // A loop of links is refused and stays as it was.
    fs::create_symlink("loop-b.kdx", dir / "loop-a.kdx");
    fs::create_symlink("loop-a.kdx", dir / "loop-b.kdx");
    std::string msg, reason;
    EXPECT_FALSE(
        WriteWaveformFile(dir / "loop-a.kdx", SampleHeader(10), ArraysOf(std::as_const(out)), params, msg, &reason));
    EXPECT_EQ(msg, MsgFileOpenError);
    EXPECT_EQ(reason, "Too many levels of symbolic links");
    EXPECT_TRUE(fs::is_symlink(dir / "loop-a.kdx"));
}
#endif

}  // namespace
}  // namespace kdx
