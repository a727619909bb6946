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
