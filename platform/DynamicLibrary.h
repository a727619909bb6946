#pragma once

#include <string>

namespace krv {

// A shared library loaded at run time, released when the object goes. Symbols are looked up by
// name; what a symbol's type is, the caller knows.
class DynamicLibrary {
  public:
    // Any function address; cast to the real type before calling.
    using Symbol = void (*)();

    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads `name` the way the dynamic linker finds libraries. False, with the linker's reason in
    // `error`, when it cannot be loaded; a library loaded before is released first.
    bool Load(const std::string& name, std::string* error = nullptr);
    void Release();
    bool Loaded() const { return handle_ != nullptr; }

    // The function of that name, or null when the library has none.
    Symbol Find(const char* name) const;

  private:
    void* handle_ = nullptr;
};

}  // namespace krv
