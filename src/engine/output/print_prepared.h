// Printing prepared pages on the selected printer: page lists, copies,
// collation, parity, a new job at every paper change, progress and cancel.
#pragma once

#include <string>
#include <vector>

#include "platform/exception.h"

namespace lf {

class TfrReport;

// Page parity of a print: every page, odd page numbers, even page numbers.
inline constexpr int kParityAll = 0;
inline constexpr int kParityOdd = 1;
inline constexpr int kParityEven = 2;

inline constexpr const char* kNoPageSelected = "The page list selects no page";
inline constexpr const char* kVirtualCannotPrint =
    "The virtual printer lays pages out but cannot print; choose a printer of the print system";

class EPrintError : public Exception {
 public:
  using Exception::Exception;
};

// Which of pageCount pages a page list selects (entry i for page i + 1).
// list = item { "," item } ; item = N [ "-" [ N ] ]
// Spaces are ignored, an empty list selects every page, a range whose start
// is above its end selects nothing, a list that ends with "-" runs to the
// last page. An item that is not an integer raises EConvertError
// "'X' is not a valid integer value".
std::vector<bool> ParsePrintPageList(const std::string& list, int pageCount);

// The pages one print sends, in order (indexes into the prepared pages):
// the selected pages ascending, filtered by parity; with collate copies
// passes of them, otherwise one.
std::vector<int> PrintSequence(const std::vector<bool>& selected, int parity, int copies,
                               bool collate);

// One job handed to the print system.
struct TPrintedJob {
  int JobId = 0;
  std::string Printer;  // host code page
  int Pages = 0;        // pages in its document
};

struct TPrintResult {
  std::vector<TPrintedJob> Jobs;  // finished jobs, in order
  bool Cancelled = false;         // the report's cancel flag stopped the print
};

}  // namespace lf
