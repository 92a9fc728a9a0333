// The text form of report templates: a JSON document (UTF-8) holding every
// field a template stream holds, so that templates can be written, reviewed
// and compared without a designer.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/template/text_form_json.h"
#include "platform/exception.h"

namespace lf {

class TfrReport;
class TfrView;

// A text form that is not valid JSON or does not describe a template.
class ETemplateTextError : public Exception {
 public:
  using Exception::Exception;
};

// Nesting the text form has (document, page, object, font); deeper JSON is
// refused before it is parsed.
inline constexpr int kMaxTemplateTextDepth = 16;
// Largest text form accepted.
inline constexpr size_t kMaxTemplateTextBytes = 256u << 20;

// The report's template as text, texts converted from the host code page.
std::string TemplateToText(const TfrReport& report);

// Replaces the report's template by the one the text describes. Fields that
// the text leaves out keep the defaults of new pages and objects; unknown
// keys, values of the wrong type or out of range are errors. Texts are
// converted to the host code page. Raises ETemplateTextError.
void TemplateFromText(TfrReport& report, std::string_view utf8);

// One object in the text form. prepared: only the fields of a prepared-page
// record, the finished text under "Memo".
TextJson ViewToText(const TfrView& view, bool prepared);
// The object a text-form object describes; raises ETextFormError naming
// where.
std::unique_ptr<TfrView> ViewFromText(const TextJson& value, const std::string& where, bool prepared);

}  // namespace lf
