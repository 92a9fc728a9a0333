// Components found by a dotted path from an owner or a top-level container.
#pragma once

#include <string_view>

#include "platform/component.h"

namespace lf {

// owner's member (no dot), or a top-level container's member ("form.table")
// or member of a member ("form.module.table"); null when missing. Lookup
// errors become EClassNotFound "Missing NAME".
TComponent* FindNamedComponent(TComponent* owner, std::string_view name);

}  // namespace lf
