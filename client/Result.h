// The outcome of a client call: a value, or why there is none. A failure
// names its kind (time-out, Error with class and code, Reject, Abort, a
// refused reply, ...) and gives the library's own English text for it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include "library/Export.h"

namespace bacnet {

enum class FailureKind : uint8_t {
    Timeout,       // no (complete) reply before the attempt limit or the deadline
    Error,         // an Error reply: m_errorClass, m_errorCode
    Reject,        // a Reject reply: m_reason
    Abort,         // an Abort reply: m_reason
    Refused,       // a reply that does not decode as the service's reply
    TooLarge,      // a segmented reply beyond the client's cap
    SendFailed,    // the link would not send
    InvalidArgument,  // the request cannot be built (bad index, value, priority)
    Busy,          // every invoke ID is in use
};

struct BACNET_API Failure {
    FailureKind m_kind = FailureKind::Timeout;
    uint32_t m_errorClass = 0;  // Error
    uint32_t m_errorCode = 0;   // Error
    uint8_t m_reason = 0;       // Reject, Abort
    std::string m_detail;       // Refused, InvalidArgument: what was wrong

    static Failure Of(FailureKind kind, std::string detail = std::string());
    static Failure Error(uint32_t errorClass, uint32_t errorCode);
    static Failure Reject(uint8_t reason);
    static Failure Abort(uint8_t reason);

    // "error : objectunknown object", "reject : unrecognized service", "Time out", ...
    std::string Text() const;
};

template <class T>
class Result {
public:
    Result(T value) : m_state(std::move(value)) {}         // NOLINT: a value is a success
    Result(Failure failure) : m_state(std::move(failure)) {}  // NOLINT: so is a failure a result

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<0>(m_state); }
    T& value() & { return std::get<0>(m_state); }
    // From a temporary result, the value itself: a loop over
    // `client.Call().value()` must not hold a reference into a dead result.
    T value() && { return std::move(std::get<0>(m_state)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    T operator*() && { return std::move(std::get<0>(m_state)); }
    const T* operator->() const { return &value(); }
    // Kind Timeout on success; check ok() first.
    const Failure& failure() const
    {
        static const Failure none;
        return ok() ? none : std::get<1>(m_state);
    }

private:
    std::variant<T, Failure> m_state;
};

// Success without a value (a Simple-ACK).
struct Done {};
using Status = Result<Done>;

}  // namespace bacnet
