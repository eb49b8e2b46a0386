// Fuzzes the text readers of the unit module and the time-base rows built on
// them: nothing may crash or hit undefined behaviour, every time that reads
// must write back to the same value, and every offered row must be a legal
// time base.
//
// fuzz-max-len: 256
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/TimeBaseRows.h"
#include "document/WaveformLimits.h"
#include "units/UnitText.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void CheckRows(const kdx::TimeBaseRows& rows, int64_t minCount)
{
    if (!rows.valid) {
        Require(rows.selected == -1);
        for (const auto& row : rows.rows) {
            Require(!row.shown && row.totalText.empty() && row.errorText.empty());
        }
        return;
    }
    Require(rows.selected >= 0 && rows.selected < 3 && rows.rows[static_cast<size_t>(rows.selected)].shown);
    for (const auto& row : rows.rows) {
        if (!row.shown) {
            continue;
        }
        Require(row.samplingNs >= kdx::MinSamplingTimeNs && row.samplingNs <= kdx::MaxSamplingTimeNs);
        Require(row.samplingNs % kdx::BaseClockNs == 0);
        Require(row.count >= minCount && row.count <= kdx::MaxSampleCount);
        Require(row.totalNs == row.samplingNs * row.count);
        Require(kdx::FormatTimeAutoWithUnit(row.totalNs) == row.totalText);
    }
}

void CheckTime(std::string_view text, kdx::TimeUnitIndex unit)
{
    const auto ns = kdx::ParseTimeText(text, unit);
    const auto saturated = kdx::ParseTimeTextSaturated(text, unit);
    if (!ns) {
        return;
    }
    Require(saturated == ns);
    const auto written = kdx::FormatTimeInUnit(*ns, unit);
    Require(written.has_value() && kdx::ParseTimeText(*written, unit) == ns);
    const kdx::AutoTimeText autoText = kdx::FormatTimeAuto(*ns);
    Require(kdx::ParseTimeText(autoText.text, autoText.unit) == ns);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    const uint8_t selector = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    for (kdx::TimeUnitIndex unit = kdx::TimeUnitNone; unit <= 4; ++unit) {
        CheckTime(text, unit);
    }

    if (const auto real = kdx::ParseReal(text)) {
        Require(*real == *real && *real - *real == 0.0);  // neither NaN nor infinite
    }
    if (const auto count = kdx::ParseUnsigned(text)) {
        Require(kdx::ParseUnsigned(kdx::FormatUnsigned(*count)) == count);
    }
    Require(kdx::ParseInt64(kdx::FormatInt64(kdx::ParseInt64(text))) == kdx::ParseInt64(text));
    if (const auto bits = kdx::HexToBinaryText(text)) {
        Require(bits->size() == text.size() * 4 && kdx::IsBinaryText(*bits));
    }
    (void)kdx::NormalizeNumberText(text);

    // Time-base rows: the selector picks the unit lists and a current sampling
    // time; the text is split at '|' into the time and the count.
    const size_t bar = text.find('|');
    const std::string_view first = text.substr(0, bar);
    const std::string_view second = bar == std::string_view::npos ? std::string_view{} : text.substr(bar + 1);
    const int totalUnit = selector % 7 - 1;  // -1..5
    const int samplingUnit = (selector / 7) % 4 - 1;  // -1..2
    const int64_t currentSampling = kdx::BaseClockNs * (1 + (int64_t{selector} * 65537) % kdx::MaxSamplingStep);

    CheckRows(kdx::ComputeTimeInputRows(first, totalUnit), 1);
    CheckRows(kdx::ComputeSamplingInputRows(first, samplingUnit, second), kdx::NewMinCount);
    CheckRows(kdx::ComputeTimeChangeRows(first, totalUnit, currentSampling), kdx::NewMinCount);
    return 0;
}
