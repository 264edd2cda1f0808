// One host tag bound to one property of one remote object.
//
// The driver creates one per tag from the object's identifier, binds it by
// name (PresentValue, priorityarray[8], localdate.year, or a numeric
// identifier), and then uses it to request the property (ReadPropertyMultiple
// or ReadProperty), to take the property's value out of the reply, to learn
// whether the value changed, to hand the value over as a CTagVal and to
// encode a value for writing.
//
//     CBACnetObjTypes tag(_BACnetObjectID(0, 5));   // analog input 5
//     unsigned short subType;
//     CString name(L"PresentValue");
//     if (tag.CreateProperty(name, subType, hostType)) ...
//
// Decoders come in two forms. The bounded one takes `end`, one past the last
// received octet (in the coordinates of `len`), and refuses rather than read
// an octet at or beyond it. The form without `end` trusts the caller to hold
// a complete reply.
#pragma once

#include "frame/ObjectID.h"
#include "library/Export.h"
#include "object/PropertyCatalogue.h"

class CString;
class CTagVal;
class CBACnetTag;

// Interface name: kept as the replaced interface spells it.
class BACNET_API CBACnetObjTypes {
public:
    enum {
        OBJECT_TYPE_COUNT = 21,     // catalogue object type codes 0 to 20
        PROPERTY_NAME_COUNT = 125,  // standard identifiers with a name in str_BACnetPropertyID
    };
    // Change state.
    enum { CHANGE_NO_VALUE = -1, CHANGE_NONE = 0, CHANGE_NEW = 1 };

    _BACnetObjectID m_objectID;  // the object type is a catalogue code 0 to 20
    WORD m_propertyID;
    BYTE m_dataType;    // from the catalogue (CBACnetTypes::DT_...)
    BYTE m_dataSize;    // octets of a decoded value (bits for a bit string)
    BYTE m_isArray;     // 1: requested with m_arrayIndex
    BYTE m_writable;    // carried for the driver, not tested here
    BYTE m_textValue;   // 1: the value can be delivered to a text tag
    WORD m_arrayIndex;  // 0 when the property is not an array
    unsigned char* m_value;     // last accepted value, m_dataSize + 3 octets
    unsigned char* m_received;  // newly decoded value; scratch when writing
    int m_isNull;               // 1: the accepted value was a Null
    int m_changeState;          // -1 no value yet, 1 a new value waits, 0 taken
    // What the last reply decoded for this property held: the driver tells a
    // failed entry of a poll from one that merely did not change.
    enum { RESULT_NONE = 0, RESULT_VALUE, RESULT_ACCESS_ERROR, RESULT_REFUSED };
    int m_result;      // RESULT_NONE before any reply, or for a result with neither value nor error
    int m_errorClass;  // RESULT_ACCESS_ERROR: the error class and code the device sent; -1 otherwise
    int m_errorCode;
    int m_refusal;     // RESULT_REFUSED: why (CBACnetTag::REFUSAL_...)

    explicit CBACnetObjTypes(_BACnetObjectID id);
    // A copy has buffers of its own, holding the same values.
    CBACnetObjTypes(const CBACnetObjTypes& other);
    CBACnetObjTypes& operator=(const CBACnetObjTypes& other);
    ~CBACnetObjTypes();

    // Binds to the named property of the object's type: name, name[index],
    // name.key or name[index].key, the name compared without regard to
    // case, or a decimal identifier in its place. `subType` receives the
    // key's index (0 without a key). Returns 1, or 0 for a missing ']', a
    // property the type's list does not hold, a text tag (hostType 14) on a
    // property that has no text form, an index on a non-array property or
    // none on an array property, or an object type above 20. When the name
    // holds '[', `name` is left holding the text after the first '['. A
    // second binding replaces the first; a refused one after the property
    // was found leaves the object unbound.
    int CreateProperty(CString& name, unsigned short& subType, unsigned short hostType);

    // ReadPropertyMultiple: appends this property's read access
    // specification; returns 1.
    int MakeFrameToMulti(unsigned char* buf, int& len);
    // ReadPropertyMultiple acknowledgement: decodes this property's read
    // access result at buf[len] and applies the change rule. Returns 1 for a
    // well-formed result (a property access error included, which sets the
    // change state to 0), 0 otherwise. Sets m_result. The form without `end`
    // trusts the caller to hold the whole result and takes the value (or
    // the error) before the closing tags are checked; the bounded form takes
    // it only once the closing tags were read.
    int ReadFrameToMulti(unsigned char* buf, int& len);
    int ReadFrameToMulti(unsigned char* buf, int& len, int end);

