#pragma once

#include <ftdi.h>
#include <libusb.h>

#include <memory>

#include "link/D2xx.h"

namespace krv {

// The built-in provider of the D2XX calls, over libftdi1, for machines without FTDI's own
// library. It opens the unit's bridge (USB 0403:6015) by description, lists devices by index
// with a context of its own, drives the CBUS pins in bit-bang mode, and reads with a deadline.
// Opening takes the bridge from the kernel's serial driver and closing gives it back, so the
// serial port returns.

inline constexpr int kFtdiVendorId = 0x0403;
inline constexpr int kFt230xProductId = 0x6015;

// The libftdi1 calls the provider makes, so that tests can put a fake in their place.
struct LibFtdiCalls {
    ftdi_context* (*New)();
    void (*Free)(ftdi_context* ftdi);
    int (*OpenDesc)(ftdi_context* ftdi, int vendor, int product, const char* description,
                    const char* serial);
    int (*Close)(ftdi_context* ftdi);
    int (*Reset)(ftdi_context* ftdi);
    int (*FlushRx)(ftdi_context* ftdi);
    int (*FlushTx)(ftdi_context* ftdi);
    int (*SetBaudrate)(ftdi_context* ftdi, int baudrate);
    int (*SetLineProperty)(ftdi_context* ftdi, ftdi_bits_type bits, ftdi_stopbits_type stopBits,
                           ftdi_parity_type parity);
    int (*SetBitmode)(ftdi_context* ftdi, unsigned char mask, unsigned char mode);
    int (*SetLatencyTimer)(ftdi_context* ftdi, unsigned char milliseconds);
    int (*ReadData)(ftdi_context* ftdi, unsigned char* buffer, int size);
    int (*WriteData)(ftdi_context* ftdi, const unsigned char* buffer, int size);
    int (*FindAll)(ftdi_context* ftdi, ftdi_device_list** list, int vendor, int product);
    void (*ListFree)(ftdi_device_list** list);
    int (*GetStrings)(ftdi_context* ftdi, libusb_device* device, char* manufacturer,
                      int manufacturerSize, char* description, int descriptionSize, char* serial,
                      int serialSize);
};

// libftdi1 itself.
const LibFtdiCalls& RealLibFtdiCalls();

// Makes the provider use `calls` from now on and returns the ones it used before. Devices open
// at the time are closed with the old calls first.
LibFtdiCalls UseLibFtdiCalls(const LibFtdiCalls& calls);

// The provider (one per process; its state lives as long as the process).
std::shared_ptr<d2xx::D2xxLibrary> LibFtdiD2xxLibrary();

}  // namespace krv
