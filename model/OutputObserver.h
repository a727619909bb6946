#pragma once

#include <cstddef>
#include <vector>

namespace krv {

class GeneratorState;

// What just happened to a channel.
enum class OutputEvent {
    Sent,      // its output frame went to the unit: what the unit was told
    Status,    // a status reply of the unit was taken into it: what the unit reported
    RunState,  // its automatic output was started, paused or stopped by the PC
};

// Watches what the unit is told and what it reports, channel by channel: the output log and the
// trend. Called on the thread that drives the unit, right after the change; an observer must not
// send anything to the unit from here.
class OutputObserver {
  public:
    virtual ~OutputObserver() = default;
    virtual void OutputChanged(const GeneratorState& state, int ch, OutputEvent event) = 0;
};

// The observers of one GeneratorState. They belong to that object, not to its value: a copy of
// the state starts without observers, and an assignment keeps the target's own.
class OutputObservers {
  public:
    OutputObservers() = default;
    OutputObservers(const OutputObservers&) {}
    OutputObservers& operator=(const OutputObservers&) { return *this; }

    void Add(OutputObserver& observer);
    void Remove(OutputObserver& observer);
    // Tells every observer; one that is removed meanwhile is not called any more.
    void Notify(const GeneratorState& state, int ch, OutputEvent event) const;

  private:
    // Removed entries become null while a notification runs and are dropped after it.
    mutable std::vector<OutputObserver*> list_;
    mutable int notifying_ = 0;
};

}  // namespace krv
