// Components found by a dotted path from an owner or a top-level container.
#include "engine/data/component_path.h"

#include "engine/data/dataset_errors.h"
#include "engine/model/view_factory.h"
#include "platform/code_page.h"

namespace lf {

// path = member | container "." member | container "." member "." member
TComponent* FindNamedComponent(TComponent* owner, std::string_view name) {
  try {
    size_t dot = FindText(name, ".");
    if (dot == std::string_view::npos) return owner ? owner->FindComponent(name) : nullptr;
    TComponent* container = TApplication::FindContainer(name.substr(0, dot));
    if (!container) return nullptr;
    std::string_view rest = name.substr(dot + 1);
    size_t second = FindText(rest, ".");
    if (second == std::string_view::npos) return container->FindComponent(rest);
    TComponent* member = container->FindComponent(rest.substr(0, second));
    return member ? member->FindComponent(rest.substr(second + 1)) : nullptr;
  } catch (const std::exception&) {
    throw EClassNotFound("Missing " + std::string(name));
  }
}

}  // namespace lf
