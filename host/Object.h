// Root of the host framework's class tree.
#pragma once

#include "library/Export.h"

class CArchive;

class BACNET_API CObject {
public:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
    virtual ~CObject() {}  // inline: tag codecs and headers are made and dropped per value
    // Stores or loads the object by the archive's mode; the base has nothing to persist.
    virtual void Serialize(CArchive& ar);
};
