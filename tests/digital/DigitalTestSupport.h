// What the digital core tests share: a document of a given time base and
// prompts that record the messages and answer the questions from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "../analog/RecordingPrompts.h"
#include "digital/DigitalForms.h"
#include "document/KDXDoc.h"
#include "edit/EditForm.h"

namespace kdx::test {

inline DigitalSetup SetupOf(CKDXDoc& doc, int64_t editStart = 0) {
    DigitalSetup s;
    s.base = EditTimeBase{doc.GetTotalTime(), doc.GetSamplingTime()};
    s.editStart = editStart;
    for (int ch = 0; ch < 4; ++ch) s.channels[ch] = doc.DigitalChannel(ch);
    return s;
}

inline std::vector<uint8_t> Samples(const uint8_t* p, size_t n) {
    return std::vector<uint8_t>(p, p + n);
}

}  // namespace kdx::test
