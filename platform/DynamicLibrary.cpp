#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

#include <cstring>
#include <utility>

namespace krv {

DynamicLibrary::~DynamicLibrary()
{
    Release();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr))
{
}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept
{
    if (this != &other) {
        Release();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

bool DynamicLibrary::Load(const std::string& name, std::string* error)
{
    Release();
    handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        if (error != nullptr) {
            const char* why = ::dlerror();
            *error = why != nullptr ? why : "cannot load " + name;
        }
        return false;
    }
    return true;
}

void DynamicLibrary::Release()
{
    if (handle_ != nullptr) ::dlclose(std::exchange(handle_, nullptr));
}

DynamicLibrary::Symbol DynamicLibrary::Find(const char* name) const
{
    if (handle_ == nullptr || name == nullptr) return nullptr;
    void* address = ::dlsym(handle_, name);
    // POSIX guarantees that a data pointer from dlsym can hold a function's address; copying the
    // bytes avoids a cast between object and function pointers.
    Symbol symbol = nullptr;
    static_assert(sizeof symbol == sizeof address);
    std::memcpy(&symbol, &address, sizeof symbol);
    return symbol;
}

}  // namespace krv
