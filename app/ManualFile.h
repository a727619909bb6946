#pragma once

#include <filesystem>
#include <vector>

namespace krv {

// Where the panel's manual (its man page rendered as HTML) may be, beside a program in
// `programFolder`, in the order they are tried: installed, share/doc/bremix2/manual.html next to
// the program's bin folder; in the build tree, doc/manual.html next to the program's folder.
std::vector<std::filesystem::path> ManualCandidates(const std::filesystem::path& programFolder);

// The first candidate that is a regular file; empty when there is none.
std::filesystem::path FindManual(const std::filesystem::path& programFolder);

}  // namespace krv
