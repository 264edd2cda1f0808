// Decoding and encoding steps that the property codecs share. Internal to
// the library: nothing here is exported.
#pragma once

#include <memory>

#include "frame/Tag.h"
#include "host/Arrays.h"
#include "host/Types.h"
#include "property/PropertyID.h"

class CString;
struct _BACnetTimeValue;

namespace bacnetcodec::detail {

// The decode loop of the property codecs. It reads tag headers until `end`
// and hands each to the hook for its kind; a hook answers NEXT to read on,
// or FAIL / DONE to end the decode with 0 / 1.
//
// An opening tag whose hook answers NEXT is read as a nested value. The
// nested decode would run this same loop on the same cursor, and its result
// would be the outer result, so the loop just goes on: received nesting,
// however deep, costs no stack.
//
// A value is whole when a closing tag ends it. Reaching `end` first is a
// refusal unless m_acceptEnd is set (the codec's ReadFrameToEnd). A hook
// that answers FAIL records why on the tag (CBACnetTag::Refuse); Run keeps
// the reason in m_refusal.
class CValueScan {
public:
    enum { FAIL = 0, DONE = 1, NEXT = 2 };

    int Run(unsigned char* buf, int& len, int end);
    // Run for `codec`: its reading of `end`, and the reason of a refusal
    // into codec.m_refusal.
    int RunFor(CBACnetPropertyID& codec, unsigned char* buf, int& len, int end);

    int m_acceptEnd = 0;
    int m_refusal = CBACnetTag::REFUSAL_NONE;

protected:
    ~CValueScan() = default;
    // `len` reached `end` before a closing tag.
    virtual int OnEnd(CBACnetTag& tag);
    // An application-class header. Refused unless a codec takes values.
    virtual int OnValue(CBACnetTag& tag, unsigned char* buf, int& len);
    // A context tag that is neither opening nor closing. Passed over; its
    // content octets are read as the next headers.
    virtual int OnContext(CBACnetTag& tag, unsigned char* buf, int& len);
    virtual int OnOpening(CBACnetTag& tag, unsigned char* buf, int& len);
    // A closing tag of any number ends the value.
    virtual int OnClosing(CBACnetTag& tag);
};

// The plain value scan: every application value goes to `step`
// (CBACnetTag&, unsigned char* buf, int& len) -> 1 stored / 0 refused, and
// each one received replaces the last.
template <class Step>
int ScanValues(CBACnetPropertyID& codec, unsigned char* buf, int& len, int end, Step step)
{
    class Scan : public CValueScan {
    public:
        explicit Scan(Step& s) : m_step(s) {}

    private:
        int OnValue(CBACnetTag& tag, unsigned char* buf, int& len) override
        {
            return m_step(tag, buf, len) ? NEXT : FAIL;
        }
        Step& m_step;
    } scan(step);
    return scan.RunFor(codec, buf, len, end);
}

// Reads the content of the value whose header `tag` just read, as data type
// `type`, into `room` octets. A character string is held to the room as well
// (its characters and the terminating 0), which ReadDataFrame leaves to us.
int ReadValueContent(CBACnetTag& tag, unsigned char* buf, int& len, void* out, int type, int room);

// One time/value entry: the time whose header `tag` just read, then the
// value's header and content (at most four octets).
int ReadTimeValueContent(CBACnetTag& tag, unsigned char* buf, int& len, _BACnetTimeValue& out);
// Every entry of a list as B4 time 91 value, empty slots passed over.
void MakeTimeValuesFrame(CBACnetTag& tag, unsigned char* buf, int& len, CPtrArray& list);

// Appends an entry to a list that owns it; should the list fail to grow,
// the entry is released, not leaked.
template <class T>
void Append(CPtrArray& list, std::unique_ptr<T> entry)
{
    list.Add(entry.get());
    entry.release();
}

// Deletes every entry of an owning list and empties it.
template <class T>
void DeleteEntries(CPtrArray& list)
{
    for (INT_PTR i = 0; i < list.GetSize(); i++)
        delete static_cast<T*>(list.GetAt(i));
    list.RemoveAll();
}

// Character string value step of the name and description: character set 0
// only; the text replaces `text` only when the whole value was read.
int ReadTextContent(CBACnetTag& tag, unsigned char* buf, int& len, CString& text);
// The text as an application character string in the host's ANSI code page.
void MakeTextFrame(CBACnetTag& tag, unsigned char* buf, int& len, const CString& text);

// The loop of the supported-types and supported-services flags: context
// tags of every kind are passed over (the decode runs to `end`), and each
// bit string of at most `room` octets replaces all `count` flags, flag k
// taking bit 7 - k % 8 of octet k / 8. Unless the codec accepts data that
// stops at `end`, the last header read must be a closing tag that balances
// the opening tags read.
int ReadFlags(CBACnetPropertyID& codec, unsigned char* buf, int& len, int end, unsigned char* flags, int count,
              int room);

}  // namespace bacnetcodec::detail
