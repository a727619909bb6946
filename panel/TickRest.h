#pragma once

namespace krv {

// Rests the tick's periodic work (and, when given, the status polling) for as long as it lives, so
// a maintenance command cannot leave the panel without its tick on any path out. The tick resumes
// on destruction; the polling resumes only as told with ResumePolling, since whether it may go on
// depends on what the command did to the link.
class TickRest {
  public:
    explicit TickRest(bool& tickProcessing, bool* pollingEnabled = nullptr)
        : tickProcessing_(tickProcessing),
          pollingEnabled_(pollingEnabled),
          wasPolling_(pollingEnabled != nullptr && *pollingEnabled)
    {
        tickProcessing_ = false;
        if (pollingEnabled_ != nullptr) *pollingEnabled_ = false;
    }
    ~TickRest()
    {
        if (pollingEnabled_ != nullptr && resumePolling_ >= 0)
            *pollingEnabled_ = resumePolling_ != 0;
        tickProcessing_ = true;
    }
    TickRest(const TickRest&) = delete;
    TickRest& operator=(const TickRest&) = delete;

    // Whether the polling ran when the rest began.
    bool WasPolling() const { return wasPolling_; }
    // The polling's state once the rest ends; without this call it is left as it then stands.
    void ResumePolling(bool on) { resumePolling_ = on ? 1 : 0; }

  private:
    bool& tickProcessing_;
    bool* pollingEnabled_;
    bool wasPolling_;
    int resumePolling_ = -1;
};

}  // namespace krv
