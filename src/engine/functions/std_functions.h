// TfrStdFunctionLibrary: the standard function library (aggregates, dates,
// text, formatting, input and message boxes, MAXNUM/MINNUM), and
// TDatabaseFunctionLibrary with FIELDISNULL.
#pragma once

#include <string>

#include "engine/functions/function_library.h"

namespace lf {

class TfrStdFunctionLibrary : public TfrFunctionLibrary {
 public:
  TfrStdFunctionLibrary();
  void Execute(int index, const Variant& p1, const Variant& p2, const Variant& p3,
               Variant& result) override;
  std::string ClassName() const override { return "TfrStdFunctionLibrary"; }
  void DescribeFunctions(TfrInstalledFunctions& registry) override;
};

class TDatabaseFunctionLibrary : public TfrFunctionLibrary {
 public:
  TDatabaseFunctionLibrary();
  void Execute(int index, const Variant& p1, const Variant& p2, const Variant& p3,
               Variant& result) override;
  std::string ClassName() const override { return "TDatabaseFunctionLibrary"; }
  void DescribeFunctions(TfrInstalledFunctions& registry) override;
};

// The text passed through an edit mask: mask characters 0 9 # L l A a C c
// take the next character of text when it fits (otherwise a space), ">" and
// "<" shift case, "<>" ends a shift, "\" makes the next character literal,
// "!" is ignored; literal characters of the mask are left out of the result.
// The mask ends at its first ";".
std::string FormatMaskText(std::string_view mask, std::string_view text);

}  // namespace lf
