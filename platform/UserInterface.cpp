#include "platform/UserInterface.h"

#include <cstdio>

namespace krv {

MessageAnswer FirstAnswer(MessageButtons buttons)
{
    switch (buttons) {
        case MessageButtons::Ok:
        case MessageButtons::OkCancel:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageAnswer::Yes;
    }
    return MessageAnswer::Ok;
}

MessageAnswer UnansweredAnswer(MessageButtons buttons)
{
    switch (buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::OkCancel:
        case MessageButtons::YesNoCancel:
            return MessageAnswer::Cancel;
        case MessageButtons::YesNo:
            return MessageAnswer::No;
    }
    return MessageAnswer::Cancel;
}

MessageAnswer SilentUserInterface::ShowMessage(const std::string&, const std::string&, MessageIcon,
                                               MessageButtons buttons)
{
    return FirstAnswer(buttons);
}

MessageAnswer ConsoleUserInterface::ShowMessage(const std::string& text, const std::string&,
                                                MessageIcon, MessageButtons buttons)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    return FirstAnswer(buttons);
}

}  // namespace krv
