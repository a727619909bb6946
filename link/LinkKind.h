#pragma once

namespace krv {

// Which transport an exchange goes over: the serial port or the USB bridge driven directly.
enum class LinkKind : int { Com = 0, Ftdi = 1 };

}  // namespace krv
