// Library dispatch, description registry and the library list.
#include "engine/functions/function_library.h"

#include <algorithm>

#include "engine/expr/locale.h"
#include "platform/code_page.h"

namespace lf {

bool TfrFunctionLibrary::Dispatch(const std::string& name, const Variant& p1,
                                  const Variant& p2, const Variant& p3, Variant& result) {
  for (size_t i = 0; i < Names.size(); ++i) {
    if (SameTextAscii(Names[i], name)) {
      Execute(static_cast<int>(i), p1, p2, p3, result);
      return true;
    }
  }
  return false;
}

void TfrFunctionLibrary::Describe(TfrInstalledFunctions& registry, const std::string& name,
                                  int category, int description) {
  registry.Add(ClassName(), name, LoadLocalizedString(category),
               LoadLocalizedString(description));
}

void TfrInstalledFunctions::Add(const std::string& libraryClass, const std::string& name,
                                const std::string& category, const std::string& description) {
  if (category.empty()) return;
  for (const TfrFunctionDesc& d : items_)
    if (d.Name == name) return;
  items_.push_back({libraryClass, name, category, description});
}

void TfrInstalledFunctions::RemoveLibrary(const std::string& libraryClass) {
  std::erase_if(items_, [&](const TfrFunctionDesc& d) { return d.LibraryClass == libraryClass; });
}

void TfrFunctionLibraries::Register(std::unique_ptr<TfrFunctionLibrary> library) {
  if (!library) return;
  const std::string cls = library->ClassName();
  for (const auto& l : libraries_)
    if (l->ClassName() == cls) return;
  if (Count() >= kMaxFunctionLibraries)
    throw Exception("Too many function libraries (at most " +
                    std::to_string(kMaxFunctionLibraries) + ")");
  library->DescribeFunctions(registry_);
  libraries_.push_back(std::move(library));
}

void TfrFunctionLibraries::Unregister(const std::string& className) {
  registry_.RemoveLibrary(className);
  std::erase_if(libraries_, [&](const std::unique_ptr<TfrFunctionLibrary>& l) {
    return l->ClassName() == className;
  });
}

bool TfrFunctionLibraries::Dispatch(const std::string& name, const Variant& p1,
                                    const Variant& p2, const Variant& p3,
                                    Variant& result) const {
  for (const auto& l : libraries_)
    if (l->Dispatch(name, p1, p2, p3, result)) return true;
  return false;
}

}  // namespace lf
