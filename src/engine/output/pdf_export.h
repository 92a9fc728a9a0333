// Writing prepared pages as a PDF document: one vector page per prepared
// page, sized by its paper, texts as selectable text in embedded subsets.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lf {

class Canvas;
class TStream;
struct CanvasRect;
class TfrEMFPages;

// The resolution the pages are laid out at inside the PDF (dots per inch);
// the output stays vector, this only fixes the grid positions snap to.
inline constexpr int kPdfDpi = 600;

// Called after each page is drawn with the number of pages drawn so far;
// returning false ends the document after that page, unfinished.
using PdfPageDone = std::function<bool(int done)>;

// Writes the pages of list (indexes into pages, in that order, a page may
// come more than once) as one PDF document to out, from its position on,
// each page in its own paper size and orientation, with the links and
// information below. The bytes go to out as pages are drawn, one page at a
// time. Returns the number of pages written. Raises lf::Exception when out
// cannot be written, or what pageDone raises.
int WritePdf(TfrEMFPages& pages, const std::vector<int>& list, TStream& out,
             const PdfPageDone& pageDone = {});
// Writes the pages of list (indexes into pages, in that order) to the file
// at path (UTF-8): fonts embedded as subsets, hyperlink objects as links
// ("@N" to page N when it is in the list; http, https and mailto
// addresses), the report's title, author and comment as the document's
// information. path is replaced only once the document is complete; raises
// EStreamError "cannot write 'PATH': <system message>" when it cannot be.
void WritePdf(TfrEMFPages& pages, const std::vector<int>& list, const std::string& path);

// Sets the process's allocator so the buffers PDF writing takes for every
// page stay in the heap instead of being mapped and faulted in anew (glibc
// only; a no-op elsewhere). It changes the whole process, so the
// program decides: the headless program calls it once at start.
void KeepPageBuffersInHeap();

// Draws one page into rect (device units) and releases its objects again.
void DrawPageOnce(TfrEMFPages& pages, int index, Canvas& canvas, const CanvasRect& rect);

}  // namespace lf
