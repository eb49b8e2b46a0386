#include "ui/GetTimeForm.h"

#include <limits>
#include <utility>

namespace kdx {

GetTimeForm::GetTimeForm(const GetTimeRequest& r) : request(r) {
    if (request.title.empty()) request.title = GetTimeDefaultTitle;
    reference = GetTimeFromStart;
    SetReference(request.initialReference);
    Evaluate();
}

void GetTimeForm::SetReference(int r) {
    if (r < GetTimeFromStart || r > GetTimeFromEnd) return;
    if (r == GetTimeFromMark && !request.markReferenceEnabled) return;
    reference = r;
    Evaluate();
}

void GetTimeForm::SetUnit(TimeUnitIndex u) {
    if (u < TimeUnitNs || u > TimeUnitS) return;
    unit = u;
    Evaluate();
}

void GetTimeForm::SetText(std::string t) {
    text = std::move(t);
    Evaluate();
}

void GetTimeForm::Evaluate() {
    valid = false;
    resultTime = 0;
    referenceTexts = {};
    const int64_t sampling = request.samplingTimeNs;
    if (sampling <= 0) return;
    const int64_t total = sampling * request.sampleCount;
    const int64_t cursorTime = sampling * request.cursorSample;
    const int64_t markTime = sampling * request.markSample;

    auto v = ParseTimeText(text, unit);
    if (!v) return;
    int64_t base = 0;
    switch (reference) {
    case GetTimeFromCursor: base = cursorTime; break;
    case GetTimeFromMark: base = markTime; break;
    case GetTimeFromEnd: base = total; break;
    default: break;
    }
    // A typed time of absurd length must not wrap around into the valid range.
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    constexpr int64_t Min = std::numeric_limits<int64_t>::min();
    if ((*v > 0 && base > Max - *v) || (*v < 0 && base < Min - *v)) return;
    const int64_t t = base + *v;
    if (t < 0 || t > total) return;

    valid = true;
    resultTime = t;
    referenceTexts[GetTimeFromStart] = FormatTimeAutoWithUnit(t);
    referenceTexts[GetTimeFromCursor] = FormatTimeAutoWithUnit(t - cursorTime);
    if (request.markReferenceEnabled) referenceTexts[GetTimeFromMark] = FormatTimeAutoWithUnit(t - markTime);
    referenceTexts[GetTimeFromEnd] = FormatTimeAutoWithUnit(t - total);
}

bool GetTimeForm::IsOkEnabled() const {
    if (!valid) return false;
    const int64_t total = request.samplingTimeNs * request.sampleCount;
    return request.endAcceptable || resultTime != total;
}

std::optional<uint32_t> GetTimeForm::Result() const {
    if (!IsOkEnabled()) return std::nullopt;
    return static_cast<uint32_t>(static_cast<uint64_t>(resultTime) / static_cast<uint64_t>(request.samplingTimeNs));
}

}  // namespace kdx
