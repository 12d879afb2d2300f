#include "datapath_follower.h"

#include "datapath_window.h"
#include "emulator.h"

#include <QString>
#include <utility>

namespace mox::ui {

namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString wordOf(const Cycle& cycle) {
    return QString::fromLatin1(cycle.word.data(), static_cast<qsizetype>(cycle.word.size()));
}

constexpr int writePhase = static_cast<int>(Phase::Write);

} // namespace

DatapathFollower::DatapathFollower(Emulator& emulator_, DatapathWindow& window_,
                                   std::function<void()> step_)
    : emulator(emulator_), window(window_), step(std::move(step_)) {}

void DatapathFollower::showPhases(const Cycle& cycle, int first, int last, const QString& heading) {
    const auto phases = showCycle(cycle, base);
    DatapathWindow::Frame frame;
    frame.heading = heading;
    // What the earlier phases put in the slots stays, as a register keeps
    // its value; only the phases from `first` on are lit.
    for (int i = 0; i <= last; ++i) {
        const PhaseView& view = phases[static_cast<std::size_t>(i)];
        if (i >= first) {
            for (std::string_view id : view.lit) {
                frame.lit << toQString(id);
            }
        }
        for (const auto& [id, text] : view.values) {
            const QString slot = toQString(id);
            std::erase_if(frame.values, [&](const auto& value) { return value.first == slot; });
            frame.values.emplace_back(slot, toQString(text));
        }
        frame.sentences << toQString(view.sentence);
    }
    frame.lit.removeDuplicates();
    window.showFrame(frame);
}

void DatapathFollower::showNothing(const QString& heading, const QString& sentence) {
    window.showFrame({{}, {}, heading, {sentence}});
}

void DatapathFollower::follow() {
    walk.reset();
    // A hidden window catches up when it is shown.
    if (stepping || !window.isVisible()) {
        return;
    }
    if (const auto last = emulator.lastCycle()) {
        const QString origin =
            last->origin.isTyped() ? QStringLiteral("Typed word") : QStringLiteral("Last word");
        showPhases(*last, 0, writePhase,
                   QStringLiteral("%1 %2: all five phases").arg(origin, wordOf(*last)));
    } else {
        showNothing(QStringLiteral("No word to show"),
                    QStringLiteral("No word has run since the program was loaded, or Back "
                                   "took every word back."));
    }
}

std::optional<Cycle> DatapathFollower::stepCycle() const {
    if (emulator.executionMode != ExecutionMode::StepByStep) {
        return std::nullopt;
    }
    return emulator.nextCycle();
}

void DatapathFollower::showNoNextWord() {
    walk.reset();
    showNothing(QStringLiteral("No next word"),
                QStringLiteral("Phase, Play and the step keys go through a program loaded in "
                               "step by step mode."));
}

void DatapathFollower::phase() {
    window.pause();
    const auto next = stepCycle();
    if (!next) {
        showNoNextWord();
        return;
    }
    // Described afresh at every phase: anything that changed the machine
    // since the last press shows, and another word starts a new walk.
    if (walk && walk->word == next->word && walk->origin == next->origin) {
        ++walkPhase;
    } else {
        walkPhase = 0;
    }
    walk = next;
    if (walkPhase < writePhase) {
        showPhases(*next, walkPhase, walkPhase,
                   QStringLiteral("Next word %1: phase %2 of 5, %3")
                       .arg(wordOf(*next))
                       .arg(walkPhase + 1)
                       .arg(toQString(phaseNames[static_cast<std::size_t>(walkPhase)])));
        return;
    }
    // Only now does the machine change.
    stepping = true;
    step();
    stepping = false;
    walk.reset();
    if (const auto last = emulator.lastCycle()) {
        showPhases(*last, writePhase, writePhase,
                   QStringLiteral("Word %1: phase 5 of 5, %2")
                       .arg(wordOf(*last), toQString(phaseNames[writePhase])));
    }
}

void DatapathFollower::startPlay() {
    if (!stepCycle()) {
        window.pause();
        showNoNextWord();
    }
}

void DatapathFollower::tick() {
    const auto next = stepCycle();
    if (!next) {
        window.pause();
        follow();
        return;
    }
    // Paused before the halt runs: its message box must not let the next
    // tick in while it waits.
    if (next->halts()) {
        window.pause();
    }
    step();
}

} // namespace mox::ui
