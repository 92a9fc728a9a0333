// Function libraries: the library contract TfrFunctionLibrary, the registry of
// function descriptions TfrInstalledFunctions and the engine's library list.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/expr/variant.h"
#include "platform/exception.h"

namespace lf {

class TfrInstalledFunctions;

// Libraries the engine list holds at most.
inline constexpr int kMaxFunctionLibraries = 64;

class TfrFunctionLibrary {
 public:
  virtual ~TfrFunctionLibrary() = default;

  // Function names the library answers, upper case; the position numbers
  // the functions from 0.
  std::vector<std::string> Names;

  // Looks name up in Names (letter case ignored); absent: false; present:
  // runs Execute with its position and returns true. p1..p3 are the source
  // texts of the call's arguments.
  bool Dispatch(const std::string& name, const Variant& p1, const Variant& p2,
                const Variant& p3, Variant& result);
  virtual void Execute(int index, const Variant& p1, const Variant& p2, const Variant& p3,
                       Variant& result) = 0;
  // The class name that identifies the library in the list and registry.
  virtual std::string ClassName() const = 0;
  // Enters the library's descriptions into registry (called once when the
  // library is registered).
  virtual void DescribeFunctions(TfrInstalledFunctions& /*registry*/) {}

 protected:
  // Enters one description, category and description given as localized
  // string numbers.
  void Describe(TfrInstalledFunctions& registry, const std::string& name, int category,
                int description);
};

struct TfrFunctionDesc {
  std::string LibraryClass;  // class name of the library that described it
  std::string Name;
  std::string Category;
  std::string Description;
};

// The registry lists functions for a user interface; evaluation never
// consults it.
class TfrInstalledFunctions {
 public:
  // Does nothing when category is empty or the name (exact comparison) is
  // present.
  void Add(const std::string& libraryClass, const std::string& name,
           const std::string& category, const std::string& description);
  // Deletes every entry of the library class.
  void RemoveLibrary(const std::string& libraryClass);
  const std::vector<TfrFunctionDesc>& Items() const { return items_; }

 private:
  std::vector<TfrFunctionDesc> items_;
};

class TfrFunctionLibraries {
 public:
  // registry must outlive the list.
  explicit TfrFunctionLibraries(TfrInstalledFunctions& registry) : registry_(registry) {}

  // Appends the library unless one of the same class name is present (then
  // the given instance is dropped). Throws Exception when the list is full.
  void Register(std::unique_ptr<TfrFunctionLibrary> library);
  template <typename T>
  void Register() {
    Register(std::make_unique<T>());
  }
  // Removes the class's descriptions from the registry, frees its instance
  // and closes the gap.
  void Unregister(const std::string& className);

  int Count() const { return static_cast<int>(libraries_.size()); }
  TfrFunctionLibrary* At(int i) const { return libraries_[static_cast<size_t>(i)].get(); }
  // Offers the call to each library in list order; true when one took it.
  bool Dispatch(const std::string& name, const Variant& p1, const Variant& p2,
                const Variant& p3, Variant& result) const;

 private:
  TfrInstalledFunctions& registry_;
  std::vector<std::unique_ptr<TfrFunctionLibrary>> libraries_;
};

}  // namespace lf
