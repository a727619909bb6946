#include "link/D2xx.h"

#include <array>
#include <cstring>

namespace krv::d2xx {

namespace {

constexpr std::array<const char*, kEntryPointCount> kNames = {
#define KRV_D2XX_NAME(name, ...) #name,
    KRV_D2XX_ENTRY_POINTS(KRV_D2XX_NAME)
#undef KRV_D2XX_NAME
};

}  // namespace

const char* EntryPoints::NameAt(std::size_t index)
{
    return index < kNames.size() ? kNames[index] : "";
}

void EntryPoints::Assign(std::size_t index, AnyFunction address)
{
    std::size_t i = 0;
    // Each entry point has its own type; the address is converted to it.
#define KRV_D2XX_ASSIGN(name, ...)                         \
    if (i++ == index) {                                    \
        name = reinterpret_cast<name##_Function>(address); \
        return;                                            \
    }
    KRV_D2XX_ENTRY_POINTS(KRV_D2XX_ASSIGN)
#undef KRV_D2XX_ASSIGN
}

AnyFunction EntryPoints::Find(const char* name) const
{
    if (name == nullptr) return nullptr;
#define KRV_D2XX_FIND(entry, ...) \
    if (std::strcmp(name, #entry) == 0) return reinterpret_cast<AnyFunction>(entry);
    KRV_D2XX_ENTRY_POINTS(KRV_D2XX_FIND)
#undef KRV_D2XX_FIND
    return nullptr;
}

}  // namespace krv::d2xx
