// TfrObject: the root of everything with named properties, its property
// registry and the four property operations scripts and expressions use.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/expr/variant.h"

namespace lf {

// Longest property name the registry holds.
inline constexpr size_t kPropNameMaxLength = 32;

// Editor kind codes of the registry. The engine never interprets them; they
// tell an editor how to show a property. The low byte is the value kind, the
// high bits are modifiers.
enum TfrPropKind : uint16_t {
  pkString = 1,
  pkInteger = 2,
  pkFloat = 3,
  pkBoolean = 4,
  pkColor = 5,
  pkEnum = 6,
  pkLines = 7,
  pkFont = 8,
  pkPicture = 9,
  pkScript = 10,
  pkReadOnly = 0x100,
  pkHasEditor = 0x200,
};

class TfrObject;

// One declared property.
struct TfrPropRec {
  std::string Name;                   // as declared; looked up case ignored
  uint16_t Kind = 0;                  // TfrPropKind value, opaque to the engine
  std::vector<std::string> EnumNames; // enumerated properties: value names
  std::vector<int32_t> EnumValues;    // ... and their values, same order
  std::function<void()> Editor;       // optional editor callback
  TfrObject* EditorObject = nullptr;  // the object the editor works on
};

class TfrObject {
 public:
  TfrObject() = default;
  virtual ~TfrObject() = default;
  TfrObject(const TfrObject&) = delete;
  TfrObject& operator=(const TfrObject&) = delete;

  // Property operations; the base versions do nothing and return Null.
  virtual void SetProperty(const std::string& name, const Variant& value);
  virtual Variant GetProperty(const std::string& name);
  virtual void CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                          const Variant& p3, Variant& result);
  // Fills the registry; called lazily by the lookups below when it is empty.
  virtual void DeclareProperties();

  // The registry, declared on first use.
  const std::vector<TfrPropRec>& PropList();
  // The property of that name (case ignored), or null.
  const TfrPropRec* FindProperty(std::string_view name);
  bool HasProperty(std::string_view name) { return FindProperty(name) != nullptr; }
  // Empties the registry so that the next lookup declares it again (an
  // object whose declared set depends on its state, such as a band view's
  // kind, calls this when the state changes).
  void ClearPropList() { props_.clear(); }

 protected:
  // Declares a property; a name already declared is replaced. Names longer
  // than kPropNameMaxLength are cut to it.
  void AddProperty(std::string_view name, uint16_t kind);
  // Declares an enumerated property: names separated by ";" with the values
  // in the same order (values 0, 1, ... when none are given).
  void AddEnumProperty(std::string_view name, std::string_view names,
                       std::vector<int32_t> values = {});
  void DelProperty(std::string_view name);
  // False when the declared set no longer fits the object's state; the next
  // lookup then declares it again.
  virtual bool PropListValid() const { return true; }

 private:
  std::vector<TfrPropRec> props_;
};

// Property and method names compare upper-cased (ASCII letters only, so
// that bytes of double-byte characters are never altered).
std::string PropName(std::string_view name);

}  // namespace lf
