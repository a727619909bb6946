#include "protocol/OutputFrame.h"

#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"

namespace krv {

std::string BuildOutputFrame(const OutputFrameFields& fields)
{
    CommandFrame frame = CommandFrame::Framed("W");
    frame.Hex1(static_cast<unsigned>(fields.channel + 1))
        .Hex2(fields.range & 0xFF)
        .Hex4(fields.outputCode)
        .Hex4(fields.mainControl)
        .Hex4(fields.mainAux)
        .Hex4(fields.spareWord)
        .Hex4(fields.spareWord)
        .Hex4(fields.extControl);
    for (std::uint16_t word : fields.extAux) frame.Hex4(word);
    if (fields.runState) {
        frame.Hex2(*fields.runState & 0xFF);
    } else {
        frame.Text("0");
    }
    return frame.WithEtxAndChecksum();
}

void WriteOutputFrame(DeviceLink& link, const OutputFrameFields& fields)
{
    link.WriteText(LinkKind::Com, BuildOutputFrame(fields));
}

}  // namespace krv
