// Answers a form's messages, with OK unless told otherwise, and keeps what
// they said.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "edit/EditForm.h"

namespace kdx::test {

struct RecordingPrompts : FormPrompts {
    std::vector<std::string> messages;
    std::deque<bool> answers;  // the next questions' answers; when empty, OK
    void Inform(const std::string& text) override { messages.push_back(text); }
    bool Confirm(const std::string& text) override {
        messages.push_back(text);
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace kdx::test
