// The text form of prepared-report files: one JSON document (UTF-8) with
// the file's header, each page's paper and its objects in the keys of the
// template text form, so that prepared reports can be read and made by hand.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/output/prepared_report_file.h"
#include "platform/exception.h"

namespace lf {

class TfrEMFPages;

// A text form that is not valid JSON or does not describe a prepared report.
class EPreparedTextError : public Exception {
 public:
  using Exception::Exception;
};

// Largest text form accepted, and its deepest nesting (document, pages,
// page, objects, object, font).
inline constexpr size_t kMaxPreparedTextBytes = size_t{1} << 30;
inline constexpr int kMaxPreparedTextDepth = 16;

// The pages and header as text. A page whose records would not come back
// byte for byte from their text (a foreign stream version, an unknown
// class, a text the host code page cannot carry) is given as its stream
// in base64 under "Stream" instead of "Objects".
std::string PreparedReportToText(TfrEMFPages& list, const TPreparedReportHeader& header);

// Replaces the pages of list by those the text describes and returns the
// header. Raises EPreparedTextError.
TPreparedReportHeader PreparedReportFromText(std::string_view utf8, TfrEMFPages& list);

}  // namespace lf
