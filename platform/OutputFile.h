#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace krv {

// Where the bytes of a file named by the user as output go.
struct OutputTarget {
    enum class Kind {
        Replace,     // a regular file, or none yet: written whole beside it and renamed over it
        WriteInto,   // an existing FIFO, terminal or other device: opened and written as it is
        Descriptor,  // an open descriptor of this process ("-", /dev/stdout, /dev/fd/N)
    };
    Kind kind = Kind::Replace;
    std::filesystem::path path;  // with every symbolic link resolved (Replace, WriteInto)
    int fd = -1;                 // Descriptor
};

// Decides how `name` is written. "-" is standard output. Symbolic links are followed to what they
// point to and stay links; a link pointing nowhere names the file it would point to, which is
// created. Refused (nullopt, reason in `error`) for a folder, a link loop or a folder that does
// not exist.
std::optional<OutputTarget> ResolveOutputFile(const std::string& name,
                                              std::string* error = nullptr);

// Writes `bytes` to `name` as ResolveOutputFile decides: a regular file is replaced atomically
// (WriteFileAtomically), anything else is written into without being replaced. False with the
// reason in `error` when not all bytes could be written.
bool WriteOutputFile(const std::string& name, std::string_view bytes, std::string* error = nullptr);

// True when `name` is this process's standard output ("-", /dev/stdout, /dev/fd/1, ...): whoever
// writes it must keep its own reports off standard output.
bool NamesStandardOutput(const std::string& name);

}  // namespace krv
