// The view factory: view type codes, creation of views by code or class
// name, the add-in registry of classes creatable by name, and the list of
// missing components a template load reports.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/exception.h"

namespace lf {

class TfrView;

// View type codes written in front of each object record.
enum TfrObjectType : uint8_t {
  gtMemo = 0,
  gtPicture = 1,
  gtBand = 2,
  gtSubReport = 3,
  gtLine = 4,
  gtAddIn = 10,  // any other class; the record carries the class name
};

// A code-10 record names a class that is not registered.
class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};

// Entries the add-in registry holds.
inline constexpr int kMaxAddInObjects = 64;

struct TfrAddInObjectInfo {
  std::string ClassName;                          // compared exactly
  std::function<std::unique_ptr<TfrView>()> Create;
};

// Appends an entry; raises Exception "Too many add-in objects" when the
// registry is full.
void RegisterAddInObject(std::string_view className,
                         std::function<std::unique_ptr<TfrView>()> create);
// The entry of exactly that class name, or null.
const TfrAddInObjectInfo* FindAddInObject(std::string_view className);
int AddInObjectCount();
// Empties the registry (tests).
void ClearAddInObjects();

// Creates a view: codes 0 to 4 the built-in classes; code 10 the registered
// class of that name; any other code nothing. Every created view takes the
// next Serial. For a code-10 class that is not registered, the class name
// and a carriage return are appended to MissingComponents() and
// EClassNotFound "Class CLASSNAME not found" is raised.
std::unique_ptr<TfrView> CreateView(int typeCode, std::string_view className = {});

// Class names of the missing components met since the list was last
// cleared, each followed by a carriage return.
std::string& MissingComponents();

// The next number of the engine-wide counter that numbers created views.
int32_t NextViewSerial();

}  // namespace lf
