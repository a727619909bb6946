// The libusb-1.0 functions libftdi1 calls, over the emulated bus. Each keeps the contract the
// libusb documentation gives it (return values, reference counting, NUL-terminated ASCII
// strings, kernel-driver detaching); libftdi1's asynchronous transfers are not emulated and are
// refused, which the program never needs.
#include "UsbStandIn.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <libusb.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <set>

struct libusb_context {
    int id = 0;
};

struct libusb_device {
    std::shared_ptr<krv::test::EmulatedFt230x> chip;
    int references = 1;
};

struct libusb_device_handle {
    libusb_device* device = nullptr;
    bool claimed = false;
    bool autoDetach = false;
    bool detachedByUs = false;
};

namespace krv::test {

EmulatedUsbBus& EmulatedUsbBus::Instance()
{
    static EmulatedUsbBus bus;
    return bus;
}

void EmulatedUsbBus::Plug(std::shared_ptr<EmulatedFt230x> device)
{
    std::lock_guard lock(mutex_);
    devices_.push_back(std::move(device));
}

void EmulatedUsbBus::Clear()
{
    std::lock_guard lock(mutex_);
    devices_.clear();
    calls_.clear();
    anomalies_.clear();
}

std::vector<std::shared_ptr<EmulatedFt230x>> EmulatedUsbBus::Present() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<EmulatedFt230x>> present;
    for (const auto& d : devices_) {
        if (d->Present()) present.push_back(d);
    }
    return present;
}

std::map<std::string, int> EmulatedUsbBus::Calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

int EmulatedUsbBus::OpenContexts() const
{
    std::lock_guard lock(mutex_);
    return contexts_;
}

int EmulatedUsbBus::OpenHandles() const
{
    std::lock_guard lock(mutex_);
    return handles_;
}

std::vector<std::string> EmulatedUsbBus::Anomalies() const
{
    std::lock_guard lock(mutex_);
    return anomalies_;
}

void EmulatedUsbBus::Count(const char* function)
{
    std::lock_guard lock(mutex_);
    ++calls_[function];
}

void EmulatedUsbBus::AddAnomaly(const std::string& text)
{
    std::lock_guard lock(mutex_);
    anomalies_.push_back(text);
}

void EmulatedUsbBus::ContextOpened(int delta)
{
    std::lock_guard lock(mutex_);
    contexts_ += delta;
}

void EmulatedUsbBus::HandleOpened(int delta)
{
    std::lock_guard lock(mutex_);
    handles_ += delta;
}

namespace {

EmulatedUsbBus& Bus(const char* function)
{
    EmulatedUsbBus& bus = EmulatedUsbBus::Instance();
    bus.Count(function);
    return bus;
}

bool Gone(const libusb_device_handle* handle)
{
    return handle == nullptr || !handle->device->chip->Present();
}

}  // namespace

}  // namespace krv::test

using krv::test::Bus;
using krv::test::Gone;

int libusb_init(libusb_context** context)
{
    Bus(__func__).ContextOpened(1);
    auto* made = new libusb_context;
    if (context != nullptr) {
        *context = made;
    } else {
        delete made;  // the default context: nothing of it is kept
    }
    return 0;
}

void libusb_exit(libusb_context* context)
{
    Bus(__func__).ContextOpened(-1);
    delete context;
}

ssize_t libusb_get_device_list(libusb_context*, libusb_device*** list)
{
    const auto present = Bus(__func__).Present();
    auto** made = new libusb_device*[present.size() + 1];
    for (std::size_t i = 0; i < present.size(); ++i) made[i] = new libusb_device{present[i], 1};
    made[present.size()] = nullptr;
    *list = made;
    return static_cast<ssize_t>(present.size());
}

void libusb_unref_device(libusb_device* device)
{
    Bus(__func__);
    if (device == nullptr) return;
    if (--device->references == 0) delete device;
}

libusb_device* libusb_ref_device(libusb_device* device)
{
    Bus(__func__);
    ++device->references;
    return device;
}

void libusb_free_device_list(libusb_device** list, int unrefDevices)
{
    Bus(__func__);
    if (list == nullptr) return;
    if (unrefDevices != 0) {
        for (libusb_device** d = list; *d != nullptr; ++d) libusb_unref_device(*d);
    }
    delete[] list;
}

