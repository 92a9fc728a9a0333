// TInterpretator: the script interpreter of reports, which reads names and
// runs functions through the shared parser's callbacks (the current report)
// and sends assignments to script variables, the dictionary, the engine
// names and object properties.
#pragma once

#include <functional>
#include <string>

#include "engine/script/interpreter.h"

namespace lf {

class TfrObject;
class TfrPage;
class TfrReport;

class TInterpretator : public TfrInterpretator {
 public:
  // Asks the shared parser's value callback.
  void GetValue(const std::string& name, Variant& value) override;
  // In this order: a script variable; a dictionary name; MODALRESULT;
  // CURY; PROGRESS; a property of an object that has it; otherwise a new
  // script variable.
  void SetValue(const std::string& name, const Variant& value) override;
  // Asks the shared parser's function callback.
  void DoFunction(const std::string& name, const Variant& p1, const Variant& p2,
                  const Variant& p3, Variant& result) override;

  // Installed by the windowed layers: the dialog window of a dialog page
  // takes a modal result; the progress window's second label shows a text.
  // Unset, headless runs ignore both.
  std::function<void(TfrPage& page, int modalResult)> OnModalResult;
  std::function<void(const std::string& text)> OnProgressText;

 protected:
  // The current report's StopRequested.
  bool StopRequested() override;
};

// The object and property a name addresses: "Object.Property" (the first
// part an object of the current report), "PAGEn.Property" (template page n,
// from 1), or a property of the current object, with or without the current
// object's name in front. property receives the property name upper-cased.
// Null when the name addresses no object.
TfrObject* ResolvePropertyName(const std::string& name, std::string& property);

}  // namespace lf