    // ReadProperty: appends the request parameters; returns 1.
    int MakeFrameToSingle(unsigned char* buf, int& len);
    // ReadProperty acknowledgement, from the object identifier on. A value
    // inside opening tag 3: the bounded form requires the closing tag 3
    // before it takes the value; the other steps over one octet.
    int ReadFrameToSingle(unsigned char* buf, int& len);
    int ReadFrameToSingle(unsigned char* buf, int& len, int end);
    // The bounded forms of both first try the common fixed shape: the
    // identifiers exactly as the request wrote them, then one application
    // tag with its length in the header (Null, Boolean, Unsigned, Signed,
    // Real, Enumerated, Octet String up to four octets, Date, Time, object
    // identifier) and the closing tags. Anything else goes to the general
    // decoder, which gives the same results for those shapes. For tests:
    // false sends every result to the general decoder (process-wide).
    static void SetFastDecode(bool on);

    // With a new value waiting (change state 1), converts it into `value`
    // and returns 1; otherwise returns 0 and leaves `value` alone.
    int GetValue(CTagVal& value, unsigned short hostType, unsigned short subType);
    // Encodes `value` for writing, as CBACnetTypes::SetTagVal does; the two
    // trailing parameters are not used.
    int SetValue(unsigned char* buf, int& len, CTagVal& value, unsigned short, unsigned short);
    int IsChangeValue() { return m_changeState; }
    void ResetChangeValue() { m_changeState = CHANGE_NONE; }

    // Wire forms shared with WriteProperty. The object identifier as context
    // tag 0 with 4 octets; catalogue types 18, 19 and 20 go out as BACnet
    // types 151, 152 and 23 (their first two octets replaced, which clears
    // instance bits 16 to 21).
    void MakeObjectIDFrame(unsigned char* buf, int& len);
    // The property identifier as context tag `tag`: one octet below 256,
    // else two.
    void MakePropertyIDFrame(unsigned char* buf, int& len, int tag);
    // The array index as context tag `tag`: one octet up to 255, else two.
    void MakeArrayIndexFrame(unsigned char* buf, int& len, int tag);

    // Property names, indexed by identifier 0 to 124.
    // Interface name: kept as the replaced interface spells it.
    static const char* const str_BACnetPropertyID[PROPERTY_NAME_COUNT];
    // The name of a property identifier. Names of identifiers 125 and up
    // are copied into one buffer shared by all callers and stay valid until
    // the next such call; unknown identifiers (negative ones too) give "".
    // Interface name: kept as the replaced interface spells it.
    static const char* GetStr_BACnetPropertyID(int id);
    // The catalogue list of an object type code, in search order, and its
    // length; null and 0 for a code above 20.
    static const _BACnetPropertyDef* GetPropertyList(unsigned objectType, int& count);

protected:
    CBACnetObjTypes();

private:
    // The read access specification MakeFrameToMulti writes (9 to 13
    // octets) and the request parameters MakeFrameToSingle writes (7 to 11),
    // built when bound and again once the identifiers or the array index
    // they were built from change.
    unsigned char m_readSpec[16];
    // m_singleSpec[m_singleSpecLength] is 3E, the opening tag of a
    // ReadProperty ack's value: the ack's fixed octets are compared in one go.
    unsigned char m_singleSpec[16];
    // What a ReadPropertyMultiple result for this request begins with, up
    // to its value's opening tag 4 (9 to 13 octets).
    unsigned char m_resultSpec[16];
    BYTE m_readSpecLength;  // 0: not built
    BYTE m_singleSpecLength;
    BYTE m_resultSpecLength;
    BYTE m_readSpecIsArray;
    WORD m_readSpecPropertyID;
    WORD m_readSpecArrayIndex;
    DWORD m_readSpecObjectID;

    // The name of an identifier in constant storage, "" when it has none.
    static const char* PropertyName(int id);
    void BuildReadSpec();
    // Builds the two forms again when a field they come from changed.
    void RefreshReadSpec();
    void Release();
    void CopyFrom(const CBACnetObjTypes& other);
    // The reply's object identifier, compared with m_objectID and consumed.
    int ExpectObjectID(CBACnetTag& tag, unsigned char* buf, int& len);
    // Decodes one value, header and content, into m_received; TakeValue then applies the change rule.
    int ReadReceivedValue(CBACnetTag& tag, unsigned char* buf, int& len, int& isNull);
    void TakeValue(int isNull);
    int ReadResult(unsigned char* buf, int& len, int end, bool takeBeforeClosing);
    // The fixed shapes: `spec`'s n octets, a value, then `closing` (one or
    // two octets, high first). 1 with the value taken and `len` past the
    // shape; 0 with nothing changed.
    int ReadFixedShape(const unsigned char* buf, int& len, int end, const unsigned char* spec, int n,
                       unsigned closing, int closingLength);
    int ReadSingle(unsigned char* buf, int& len, int end, bool bounded);
    // Records a refused decode; returns 0.
    int Refused(int reason);
};
