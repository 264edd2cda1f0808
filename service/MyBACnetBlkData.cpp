#include "service/MyBACnetBlkData.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr const char* kErrorClassTexts[] = {
    "device", "object", "property", "resources", "security", "services", "vt",
};

constexpr const char* kErrorCodeTexts[] = {
    "other",
    "authentication failed",
    "configuration in progress",
    "device busy",
    "dynamic creation not supported",
    "file access denied",
    "incompatible security levels",
    "inconsistent parameters",
    "inconsistent selection criterion",
    "invalid data type",
    "invalid file access method",
    "invalid file start position",
    "invalid operator name",
    "invalid parameter data type",
    "invalid time stamp",
    "key generation error",
    "missing requried parameter",
    "no objects of specified type",
    "no space for object",
    "no space to add list element",
    "no space to write property",
    "no vt sessions available",
    "property is not a list",
    "object deletion not permitted",
    "object identifier already exists",
    "operational problem",
    "password failure",
    "read access denied",
    "security not supported",
    "service request denied",
    "timeout",
    "unknown object",
    "unknown property",
    "this enumeration was removed",
    "unknown vt class",
    "unknown vt session",
    "unsupported object type",
    "value out of range",
    "vt session already closed",
    "vt session termination failure",
    "write access denied",
    "character set not supported",
    "invalid array index",
};

constexpr const char* kRejectReasonTexts[] = {
    "other",
    "buffer overflow",
    "inconsistent parameters",
    "invalid parameter data type",
    "invalid tag",
    "missing requrired parameter",
    "parameter out of range",
    "too many arguments",
    "undefined enumeration",
    "unrecognized service",
};

constexpr const char* kAbortReasonTexts[] = {
    "other",
    "buffer overflow",
    "invalid apdu in this state",
    "preempted by higher priority task",
    "segmentation not supported",
};

static_assert(sizeof kErrorClassTexts / sizeof *kErrorClassTexts == 7, "7 error classes");
static_assert(sizeof kErrorCodeTexts / sizeof *kErrorCodeTexts == 43, "43 error codes");
static_assert(sizeof kRejectReasonTexts / sizeof *kRejectReasonTexts == 10, "10 reject reasons");
static_assert(sizeof kAbortReasonTexts / sizeof *kAbortReasonTexts == 5, "5 abort reasons");

template <size_t N>
const char* Lookup(const char* const (&table)[N], unsigned value, const char* unknown)
{
    return value < N ? table[value] : unknown;
}

}  // namespace

CMyBACnetBlkData::CMyBACnetBlkData() : m_data(nullptr)
{
    Start_BlkData();
}

CMyBACnetBlkData::~CMyBACnetBlkData()
{
    free(m_data);
    m_data = nullptr;
}

CMyBACnetBlkData::CMyBACnetBlkData(const CMyBACnetBlkData& other) : m_data(nullptr)
{
    Start_BlkData();
    *this = other;
}

CMyBACnetBlkData& CMyBACnetBlkData::operator=(const CMyBACnetBlkData& other)
{
    if (&other == this)
        return *this;
    unsigned char* data = nullptr;
    if (other.m_data && other.m_length) {
        data = static_cast<unsigned char*>(malloc(other.m_length));
        if (!data)
            throw std::bad_alloc();
        memcpy(data, other.m_data, other.m_length);
    }
    free(m_data);
    m_data = data;
    m_length = data ? other.m_length : 0;
    m_status = other.m_status;
    m_errorClass = other.m_errorClass;
    m_errorCode = other.m_errorCode;
    return *this;
}

void CMyBACnetBlkData::Start_BlkData()
{
    m_status = STATUS_DATA;
    m_length = 0;
    m_errorClass = 0;
    m_errorCode = 0;
    free(m_data);
    m_data = nullptr;
}

void CMyBACnetBlkData::SetData(int status, int value, unsigned char* data)
{
    m_status = status;
    switch (status) {
    case STATUS_DATA: {
        if (value == 0)
            return;
        const long long total = static_cast<long long>(m_length) + value;
        if (value < 0 || !data || total > 0xFFFF) {
            m_status = STATUS_NO_MEMORY;
            return;
        }
        unsigned char* grown = static_cast<unsigned char*>(malloc(total));
        if (!grown) {
            m_status = STATUS_NO_MEMORY;
            return;
        }
        if (m_length)
            memcpy(grown, m_data, m_length);
        memcpy(grown + m_length, data, value);
        free(m_data);
        m_data = grown;
        m_length = static_cast<unsigned short>(total);
        break;
    }
    case STATUS_ERROR:
        m_errorClass = static_cast<unsigned char>(value);
        // The error code arrives in the pointer argument.
        m_errorCode = static_cast<unsigned char>(reinterpret_cast<uintptr_t>(data));
        break;
    case STATUS_REJECT:
    case STATUS_ABORT:
        m_errorCode = static_cast<unsigned char>(value);
        break;
    default:
        break;
    }
}

void CMyBACnetBlkData::GetErrorMsg(CString& text)
{
    switch (m_status) {
    case STATUS_TIMEOUT:
        text = "Time out ";
        break;
    case STATUS_NO_MEMORY:
        text = "Memory allocation error ";
        break;
    case STATUS_INVALID_HANDLE:
        text = "Invalid communciation handle ";
        break;
    case STATUS_ERROR:
        text = "error : ";
        text += Lookup(kErrorClassTexts, m_errorClass, "unknown class - ");
        text += Lookup(kErrorCodeTexts, m_errorCode, "unknown code");
        break;
    case STATUS_REJECT:
        text = "reject : ";
        text += Lookup(kRejectReasonTexts, m_errorCode, "unknown code");
        break;
    case STATUS_ABORT:
        text = "abort : ";
        text += Lookup(kAbortReasonTexts, m_errorCode, "unknown code");
        break;
    default:
        break;
    }
}

void CMyBACnetBlkData::SetErrorData(unsigned char errorClass, unsigned char errorCode)
{
    SetData(STATUS_ERROR, errorClass, reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(errorCode)));
}
