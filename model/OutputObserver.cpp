#include "model/OutputObserver.h"

#include <algorithm>

namespace krv {

void OutputObservers::Add(OutputObserver& observer)
{
    if (std::find(list_.begin(), list_.end(), &observer) == list_.end()) {
        list_.push_back(&observer);
    }
}

void OutputObservers::Remove(OutputObserver& observer)
{
    const auto found = std::find(list_.begin(), list_.end(), &observer);
    if (found == list_.end()) return;
    if (notifying_ > 0) {
        *found = nullptr;
    } else {
        list_.erase(found);
    }
}

void OutputObservers::Notify(const GeneratorState& state, int ch, OutputEvent event) const
{
    ++notifying_;
    // By index: an observer may add another meanwhile, which moves the vector.
    for (std::size_t i = 0; i < list_.size(); ++i) {
        if (OutputObserver* observer = list_[i]) observer->OutputChanged(state, ch, event);
    }
    if (--notifying_ == 0) std::erase(list_, nullptr);
}

}  // namespace krv
