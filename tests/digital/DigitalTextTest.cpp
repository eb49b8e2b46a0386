// The bit and word readers: separators, invalid bytes, the 262144 limit and
// its message, the progress, and the files that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "digital/DigitalText.h"
#include "document/WaveformLimits.h"

using namespace kdx;

namespace {

DigitalReadResult Parse(const std::string& text, DigitalTextKind kind, std::vector<uint8_t>& out) {
    out.assign(MaxSampleCount, 9);
    return ParseDigitalText({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, kind, out.data());
}

}  // namespace

TEST(DigitalText, ValuesSeparatorsAndInvalidBytes) {
    std::vector<uint8_t> out;
    const struct {
        std::string text;
        DigitalTextKind kind;
        DigitalReadStatus status;
        std::vector<uint8_t> values;
    } cases[] = {
        {"1,0;1\r\n0", DigitalTextKind::Bits, DigitalReadStatus::Ok, {1, 0, 1, 0}},
        {"\t 1 \t", DigitalTextKind::Bits, DigitalReadStatus::Ok, {1}},
        {"", DigitalTextKind::Bits, DigitalReadStatus::Ok, {}},
        {"1 2", DigitalTextKind::Bits, DigitalReadStatus::InvalidData, {}},
        {"1 a", DigitalTextKind::Bits, DigitalReadStatus::InvalidData, {}},
        {"09aF,\n", DigitalTextKind::HexWords, DigitalReadStatus::Ok, {0, 9, 10, 15}},
        {"1g", DigitalTextKind::HexWords, DigitalReadStatus::InvalidData, {}},
        {std::string("1\0", 2), DigitalTextKind::HexWords, DigitalReadStatus::InvalidData, {}},
    };
    for (const auto& c : cases) {
        const DigitalReadResult r = Parse(c.text, c.kind, out);
        EXPECT_EQ(r.status, c.status) << c.text;
        if (r.Taken()) {
            EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + r.count), c.values) << c.text;
        }
    }
    EXPECT_EQ(Parse("1 2", DigitalTextKind::Bits, out).Message(), MsgInvalidData);
}

TEST(DigitalText, TheLimitWarnsOnlyWhenAnotherValueFollows) {
    std::vector<uint8_t> out;
    std::string full(MaxSampleCount, '1');
    const struct {
        std::string tail;
        DigitalReadStatus status;
    } cases[] = {
        {"", DigitalReadStatus::Ok},
        {"\r\n", DigitalReadStatus::Ok},  // a line break after the last bit is no data left out
        {" ,;\t", DigitalReadStatus::Ok},
        {"\n0", DigitalReadStatus::TooMany},
        {"x", DigitalReadStatus::TooMany},  // bytes beyond the limit are not read, only seen
    };
    for (const auto& c : cases) {
        const DigitalReadResult r = Parse(full + c.tail, DigitalTextKind::Bits, out);
        EXPECT_EQ(r.status, c.status) << c.tail.size();
        EXPECT_EQ(r.count, MaxSampleCount);
        EXPECT_TRUE(r.Taken());
    }
    EXPECT_EQ(Parse(full + "1", DigitalTextKind::Bits, out).Message(), MsgTooManyData);
}

TEST(DigitalText, FileReadingReportsProgressAndFailures) {
    const auto dir = std::filesystem::temp_directory_path() / ("kdx-text-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string text;
    for (int i = 0; i < 100000; ++i) text += i % 3 == 0 ? "1\n" : "0,";
    std::ofstream(dir / "bits.txt", std::ios::binary) << text;
    std::vector<uint8_t> out(MaxSampleCount);
    std::vector<int> steps;
    const DigitalReadResult r =
        ReadDigitalTextFile(dir / "bits.txt", DigitalTextKind::Bits, out.data(), [&](int p) { steps.push_back(p); });
    ASSERT_EQ(r.status, DigitalReadStatus::Ok);
    EXPECT_EQ(r.count, 100000u);
    EXPECT_EQ(out[3], 1);
    EXPECT_EQ(out[4], 0);
    ASSERT_EQ(steps.size(), 100u);  // every percent once, 1 .. 100
    for (int i = 0; i < 100; ++i) EXPECT_EQ(steps[i], i + 1);

    EXPECT_EQ(ReadDigitalTextFile(dir / "missing.txt", DigitalTextKind::Bits, out.data()).status,
              DigitalReadStatus::OpenError);
    EXPECT_EQ(ReadDigitalTextFile(dir, DigitalTextKind::Bits, out.data()).status, DigitalReadStatus::OpenError);
    std::filesystem::remove_all(dir);
}
