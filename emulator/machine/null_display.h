// A display that shows nothing, for headless runs and benchmarks.
#pragma once

#include "display.h"

namespace mox {

class NullDisplay : public Display {
public:
    void refreshDisplays(const Change&) override {}
    void setWindowVisible(Window, bool) override {}
    void setExecutionTitle(std::string_view) override {}
    void setProgramListing(std::string_view) override {}
    void setNextInstructionText(std::string_view) override {}
    void setNextInstructionVisible(bool) override {}
    void setExecuteEnabled(bool) override {}
    void setStepEnabled(bool) override {}
    void showMessage(std::string_view, std::string_view, Icon, std::optional<Window>) override {}
    std::optional<std::string> chooseProgramFile() override { return std::nullopt; }
    std::string typedInstruction() override { return {}; }
    void clearTypedInstruction() override {}
};

} // namespace mox
