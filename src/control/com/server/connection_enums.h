// Enumerators of the connection points and of the connections of one.
#pragma once

#include <vector>

#include "lumenfoldi/lumenfoldiProj1.h"

namespace lf::com {

// Each enumerator holds a reference to every item (and so to the control)
// until it is released; Next hands out references of their own. Null when
// memory runs out.
IEnumConnections* NewConnectionsEnum(const std::vector<CONNECTDATA>& items);
IEnumConnectionPoints* NewPointsEnum(IConnectionPoint* point);

}  // namespace lf::com