int libusb_get_device_descriptor(libusb_device* device, libusb_device_descriptor* descriptor)
{
    Bus(__func__);
    *descriptor = libusb_device_descriptor{};
    descriptor->bLength = LIBUSB_DT_DEVICE_SIZE;
    descriptor->bDescriptorType = LIBUSB_DT_DEVICE;
    descriptor->bcdUSB = 0x0200;
    descriptor->bMaxPacketSize0 = 8;
    descriptor->idVendor = krv::test::kFtdiVendor;
    descriptor->idProduct = krv::test::kFt230xProduct;
    descriptor->bcdDevice = krv::test::kFtxBcdDevice;
    descriptor->iManufacturer = 1;
    descriptor->iProduct = 2;
    descriptor->iSerialNumber = device->chip->Config().serialNumber.empty() ? 0 : 3;
    descriptor->bNumConfigurations = 1;
    return 0;
}

namespace {

// One block holds the configuration descriptor and everything it points at.
struct ConfigBlock {
    libusb_config_descriptor config;
    libusb_interface interface;
    libusb_interface_descriptor setting;
    libusb_endpoint_descriptor endpoints[2];
};

}  // namespace

int libusb_get_config_descriptor(libusb_device*, uint8_t index, libusb_config_descriptor** config)
{
    Bus(__func__);
    if (index != 0) return LIBUSB_ERROR_NOT_FOUND;
    auto* block = new ConfigBlock{};
    for (int i = 0; i < 2; ++i) {
        libusb_endpoint_descriptor& e = block->endpoints[i];
        e.bLength = LIBUSB_DT_ENDPOINT_SIZE;
        e.bDescriptorType = LIBUSB_DT_ENDPOINT;
        e.bEndpointAddress = i == 0 ? krv::test::kBulkInEndpoint : krv::test::kBulkOutEndpoint;
        e.bmAttributes = LIBUSB_TRANSFER_TYPE_BULK;
        e.wMaxPacketSize = krv::test::kPacketSize;
    }
    block->setting.bLength = LIBUSB_DT_INTERFACE_SIZE;
    block->setting.bDescriptorType = LIBUSB_DT_INTERFACE;
    block->setting.bNumEndpoints = 2;
    block->setting.bInterfaceClass = LIBUSB_CLASS_VENDOR_SPEC;
    block->setting.bInterfaceSubClass = 0xFF;
    block->setting.bInterfaceProtocol = 0xFF;
    block->setting.iInterface = 2;
    block->setting.endpoint = block->endpoints;
    block->interface.altsetting = &block->setting;
    block->interface.num_altsetting = 1;
    block->config.bLength = LIBUSB_DT_CONFIG_SIZE;
    block->config.bDescriptorType = LIBUSB_DT_CONFIG;
    block->config.bNumInterfaces = 1;
    block->config.bConfigurationValue = 1;
    block->config.bmAttributes = 0x80;
    block->config.MaxPower = 45;
    block->config.interface = &block->interface;
    *config = &block->config;
    return 0;
}

void libusb_free_config_descriptor(libusb_config_descriptor* config)
{
    Bus(__func__);
    delete reinterpret_cast<ConfigBlock*>(config);
}

uint8_t libusb_get_bus_number(libusb_device* device)
{
    Bus(__func__);
    return device->chip->Config().busNumber;
}

uint8_t libusb_get_device_address(libusb_device* device)
{
    Bus(__func__);
    return device->chip->Config().deviceAddress;
}

int libusb_open(libusb_device* device, libusb_device_handle** handle)
{
    krv::test::EmulatedUsbBus& bus = Bus(__func__);
    if (!device->chip->Present()) return LIBUSB_ERROR_NO_DEVICE;
    ++device->references;
    *handle = new libusb_device_handle{device};
    bus.HandleOpened(1);
    return 0;
}

int libusb_release_interface(libusb_device_handle* handle, int interface)
{
    krv::test::EmulatedUsbBus& bus = Bus(__func__);
    if (interface != 0 || !handle->claimed) {
        bus.AddAnomaly("release of interface " + std::to_string(interface) + " not claimed");
        return LIBUSB_ERROR_NOT_FOUND;
    }
    handle->claimed = false;
    if (handle->detachedByUs) {
        handle->detachedByUs = false;
        handle->device->chip->SetKernelDriverBound(true);
    }
    return Gone(handle) ? LIBUSB_ERROR_NO_DEVICE : 0;
}

void libusb_close(libusb_device_handle* handle)
{
    krv::test::EmulatedUsbBus& bus = Bus(__func__);
    if (handle == nullptr) return;
    // The kernel drops a claim the handle still holds, but only a release gives a driver
    // detached by the claim back: a program that closes without releasing keeps the serial port
    // away.
    handle->claimed = false;
    libusb_unref_device(handle->device);
    delete handle;
    bus.HandleOpened(-1);
}

