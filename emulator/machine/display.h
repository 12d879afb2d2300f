// The machine's only view of the windows. The Qt windows implement it; tests
// implement it with a recording fake and benchmarks with one that does nothing.
#pragma once

#include "change.h"

#include <optional>
#include <string>
#include <string_view>

namespace mox {

enum class Icon { Information, Error };

// The Mode menu's choice; the numbers are what the desktop's settings keep.
enum class ExecutionMode { StepByStep = 0, FullExecution = 1 };

// The emulator's five top-level windows, by role.
enum class Window { Main, About, Execution, MemoryMap, Instruction };

class Display {
public:
    virtual ~Display() = default;

    // After every executed word, with what the word changed: the Memory Map's
    // cells first, then the two register boxes, both before this returns.
    virtual void refreshDisplays(const Change& change) = 0;

    virtual void setWindowVisible(Window window, bool visible) = 0;
    virtual void setExecutionTitle(std::string_view title) = 0;
    virtual void setProgramListing(std::string_view text) = 0;
    // The whole text of the "Next Instruction: " label.
    virtual void setNextInstructionText(std::string_view text) = 0;
    virtual void setNextInstructionVisible(bool visible) = 0;
    virtual void setExecuteEnabled(bool enabled) = 0;
    virtual void setStepEnabled(bool enabled) = 0;

    // Returns only once the user has closed the box. No owner means the box
    // belongs to no window.
    virtual void showMessage(std::string_view text, std::string_view caption, Icon icon,
                             std::optional<Window> owner) = 0;

    // The open dialog for program files: the chosen path, whole, or nothing
    // when the user cancelled.
    virtual std::optional<std::string> chooseProgramFile() = 0;

    // The Execute Instruction field.
    virtual std::string typedInstruction() = 0;
    virtual void clearTypedInstruction() = 0;
};

// Full execution: label hidden, Execute on, Step off; step by step the reverse.
inline void showModeControls(Display& display, ExecutionMode mode) {
    const bool full = mode == ExecutionMode::FullExecution;
    display.setNextInstructionVisible(!full);
    display.setExecuteEnabled(full);
    display.setStepEnabled(!full);
}

// "Next Instruction: " followed by the word.
inline void showNextInstruction(Display& display, std::string_view word) {
    display.setNextInstructionText(std::string("Next Instruction: ").append(word));
}

} // namespace mox
