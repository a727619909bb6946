#include "flows/LinkFrameSink.h"

#include "link/DeviceLink.h"

namespace krv {

bool LinkFrameSink::Connected() const
{
    return link_.IsOpen();
}

void LinkFrameSink::Send(std::string_view frame)
{
    link_.WriteText(LinkKind::Com, frame);
}

}  // namespace krv
