// Keeps the datapath window on the machine: the last word's whole cycle after
// every Step, Back, typed word and full run; the next word phase by phase
// for Phase; a Step at every tick of Play until the halt.
#pragma once

#include "cycle.h"
#include "format.h"

#include <QString>
#include <functional>
#include <optional>

namespace mox {
class Emulator;
}

namespace mox::ui {

class DatapathWindow;

class DatapathFollower {
public:
    // `step` takes a Step as the Step button does, so the windows show it.
    DatapathFollower(Emulator& emulator, DatapathWindow& window, std::function<void()> step);

    // Numbers in the Memory Map's base, from the next frame on.
    void setBase(Base chosen) { base = chosen; }

    // Shows the last executed word's cycle, all phases at once; called after
    // every executed or taken back word. Ends a walk by Phase.
    void follow();
    // One more phase of the next word; at the write phase the word runs.
    void phase();
    // Play pressed: says so at once when there is nothing to play.
    void startPlay();
    // Play's tick: the next word, then pause at the halt or the end.
    void tick();
    // Why Phase, Play and the step keys have nothing to go through.
    void showNoNextWord();

private:
    // A Step may run now: a program stepped in step mode, a next word.
    std::optional<Cycle> stepCycle() const;
    void showPhases(const Cycle& cycle, int first, int last, const QString& heading);
    void showNothing(const QString& heading, const QString& sentence);

    Emulator& emulator;
    DatapathWindow& window;
    std::function<void()> step;
    Base base = Base::Hexadecimal;
    // The word Phase walks through and the phase shown; none between walks.
    std::optional<Cycle> walk;
    int walkPhase = 0;
    // A word run by Phase or Play, which shows its own frame.
    bool stepping = false;
};

} // namespace mox::ui
