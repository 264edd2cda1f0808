// Change-of-value subscriptions as the client hands them over: what to ask
// a device for, and the notifications it sends back.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "client/Device.h"
#include "client/Value.h"

namespace bacnet {

using SubscriptionId = uint32_t;

struct CovOptions {
    bool m_confirmed = false;                 // notifications as confirmed requests (acknowledged)
    std::chrono::seconds m_lifetime{300};     // renewed halfway through; 0 asks for no end (no renewal)
    // SubscribeCOVProperty for this property (and array index) instead of
    // SubscribeCOV for the object's usual values.
    std::optional<PropertyId> m_property;
    uint32_t m_index = kNoIndex;
    std::optional<float> m_increment;         // SubscribeCOVProperty only: the change worth a notification
};

struct PropertyValue {
    PropertyId m_propertyID = Property::PresentValue;
    uint32_t m_index = kNoIndex;
    Value m_value;         // one value, a List of several, or a RawValue for context-tagged content
    uint8_t m_priority = 0;  // 1 .. 16, or 0: none
};

struct CovNotification {
    SubscriptionId m_subscription = 0;
    ObjectId m_deviceID;          // the initiating device, as it says
    ObjectId m_objectID;
    uint32_t m_timeRemaining = 0;  // seconds, as the device says
    bool m_confirmed = false;
    std::vector<PropertyValue> m_values;

    // The value of the first entry for `property`, or null.
    const Value* Find(PropertyId property) const
    {
        for (const PropertyValue& v : m_values)
            if (v.m_propertyID == property)
                return &v.m_value;
        return nullptr;
    }
};

}  // namespace bacnet
