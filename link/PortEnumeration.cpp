#include "link/PortEnumeration.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <limits>
#include <string_view>

#include "platform/SerialDevices.h"

namespace krv {

namespace {

constexpr std::string_view kDevFolder = "/dev/";

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsListed(const PortList& list, const std::string& name)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const PortEntry& entry) { return entry.name == name; });
}

}  // namespace

std::string PortNameFromPath(const std::string& path)
{
    if (path.empty() || path.front() != '/') return path;
    // "/dev//ttyUSB0", "/dev/./ttyUSB0" and "/dev/ttyUSB0/" name the same port as "/dev/ttyUSB0";
    // without normalising they would be listed twice and never match the system's entry.
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    if (normal.size() > kDevFolder.size() &&
        normal.compare(0, kDevFolder.size(), kDevFolder) == 0) {
        return normal.substr(kDevFolder.size());
    }
    return normal;
}

std::int32_t PortNumber(const std::string& name)
{
    std::size_t start = name.size();
    while (start > 0 && IsDigit(name[start - 1])) --start;
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
    std::int64_t number = 0;
    for (std::size_t i = start; i < name.size(); ++i) {
        number = std::min(number * 10 + (name[i] - '0'), kLargest);
    }
    return static_cast<std::int32_t>(number);
}

std::string PortEntryText(const PortEntry& entry)
{
    return "(" + entry.name + ")  " + entry.description;
}

std::string PortNameFromEntryText(const std::string& text)
{
    if (text.empty() || text.front() != '(') return {};
    const std::size_t close = text.find(')', 1);
    if (close == std::string::npos) return {};
    return text.substr(1, close - 1);
}

void SortPortList(PortList& list)
{
    // std::string compares as unsigned bytes, which is the order wanted for descriptions.
    std::stable_sort(list.begin(), list.end(), [](const PortEntry& a, const PortEntry& b) {
        if (a.number != b.number) return a.number < b.number;
        return a.description < b.description;
    });
}

PortList EnumeratePorts(const std::vector<ExtraPort>& extra)
{
    PortList list;
    for (SerialDevice& device : ListSerialDevices()) {
        const std::int32_t number = PortNumber(device.name);
        list.push_back({std::move(device.description), std::move(device.name), number});
    }
    for (const ExtraPort& port : extra) {
        std::string name = PortNameFromPath(port.name);
        if (name.empty() || IsListed(list, name)) continue;
        std::string description =
            port.description.empty() ? DescribeSerialDevice(name) : port.description;
        const std::int32_t number = PortNumber(name);
        list.push_back({std::move(description), std::move(name), number});
    }
    SortPortList(list);
    return list;
}

PortListChanges ComparePortLists(const PortList& before, const PortList& after)
{
    const auto missingFrom = [](const PortList& list, const PortList& other) {
        PortList missing;
        std::copy_if(list.begin(), list.end(), std::back_inserter(missing),
                     [&](const PortEntry& entry) {
                         return std::none_of(other.begin(), other.end(), [&](const PortEntry& o) {
                             return o.name == entry.name && o.description == entry.description;
                         });
                     });
        return missing;
    };
    return {missingFrom(after, before), missingFrom(before, after)};
}

int PortToSelect(const PortList& list, const std::vector<std::string>& wanted)
{
    for (const std::string& name : wanted) {
        if (name.empty()) continue;
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const PortEntry& entry) { return entry.name == name; });
        if (it != list.end()) return static_cast<int>(it - list.begin());
    }
    return list.empty() ? -1 : 0;
}

std::vector<PortEntry> PortsDescribedAs(const PortList& list, const std::string& text)
{
    std::vector<PortEntry> found;
    std::copy_if(list.begin(), list.end(), std::back_inserter(found), [&](const PortEntry& entry) {
        return entry.description.find(text) != std::string::npos;
    });
    return found;
}

}  // namespace krv
