#include "link/D2xxLibraries.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "link/LibFtdiD2xx.h"
#include "platform/DynamicLibrary.h"

namespace krv {

namespace {

// The Windows build of the library has a call that the Linux build may lack. The program
// never calls it, so its absence is not worth a message at every start.
d2xx::Status GetComPortNumberStandIn(d2xx::Handle, d2xx::Long* portNumber)
{
    if (portNumber != nullptr) *portNumber = -1;
    return d2xx::kNotSupported;
}

class VendorLibrary : public d2xx::D2xxLibrary {
  public:
    explicit VendorLibrary(DynamicLibrary library) : library_(std::move(library)) {}

    std::string Name() const override { return "libftd2xx.so (FTDI)"; }

    d2xx::AnyFunction Find(const char* name) const override
    {
        if (const d2xx::AnyFunction address = library_.Find(name)) return address;
        if (name != nullptr && std::strcmp(name, "FT_GetComPortNumber") == 0) {
            return reinterpret_cast<d2xx::AnyFunction>(&GetComPortNumberStandIn);
        }
        return nullptr;
    }

  private:
    DynamicLibrary library_;
};

struct Choice {
    std::mutex mutex;
    std::shared_ptr<d2xx::D2xxLibrary> installed;
    std::shared_ptr<d2xx::D2xxLibrary> usual;
    const d2xx::D2xxLibrary* announced = nullptr;
    bool showNotice = true;
};

Choice& TheChoice()
{
    static Choice choice;
    return choice;
}

}  // namespace

std::shared_ptr<d2xx::D2xxLibrary> OpenVendorD2xxLibrary()
{
    DynamicLibrary library;
    if (!library.Load("libftd2xx.so")) return nullptr;
    return std::make_shared<VendorLibrary>(std::move(library));
}

std::shared_ptr<d2xx::D2xxLibrary> BuiltInD2xxLibrary()
{
    return LibFtdiD2xxLibrary();
}

void InstallD2xxLibrary(std::shared_ptr<d2xx::D2xxLibrary> library)
{
    Choice& choice = TheChoice();
    std::lock_guard lock(choice.mutex);
    choice.installed = std::move(library);
}

void ShowD2xxNotice(bool show)
{
    Choice& choice = TheChoice();
    std::lock_guard lock(choice.mutex);
    choice.showNotice = show;
}

std::string D2xxNotice(const d2xx::D2xxLibrary& library)
{
    return kD2xxNoticePrefix + library.Name();
}

std::shared_ptr<d2xx::D2xxLibrary> DefaultD2xxLibrary()
{
    Choice& choice = TheChoice();
    std::lock_guard lock(choice.mutex);
    std::shared_ptr<d2xx::D2xxLibrary> library = choice.installed;
    if (!library) {
        if (!choice.usual) choice.usual = OpenVendorD2xxLibrary();
        if (!choice.usual) choice.usual = BuiltInD2xxLibrary();
        library = choice.usual;
    }
    if (choice.showNotice && choice.announced != library.get()) {
        choice.announced = library.get();
        std::fprintf(stderr, "%s\n", D2xxNotice(*library).c_str());
        std::fflush(stderr);
    }
    return library;
}

}  // namespace krv
