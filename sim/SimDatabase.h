// The object database of the simulated device: the objects it starts with,
// those created and deleted by requests, and the clock its values follow.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <unordered_map>
#include <memory>
#include <vector>

#include "SimObjects.h"

namespace bacnetsim {

class TrendLogObject;

class Database {
public:
    // A device, its inputs, outputs, values, schedule and calendar, and
    // `extraObjects` analog values (instances 1000 on) to lengthen the object list.
    Database(uint32_t deviceInstance, int extraObjects);

    uint32_t DeviceID() const { return m_deviceID; }
    SimObject* Find(uint32_t id);
    const SimObject* Find(uint32_t id) const;
    const SimObject* FindByName(const std::string& name) const;
    // The device first, then every other object by type and instance.
    std::vector<uint32_t> ObjectList() const;

    // Creates a value object (analog, binary or multi-state value) with the
    // given instance or, without one, the first free instance. Takes the
    // same time however many objects there are (a look-up in ordered maps).
    Status Create(uint32_t type, bool withInstance, uint32_t instance, uint32_t& created);
    Status Delete(uint32_t id);
    // Gives `object` a new name; names are unique in the device.
    Status Rename(SimObject& object, const std::string& name);
    // Goes up by one with each object created or deleted.
    uint32_t Revision() const { return m_revision; }

    // Seconds since the database was made: the drift of the inputs follows it.
    double Uptime() const;
    // The local wall clock, moved by time synchronisation.
    std::tm Now() const;
    // The same clock in seconds since 1970.
    std::time_t Clock() const;
    // Stops the clocks: from now on they move only by Advance (for tests).
    void HoldClock();
    void Advance(double seconds);

    // Lets the objects that act on their own (the trend logs) catch up with the clock.
    void Tick();
    // Sets the clock from a time synchronisation's date and time, local or UTC.
    void SetClock(uint32_t date, uint32_t time, bool utc = false);

    static constexpr size_t kMaxObjects = 20000;

private:
    void Add(std::unique_ptr<SimObject> object);
    std::time_t WallClock() const;  // the host's, or the held one

    uint32_t m_deviceID;
    std::map<uint32_t, std::unique_ptr<SimObject>> m_objects;  // by identifier
    std::unordered_map<std::string, uint32_t> m_names;          // identifier by name
    // By object type, the lowest instance that may be free: every one below it is taken.
    std::map<uint32_t, uint32_t> m_freeFrom;
    uint32_t m_revision = 1;
    std::chrono::steady_clock::time_point m_started;
    std::time_t m_startedWall;
    bool m_held = false;
    double m_heldUptime = 0;
    long long m_clockOffset = 0;  // seconds
    std::vector<TrendLogObject*> m_trendLogs;  // owned by m_objects; never deleted
};

}  // namespace bacnetsim
