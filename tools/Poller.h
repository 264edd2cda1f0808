// The road of one poll: tags bound by name, read in as many
// ReadPropertyMultiple requests as the device's max APDU needs, each reply
// handed back entry by entry, the changed values taken as host values.
#pragma once

#include <string>
#include <vector>

#include "Binding.h"
#include "Client.h"

namespace tool {

class Poller {
public:
    // One request of a poll and its reply, for showing.
    struct Exchange {
        int first = 0, last = 0;  // the run of bindings it carried
        Request request;
        Reply reply;
    };

    Poller(Client& client, Device& device) : m_client(client), m_device(device) {}
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    bool Add(const std::string& tag, std::string& error);
    std::vector<Binding>& Bindings() { return m_bindings; }

    // Writes into `rpm` (constructed with `first`) the request for the run
    // of bindings from `first` on: as many as the device's max APDU allows.
    void MakeRun(CBACnetReadMultiService& rpm, int first);
    // Polls every binding once. False when a request failed; `failed`
    // then holds its reply. With `exchanges`, keeps what went over the wire.
    bool PollOnce(Reply& failed, std::vector<Exchange>* exchanges = nullptr);

private:
    Client& m_client;
    Device& m_device;
    std::vector<Binding> m_bindings;
    CPtrArray m_array;  // the driver's array of bound properties (not owned), as ReadBodyFrame wants it
};

}  // namespace tool
