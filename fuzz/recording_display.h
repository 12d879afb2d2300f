// A display that counts refreshes and keeps the messages and the texts shown.
#pragma once

#include "null_display.h"

#include <string>
#include <vector>

namespace mox::fuzz {

class RecordingDisplay : public NullDisplay {
public:
    std::size_t refreshes = 0;
    std::vector<std::string> messages; // each message's text
    std::string listing, nextInstruction, title;
    std::string typed;
    bool typedCleared = false;

    void refreshDisplays(const Change&) override { ++refreshes; }
    void setExecutionTitle(std::string_view t) override { title = t; }
    void setProgramListing(std::string_view t) override { listing = t; }
    void setNextInstructionText(std::string_view t) override { nextInstruction = t; }
    void showMessage(std::string_view text, std::string_view, Icon,
                     std::optional<Window>) override {
        messages.emplace_back(text);
    }
    std::string typedInstruction() override { return typed; }
    void clearTypedInstruction() override { typedCleared = true; }

    void forget() {
        refreshes = 0;
        messages.clear();
    }
};

} // namespace mox::fuzz
