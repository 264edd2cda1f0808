#include "client/Result.h"

#include <cwchar>

#include <bacnetcodec/bacnetcodec.h>


namespace bacnet {

namespace {

// Texts for what the codec's transaction record does not describe.
const char* const kOwnTexts[] = {
    nullptr,                       // Timeout: the record's
    nullptr,                       // Error: the record's
    nullptr,                       // Reject: the record's
    nullptr,                       // Abort: the record's
    "refused reply",
    "reply larger than the client accepts",
    "send failed",
    "invalid argument",
    "no invoke ID free",
};

}  // namespace

Failure Failure::Of(FailureKind kind, std::string detail)
{
    Failure f;
    f.m_kind = kind;
    f.m_detail = std::move(detail);
    return f;
}

Failure Failure::Error(uint32_t errorClass, uint32_t errorCode)
{
    Failure f = Of(FailureKind::Error);
    f.m_errorClass = errorClass;
    f.m_errorCode = errorCode;
    return f;
}

Failure Failure::Reject(uint8_t reason)
{
    Failure f = Of(FailureKind::Reject);
    f.m_reason = reason;
    return f;
}

Failure Failure::Abort(uint8_t reason)
{
    Failure f = Of(FailureKind::Abort);
    f.m_reason = reason;
    return f;
}

std::string Failure::Text() const
{
    const size_t kind = static_cast<size_t>(m_kind);
    if (kind < sizeof kOwnTexts / sizeof kOwnTexts[0] && kOwnTexts[kind]) {
        std::string text = kOwnTexts[kind];
        if (!m_detail.empty())
            text += ": " + m_detail;
        return text;
    }
    // The codec's record holds the one set of failure texts.
    CMyBACnetBlkData record;
    switch (m_kind) {
    case FailureKind::Error:
        // Classes and codes beyond an octet have no text of their own.
        record.SetErrorData(static_cast<unsigned char>(m_errorClass > 255 ? 255 : m_errorClass),
                            static_cast<unsigned char>(m_errorCode > 255 ? 255 : m_errorCode));
        break;
    case FailureKind::Reject:
        record.SetData(CMyBACnetBlkData::STATUS_REJECT, m_reason, nullptr);
        break;
    case FailureKind::Abort:
        record.SetData(CMyBACnetBlkData::STATUS_ABORT, m_reason, nullptr);
        break;
    default:
        record.SetData(CMyBACnetBlkData::STATUS_TIMEOUT, 0, nullptr);
        break;
    }
    CString text;
    record.GetErrorMsg(text);
    std::string utf8 = HostWideToUtf8(text.GetString(), wcslen(text.GetString()));
    while (!utf8.empty() && utf8.back() == ' ')
        utf8.pop_back();
    return utf8;
}

}  // namespace bacnet
