// A simulated BACnet/IP device: a UDP endpoint that answers the requests a
// driver built with this library sends (Who-Is, Who-Has, ReadProperty,
// ReadPropertyMultiple, WriteProperty, WritePropertyMultiple, CreateObject,
// DeleteObject, TimeSynchronization) with real BACnet replies, segmenting
// long ones. It lets the library be tried and tested without hardware.
//
//     SimOptions options;
//     options.port = 0;                    // any free port
//     SimDevice device(options);
//     std::string error;
//     if (!device.Start(&error)) ...       // serves on a background thread
//     ... talk to 127.0.0.1:device.Port() ...
//     device.Stop();
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct SimOptions {
    std::string bindAddress = "127.0.0.1";
    uint16_t port = 47809;               // 0: any free port (see Port())
    uint32_t deviceInstance = 1234;
    int extraObjects = 600;              // analog values added so the object list is long (segmented reads)
    bool verbose = false;                // log each request/reply to stderr
};

class SimDevice {
public:
    explicit SimDevice(const SimOptions& options);
    ~SimDevice();                        // stops
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Binds and serves on a background thread. False, with a reason in
    // `error` (when given), if the address cannot be bound or the device
    // is already serving.
    bool Start(std::string* error);
    // Ends serving and, for Start, joins the thread. When Serve runs, Stop
    // only raises a flag, so it may be called from a signal handler.
    void Stop();
    uint16_t Port() const;               // the bound port; 0 before binding

    // Test hooks: drop the Nth segment of the next segmented reply once (1-based), 0 = none.
    void DropSegmentOnce(int n);
    // Segmented replies held for acknowledgement, and their octets.
    size_t HeldReplies() const;
    size_t HeldOctets() const;

    // Serves in the calling thread until Stop() (for `bacnet-tool simulate`).
    // 0 after Stop; 1 when the address cannot be bound or the device is
    // already serving, with a reason in `error`.
    int Serve(std::string* error);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