int libusb_get_string_descriptor_ascii(libusb_device_handle* handle, uint8_t index,
                                       unsigned char* data, int length)
{
    Bus(__func__);
    if (Gone(handle)) return LIBUSB_ERROR_NO_DEVICE;
    if (index == 0 || length <= 0) return LIBUSB_ERROR_INVALID_PARAM;
    const auto text = handle->device->chip->StringDescriptor(index);
    if (!text) return LIBUSB_ERROR_PIPE;
    const int n = std::min(static_cast<int>(text->size()), length - 1);
    std::memcpy(data, text->data(), static_cast<std::size_t>(n));
    data[n] = '\0';
    return n;
}

int libusb_get_configuration(libusb_device_handle* handle, int* configuration)
{
    Bus(__func__);
    if (Gone(handle)) return LIBUSB_ERROR_NO_DEVICE;
    *configuration = 1;
    return 0;
}

int libusb_set_configuration(libusb_device_handle* handle, int configuration)
{
    krv::test::EmulatedUsbBus& bus = Bus(__func__);
    if (Gone(handle)) return LIBUSB_ERROR_NO_DEVICE;
    if (configuration != 1) bus.AddAnomaly("configuration " + std::to_string(configuration));
    return configuration == 1 ? 0 : LIBUSB_ERROR_NOT_FOUND;
}

int libusb_set_auto_detach_kernel_driver(libusb_device_handle* handle, int enable)
{
    Bus(__func__);
    handle->autoDetach = enable != 0;
    return 0;
}

int libusb_detach_kernel_driver(libusb_device_handle* handle, int interface)
{
    Bus(__func__);
    if (Gone(handle)) return LIBUSB_ERROR_NO_DEVICE;
    if (interface != 0) return LIBUSB_ERROR_NOT_FOUND;
    if (!handle->device->chip->KernelDriverBound()) return LIBUSB_ERROR_NOT_FOUND;
    handle->device->chip->SetKernelDriverBound(false);
    return 0;
}

int libusb_claim_interface(libusb_device_handle* handle, int interface)
{
    Bus(__func__);
    if (Gone(handle)) return LIBUSB_ERROR_NO_DEVICE;
    if (interface != 0) return LIBUSB_ERROR_NOT_FOUND;
    krv::test::EmulatedFt230x& chip = *handle->device->chip;
    if (chip.KernelDriverBound()) {
        if (!handle->autoDetach) return LIBUSB_ERROR_BUSY;
        chip.SetKernelDriverBound(false);
        handle->detachedByUs = true;
    }
    handle->claimed = true;
    return 0;
}

int libusb_control_transfer(libusb_device_handle* handle, uint8_t requestType, uint8_t request,
                            uint16_t value, uint16_t index, unsigned char* data, uint16_t length,
                            unsigned int)
{
    Bus(__func__);
    if (handle == nullptr) return LIBUSB_ERROR_INVALID_PARAM;
    return handle->device->chip->Control(requestType, request, value, index, data, length);
}

int libusb_bulk_transfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data,
                         int length, int* transferred, unsigned int timeout)
{
    krv::test::EmulatedUsbBus& bus = Bus(__func__);
    if (handle == nullptr) return LIBUSB_ERROR_INVALID_PARAM;
    if (!handle->claimed) bus.AddAnomaly("bulk transfer without the interface claimed");
    return handle->device->chip->Bulk(endpoint, data, length, transferred, timeout);
}

// libftdi1's asynchronous transfers: refused, and any use of them is a finding.
libusb_transfer* libusb_alloc_transfer(int)
{
    Bus(__func__).AddAnomaly("asynchronous transfer allocated");
    return nullptr;
}

void libusb_free_transfer(libusb_transfer*)
{
    Bus(__func__);
}

int libusb_submit_transfer(libusb_transfer*)
{
    Bus(__func__).AddAnomaly("asynchronous transfer submitted");
    return LIBUSB_ERROR_NOT_SUPPORTED;
}

int libusb_cancel_transfer(libusb_transfer*)
{
    Bus(__func__);
    return LIBUSB_ERROR_NOT_FOUND;
}

int libusb_handle_events_timeout(libusb_context*, timeval*)
{
    Bus(__func__).AddAnomaly("asynchronous events handled");
    return LIBUSB_ERROR_NOT_SUPPORTED;
}

