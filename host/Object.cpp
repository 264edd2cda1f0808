#include "host/Object.h"

void CObject::Serialize(CArchive&) {}
