#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace krv {

// One entry of the panel's port list.
struct PortEntry {
    std::string description;  // what the system knows of the device, e.g. "Holvik KRV FT230X"
    std::string name;         // relative to /dev ("ttyUSB0", "pts/3") or an absolute path
    std::int32_t number = 0;  // the number at the end of the name, for ordering
};
using PortList = std::vector<PortEntry>;

// A port that does not come from the system: the virtual unit's pty, ports named on the command
// line.
struct ExtraPort {
    std::string name;
    std::string description;
};

// Normalises a user-given port: "/dev/ttyUSB0" -> "ttyUSB0", "/dev/pts/3" -> "pts/3", an absolute
// path elsewhere stays absolute, a bare name stays as it is. Absolute paths are normalised first,
// so that "/dev//ttyUSB0" and "/dev/./ttyUSB0/" name the same port as "/dev/ttyUSB0".
std::string PortNameFromPath(const std::string& path);

// The decimal number at the end of the name ("ttyUSB12" -> 12, "pts/3" -> 3), 0 when there is
// none; a number too large for 32 bits counts as the largest 32-bit number.
std::int32_t PortNumber(const std::string& name);

// The list entry text: "(" + name + ")  " + description.
std::string PortEntryText(const PortEntry& entry);

// The port name inside an entry text: the text between the leading "(" and the first ")" after
// it; empty when the text does not start with "(" or has no ")".
std::string PortNameFromEntryText(const std::string& text);

// Sorts by number, then by description compared byte by byte; equal entries keep their order.
void SortPortList(PortList& list);

// The system's serial ports plus `extra`, sorted. An extra port the system already lists is not
// listed twice (the system's entry stays); an extra port without a description gets the one the
// system has for it, if any.
PortList EnumeratePorts(const std::vector<ExtraPort>& extra = {});

// What differs between two port lists: entries matched by their whole text, so a port whose
// description changed is removed and added again. Both keep the order of their list.
struct PortListChanges {
    PortList added;
    PortList removed;
    bool Empty() const { return added.empty() && removed.empty(); }
};
PortListChanges ComparePortLists(const PortList& before, const PortList& after);

// The entry to select in `list`: the first of `wanted` (port names, most wanted first; empty names
// are passed over) that is listed, else the first entry; -1 for an empty list.
int PortToSelect(const PortList& list, const std::vector<std::string>& wanted);

// The entries whose description contains `text`.
std::vector<PortEntry> PortsDescribedAs(const PortList& list, const std::string& text);

}  // namespace krv
