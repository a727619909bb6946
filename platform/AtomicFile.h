#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace krv {

// Replaces `target` with `bytes` so that at every moment the target holds either its old or its
// complete new content, also across a crash or a full disk: the bytes go to a temporary file in
// the same folder, are flushed to the disk and then renamed over the target. On failure the
// temporary is removed, the target is left as it was, and `error` (if given) receives the reason.
// A target that is a symbolic link is replaced at the place the link points to. Anything but a
// regular file (a FIFO, a device, a folder) is refused and left as it is; WriteOutputFile writes
// into such targets instead.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string* error = nullptr);

// Removes the temporaries WriteFileAtomically left beside `target` when the process writing them
// ended before it could finish (killed, or the power lost). Those of running processes stay.
void RemoveStaleTemporaries(const std::filesystem::path& target);

// Creates `folder` and any missing parents. True when the folder exists afterwards.
bool EnsureFolder(const std::filesystem::path& folder, std::string* error = nullptr);

// Writes all of `bytes` to `fd`, going on after interruptions and short writes. False with the
// errno in `error` when the descriptor refuses them.
bool WriteAll(int fd, std::string_view bytes, int& error);

}  // namespace krv
