// Form logic of the position dialog (CGetTimeDlg): a time typed with a unit,
// taken relative to the start, the cursor, the time mark or the end, shown in
// all four references and turned into a sample position.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "units/UnitText.h"

namespace kdx {

enum GetTimeReference : int {
    GetTimeFromStart = 0,
    GetTimeFromCursor = 1,
    GetTimeFromMark = 2,
    GetTimeFromEnd = 3,
};

struct GetTimeRequest {
    std::string title;                      // empty: "時間指定"
    bool markReferenceEnabled = false;
    int64_t samplingTimeNs = 0;
    uint32_t sampleCount = 0;
    uint32_t cursorSample = 0;
    uint32_t markSample = 0;
    int initialReference = GetTimeFromStart;
    bool endAcceptable = true;  // the cursor may stand after the last sample; the mark may not
};

inline constexpr const char* GetTimeDefaultTitle = "時間指定";
inline constexpr const char* GetTimeCursorTitle = "カーソル位置の指定";
inline constexpr const char* GetTimeMarkTitle = "タイムマーク位置の指定";

class GetTimeForm {
public:
    explicit GetTimeForm(const GetTimeRequest& request);

    // A disabled mark reference cannot be chosen (the call is ignored).
    void SetReference(int reference);
    void SetUnit(TimeUnitIndex unit);
    void SetText(std::string text);

    int Reference() const { return reference; }
    TimeUnitIndex Unit() const { return unit; }
    const std::string& Text() const { return text; }

    bool IsValid() const { return valid; }
    bool IsOkEnabled() const;
    // The resulting position in each reference ("%s %s"); empty when invalid,
    // and the mark's empty while that reference is disabled.
    const std::array<std::string, 4>& ReferenceTexts() const { return referenceTexts; }
    int64_t ResultTime() const { return resultTime; }
    // The chosen sample position, when OK may be pressed.
    std::optional<uint32_t> Result() const;

private:
    void Evaluate();

    GetTimeRequest request;
    int reference = GetTimeFromStart;
    TimeUnitIndex unit = TimeUnitNs;
    std::string text;
    bool valid = false;
    int64_t resultTime = 0;
    std::array<std::string, 4> referenceTexts;
};

}  // namespace kdx
