#include "client/Link.h"

namespace bacnet {

Link::~Link() = default;

}  // namespace bacnet
