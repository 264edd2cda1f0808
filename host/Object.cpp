#include "host/Object.h"

CObject::~CObject() = default;

void CObject::Serialize(CArchive&) {}