int libusb_handle_events_timeout_completed(libusb_context*, timeval*, int*)
{
    Bus(__func__).AddAnomaly("asynchronous events handled");
    return LIBUSB_ERROR_NOT_SUPPORTED;
}

namespace krv::test {

namespace {

// The path of the loaded libftdi1.
std::string LoadedLibftdi()
{
    std::string path;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            if (std::strstr(info->dlpi_name, "libftdi1.so") == nullptr) return 0;
            *static_cast<std::string*>(data) = info->dlpi_name;
            return 1;
        },
        &path);
    return path;
}

// The libusb_* names a shared object imports, from its dynamic symbol table.
std::set<std::string> ImportedLibusbNames(const std::string& path)
{
    std::set<std::string> names;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return names;
    struct stat info {};
    void* map = ::fstat(fd, &info) == 0 ? ::mmap(nullptr, static_cast<std::size_t>(info.st_size),
                                                 PROT_READ, MAP_PRIVATE, fd, 0)
                                        : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED) return names;
    const auto* base = static_cast<const unsigned char*>(map);
    const auto* header = reinterpret_cast<const Elf64_Ehdr*>(base);
    const auto* sections = reinterpret_cast<const Elf64_Shdr*>(base + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM) continue;
        const auto* symbols = reinterpret_cast<const Elf64_Sym*>(base + sections[i].sh_offset);
        const char* strings =
            reinterpret_cast<const char*>(base + sections[sections[i].sh_link].sh_offset);
        const std::size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
        for (std::size_t k = 0; k < count; ++k) {
            const std::string name = strings + symbols[k].st_name;
            if (symbols[k].st_shndx == SHN_UNDEF && name.starts_with("libusb_")) {
                names.insert(name);
            }
        }
    }
    ::munmap(map, static_cast<std::size_t>(info.st_size));
    return names;
}

}  // namespace

std::vector<std::string> StandInGaps()
{
#define KRV_STAND_IN(name)                      \
    {                                           \
#name, reinterpret_cast < void*>(&name) \
    }
    const std::map<std::string, void*> functions = {
        KRV_STAND_IN(libusb_alloc_transfer),
        KRV_STAND_IN(libusb_bulk_transfer),
        KRV_STAND_IN(libusb_cancel_transfer),
        KRV_STAND_IN(libusb_claim_interface),
        KRV_STAND_IN(libusb_close),
        KRV_STAND_IN(libusb_control_transfer),
        KRV_STAND_IN(libusb_detach_kernel_driver),
        KRV_STAND_IN(libusb_exit),
        KRV_STAND_IN(libusb_free_config_descriptor),
        KRV_STAND_IN(libusb_free_device_list),
        KRV_STAND_IN(libusb_free_transfer),
        KRV_STAND_IN(libusb_get_bus_number),
        KRV_STAND_IN(libusb_get_config_descriptor),
        KRV_STAND_IN(libusb_get_configuration),
        KRV_STAND_IN(libusb_get_device_address),
        KRV_STAND_IN(libusb_get_device_descriptor),
        KRV_STAND_IN(libusb_get_device_list),
        KRV_STAND_IN(libusb_get_string_descriptor_ascii),
        KRV_STAND_IN(libusb_handle_events_timeout),
        KRV_STAND_IN(libusb_handle_events_timeout_completed),
        KRV_STAND_IN(libusb_init),
        KRV_STAND_IN(libusb_open),
        KRV_STAND_IN(libusb_ref_device),
        KRV_STAND_IN(libusb_release_interface),
        KRV_STAND_IN(libusb_set_auto_detach_kernel_driver),
        KRV_STAND_IN(libusb_set_configuration),
        KRV_STAND_IN(libusb_submit_transfer),
        KRV_STAND_IN(libusb_unref_device),
    };
#undef KRV_STAND_IN
    const std::string libftdi = LoadedLibftdi();
    if (libftdi.empty()) return {"(libftdi1 is not loaded)"};
    const std::set<std::string> imported = ImportedLibusbNames(libftdi);
    if (imported.empty()) return {"(no libusb imports found in " + libftdi + ")"};
    std::vector<std::string> gaps;
    for (const std::string& name : imported) {
        const auto it = functions.find(name);
        // The lookup libftdi1's own references go through: the global scope, program first.
        if (it == functions.end() || ::dlsym(RTLD_DEFAULT, name.c_str()) != it->second) {
            gaps.push_back(name);
        }
    }
    return gaps;
}

}  // namespace krv::test
