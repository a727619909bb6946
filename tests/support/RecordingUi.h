#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/UserInterface.h"

namespace krv::test {

// Records every message instead of showing it and answers with a preset answer.
class RecordingUi : public UserInterface {
  public:
    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override
    {
        MessageAnswer answer;
        {
            std::lock_guard lock(mutex_);
            messages_.push_back({text, caption, icon, buttons});
            answer = answer_.value_or(FirstAnswer(buttons));
        }
        // What happens while the box would be open (a real one runs an event loop).
        if (whileMessageOpen) whileMessageOpen();
        return answer;
    }
    void SetWaitCursor(bool on) override
    {
        std::lock_guard lock(mutex_);
        waitCursorDepth_ += on ? 1 : -1;
        if (on) ++waitCursorShown_;
    }
    bool ProcessPendingEvents() override
    {
        ++eventsProcessed_;
        if (onPendingEvents) onPendingEvents();
        return true;
    }

    std::vector<Message> Messages() const
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Message& m : Messages()) texts.push_back(m.text);
        return texts;
    }
    int WaitCursorDepth() const { return waitCursorDepth_; }
    int WaitCursorShown() const { return waitCursorShown_; }
    int EventsProcessed() const { return eventsProcessed_; }
    void AnswerWith(MessageAnswer answer) { answer_ = answer; }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }

    // Run from inside ShowMessage and ProcessPendingEvents when set (on the calling thread).
    std::function<void()> whileMessageOpen;
    std::function<void()> onPendingEvents;

  private:
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
    int waitCursorDepth_ = 0;
    int waitCursorShown_ = 0;
    std::atomic<int> eventsProcessed_{0};
    std::optional<MessageAnswer> answer_;
};

}  // namespace krv::test
