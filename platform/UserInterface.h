#pragma once

#include <string>

#include "platform/Translate.h"

namespace krv {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// What the core needs from whoever shows things to the user. The panel binds it to message boxes
// and the application's cursor, krvctl to standard error, tests to a recorder.
class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // Shows a modal message and returns the button chosen.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      MessageIcon icon, MessageButtons buttons) = 0;
    // Turns the wait cursor on and off; calls nest.
    virtual void SetWaitCursor(bool on) = 0;
    // Lets queued window events run. Returns false when the application is quitting.
    virtual bool ProcessPendingEvents() = 0;
};

// Shows nothing, answers every question with its first button.
class SilentUserInterface : public UserInterface {
  public:
    MessageAnswer ShowMessage(const std::string&, const std::string&, MessageIcon,
                              MessageButtons buttons) override;
    void SetWaitCursor(bool) override {}
    bool ProcessPendingEvents() override { return true; }
};

// Writes messages to standard error, one per line; questions get their first button.
class ConsoleUserInterface : public UserInterface {
  public:
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    void SetWaitCursor(bool) override {}
    bool ProcessPendingEvents() override { return true; }
};

// The wait cursor for the lifetime of a scope.
class WaitCursor {
  public:
    explicit WaitCursor(UserInterface& ui, bool enabled = true) : ui_(ui), enabled_(enabled)
    {
        if (enabled_) ui_.SetWaitCursor(true);
    }
    ~WaitCursor()
    {
        if (enabled_) ui_.SetWaitCursor(false);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    UserInterface& ui_;
    bool enabled_;
};

// The first button of a button set: what a user who just presses Enter would choose.
MessageAnswer FirstAnswer(MessageButtons buttons);

// What a question nobody answered counts as (a box closed without a button, one that could not be
// shown or handed to the window's thread, the program ending meanwhile): Cancel where the set has
// it, else No; a plain message's OK. Whoever asked then goes on as after the user declined.
MessageAnswer UnansweredAnswer(MessageButtons buttons);

// Caption of messages that carry no caption of their own.
inline constexpr const char* kApplicationTitle = "Bremix2";
// Caption of the notices, refusals and questions of the panel, its dialogs and its flows.
// Captions are marked for translation where they are defined; the panel translates them when it
// shows a message.
inline constexpr const char* kCaptionNotice = KRV_TRANSLATE_NOOP("Caption", "確認");

}  // namespace krv
