#include "SimCov.h"

#include <algorithm>
#include <cmath>

#include "SimDatabase.h"
#include "SimSegmenter.h"
#include "frame/PDU.h"

namespace bacnetsim {

namespace {

constexpr int kContext = CBACnetTag::CLASS_CONTEXT;
constexpr unsigned char kConfirmedNotification = 1, kUnconfirmedNotification = 2;

// One property value of a notification's list: [0] property, [1] index, [2] value.
void AppendProperty(Writer& w, const Database& db, const SimObject& object, uint32_t property, uint32_t index)
{
    const int mark = w.len;
    EncodeUnsigned(w, kContext, 0, property);
    if (index != kNoIndex)
        EncodeUnsigned(w, kContext, 1, index);
    EncodeOpening(w, 2);
    if (!object.Read(db, property, index, w).ok) {
        w.len = mark;  // a property that cannot be read is left out
        return;
    }
    EncodeClosing(w, 2);
}

}  // namespace

bool Subscription::SameAs(const Subscription& other) const
{
    return peer == other.peer && processID == other.processID && objectID == other.objectID &&
           byProperty == other.byProperty && (!byProperty || (propertyID == other.propertyID && index == other.index));
}

Status CovTable::Subscribe(const Subscription& s, double now)
{
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.s.SameAs(s); });
    if (it == m_entries.end()) {
        if (m_entries.size() >= kMaxSubscriptions)
            return Status::Fail(CLASS_RESOURCES, CODE_NO_SPACE_TO_ADD_LIST_ELEMENT);
        it = m_entries.insert(m_entries.end(), Entry());
    }
    *it = Entry();  // a renewal reports the values afresh
    it->s = s;
    it->expires = now + s.lifetime;
    return Status::Ok();
}

void CovTable::Cancel(const Subscription& s)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.s.SameAs(s); }),
                    m_entries.end());
}

bool CovTable::Answered(const Peer& from, unsigned char invokeID)
{
    auto it = std::find_if(m_unanswered.begin(), m_unanswered.end(),
                           [&](const Sent& u) { return u.invokeID == invokeID && u.peer == from; });
    if (it == m_unanswered.end())
        return false;
    m_unanswered.erase(it);
    return true;
}

int CovTable::NextInvokeID(const Peer& peer)
{
    for (int tries = 0; tries < 256; tries++) {
        const unsigned char id = m_invokeID++;
        if (std::none_of(m_unanswered.begin(), m_unanswered.end(),
                         [&](const Sent& u) { return u.invokeID == id && u.peer == peer; }))
            return id;
    }
    return -1;
}

bool CovTable::Changed(const Database& db, const Entry& e, const SimObject& object, const Value& value,
                       const Value& flags) const
{
    if (!e.notified || flags != e.lastFlags)
        return true;
    if (value.type == CBACnetTag::TYPE_REAL && e.lastValue.type == CBACnetTag::TYPE_REAL) {
        float increment = 0;  // no increment: any change
        Value own;
        if (e.s.byProperty && e.s.hasIncrement)
            increment = e.s.increment;
        else if (object.Has(PROP_COV_INCREMENT) && object.ReadValue(db, PROP_COV_INCREMENT, kNoIndex, own).ok)
            increment = own.real;
        const float change = std::fabs(value.real - e.lastValue.real);
        return change > 0 && change >= increment;
    }
    return value != e.lastValue;
}

std::vector<unsigned char> CovTable::Notification(const Database& db, const Entry& e, const SimObject& object,
                                                  double now, int invokeID) const
{
    Writer w;
    if (invokeID >= 0) {
        CBACnetConfirmReqPDU header;
        header.SetMaxAPDU(DeviceObject::kMaxAPDU);
        header.SetInvokeID(static_cast<unsigned char>(invokeID));
        header.SetServiceChoice(kConfirmedNotification);
        header.MakeFrame(w.Room(8), w.len);
    } else {
        CBACnetUnconfirmReqPDU header;
        header.SetServiceChoice(kUnconfirmedNotification);
        header.MakeFrame(w.Room(8), w.len);
    }
    // Whole seconds, up (a clock in fractions must not make 6 s left read as 7).
    const double left = e.s.lifetime ? std::max(0.0, std::ceil(e.expires - now - 1e-6)) : 0;
    EncodeUnsigned(w, kContext, 0, e.s.processID);
    EncodeObjectID(w, kContext, 1, m_deviceID);
    EncodeObjectID(w, kContext, 2, e.s.objectID);
    EncodeUnsigned(w, kContext, 3, static_cast<uint32_t>(left));
    EncodeOpening(w, 4);
    const uint32_t property = e.s.byProperty ? e.s.propertyID : PROP_PRESENT_VALUE;
    AppendProperty(w, db, object, property, e.s.byProperty ? e.s.index : kNoIndex);
    if (property != PROP_STATUS_FLAGS)
        AppendProperty(w, db, object, PROP_STATUS_FLAGS, kNoIndex);
    EncodeClosing(w, 4);
    return w.Octets();
}

void CovTable::Step(const Database& db, double now, std::vector<Outgoing>& out)
{
    // Resends first: a subscriber that does not answer is given up on.
    for (auto it = m_unanswered.begin(); it != m_unanswered.end();) {
        if (it->due > now) {
            ++it;
        } else if (it->retriesLeft == 0) {
            it = m_unanswered.erase(it);
        } else {
            it->retriesLeft--;
            it->due = now + kApduTimeoutMs / 1000.0;
            out.push_back({it->peer, it->apdu, it->what + ", sent again"});
            ++it;
        }
    }
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        const SimObject* object = db.Find(it->s.objectID);
        if (!object || (it->s.lifetime && now >= it->expires)) {
            it = m_entries.erase(it);
            continue;
        }
        Entry& e = *it++;
        Value value, flags;
        object->ReadValue(db, e.s.byProperty ? e.s.propertyID : PROP_PRESENT_VALUE, e.s.byProperty ? e.s.index : kNoIndex,
                          value);
        object->ReadValue(db, PROP_STATUS_FLAGS, kNoIndex, flags);
        if (!Changed(db, e, *object, value, flags))
            continue;
        int invokeID = -1;
        if (e.s.confirmed) {
            // Too many unanswered: the change is reported once one is answered or dropped.
            if (m_unanswered.size() >= kMaxUnanswered || (invokeID = NextInvokeID(e.s.peer)) < 0)
                continue;
        }
        Outgoing o{e.s.peer, Notification(db, e, *object, now, invokeID),
                   std::string(e.s.confirmed ? "confirmed" : "unconfirmed") + " notification, process " +
                       std::to_string(e.s.processID) + ", object (" + std::to_string(ObjectType(e.s.objectID)) + "," +
                       std::to_string(ObjectInstance(e.s.objectID)) + ")"};
        if (e.s.confirmed)
            m_unanswered.push_back({o.to, static_cast<unsigned char>(invokeID), o.apdu, o.what,
                                    now + kApduTimeoutMs / 1000.0, kRetries});
        out.push_back(std::move(o));
        e.notified = true;
        e.lastValue = value;
        e.lastFlags = flags;
    }
}

}  // namespace bacnetsim
