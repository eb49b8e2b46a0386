// Answers a form's messages with OK and keeps what they said.
#pragma once

#include <string>
#include <vector>

#include "analog/EditForm.h"

namespace kdx::test {

struct RecordingPrompts : FormPrompts {
    std::vector<std::string> messages;
    void Inform(const std::string& text) override { messages.push_back(text); }
    bool Confirm(const std::string& text) override {
        messages.push_back(text);
        return true;
    }
};

}  // namespace kdx::test
