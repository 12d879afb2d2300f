// What an action of the run control came to, as values: each front end shows
// it its own way (the desktop as windows and message boxes, the page as its
// panels, emurun as text).
#pragma once

#include "change.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mox {

// The icon a message is shown with. Some texts that say "Error" come with the
// information icon: the toolkit has always shown them so, and keeps it.
enum class Icon { Information, Error };

struct Message {
    std::string text;
    std::string caption;
    Icon icon = Icon::Information;
    bool operator==(const Message&) const = default;
};

// The Mode menu's choice; the numbers are what the desktop's settings keep.
enum class ExecutionMode { StepByStep = 0, FullExecution = 1 };

struct Outcome {
    // One entry per word the action executed or took back, or per value it
    // set, in order; Where::Nothing for a word that changed nothing.
    std::vector<Change> changes;
    // For the user, in order, each one read before the next; shown once the
    // changes, controls, title and listing are.
    std::vector<Message> messages;
    // The controls now offered: full execution has Execute, step by step the
    // next instruction and Step.
    std::optional<ExecutionMode> controls;
    // The mode the title now names (modeTitle()).
    std::optional<ExecutionMode> title;
    // The program text loaded, for the listing.
    std::optional<std::string> listing;
    // The next word, as the label now shows it (nextInstructionLabel());
    // shown after the messages, so a message is read beside the word before.
    std::optional<std::string> nextInstruction;
};

// The title that names a mode: "MOX77 - Full Execution Mode".
std::string_view modeTitle(ExecutionMode mode);

// "Next Instruction: " followed by the word.
std::string nextInstructionLabel(std::string_view word);

} // namespace mox
