// Print jobs on the print system: a job created on a destination whose PDF
// document is streamed to the scheduler while it is written.
#include "printer/print_document.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstring>

#include "platform/code_page.h"
#include "printer/paper_table.h"

namespace lf {

int64_t TPrintDocument::Seek(int64_t offset, SeekOrigin origin) {
  // Only the position can be asked for: the bytes are gone to the printer.
  if (offset != 0 || origin == SeekOrigin::Begin)
    throw EStreamError("A print job's document can only be written in order");
  return written_;
}

std::unique_ptr<TPrintDocument> TPlatformPrinter::StartDocument(const std::string&, int) {
  throw EPrinterError("This printer cannot print");
}

namespace {

// Bytes gathered before they go to the scheduler in one write.
constexpr size_t kSendChunkBytes = 64 * 1024;
// Milliseconds to wait for the scheduler when connecting.
constexpr int kConnectTimeoutMs = 30000;

std::string LastCupsError() {
  const char* text = cupsLastErrorString();
  return text && *text ? text : "the print system did not answer";
}

class CupsPrintDocument : public TPrintDocument {
 public:
  CupsPrintDocument(const cups_dest_t& dest, const TPrintJobSettings& settings, bool& printing)
      : printing_(printing) {
    cupsCopyDest(const_cast<cups_dest_t*>(&dest), 0, &dest_);
    try {
      Start(settings);
    } catch (...) {
      Close();
      throw;
    }
    printing_ = true;
  }

  ~CupsPrintDocument() override {
    if (http_) {
      try {
        Abort();
      } catch (...) {
      }
    }
    Close();
  }

  int JobId() const override { return job_; }

  size_t Write(const void* buffer, size_t count) override {
    if (!http_) throw EPrinterError("The print job has ended");
    const char* bytes = static_cast<const char*>(buffer);
    pending_.insert(pending_.end(), bytes, bytes + count);
    written_ += static_cast<int64_t>(count);
    if (pending_.size() >= kSendChunkBytes) Send();
    return count;
  }

  void Finish() override {
    if (!http_) throw EPrinterError("The print job has ended");
    Send();
    ipp_status_t status = cupsFinishDestDocument(http_, dest_, info_);
    std::string message = LastCupsError();
    httpClose(http_);
    http_ = nullptr;
    printing_ = false;
    if (status > IPP_STATUS_OK_CONFLICTING) throw EPrinterError(message);
  }

  void Abort() override {
    if (!http_) return;
    // The cancel goes over a connection of its own while the document's
    // request is still open, so the job never completes with a partial
    // document.
    cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest_, job_);
    httpClose(http_);
    http_ = nullptr;
    printing_ = false;
  }

 private:
  void Start(const TPrintJobSettings& settings) {
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                         kConnectTimeoutMs, nullptr);
    if (!http_) throw EPrinterError("Cannot reach the print system: " + LastCupsError());
    info_ = cupsCopyDestInfo(http_, dest_);
    if (!info_) throw EPrinterError(LastCupsError());
    cups_option_t* options = nullptr;
    int count = 0;
    const std::string copies = std::to_string(std::max(1, settings.Copies));
    count = cupsAddOption(CUPS_COPIES, copies.c_str(), count, &options);
    if (!settings.Media.empty())
      count = cupsAddOption(CUPS_MEDIA, settings.Media.c_str(), count, &options);
    count = cupsAddOption(CUPS_ORIENTATION,
                          settings.Landscape ? CUPS_ORIENTATION_LANDSCAPE : CUPS_ORIENTATION_PORTRAIT,
                          count, &options);
    const std::string title = HostToUtf8(settings.Title);
    ipp_status_t status = cupsCreateDestJob(http_, dest_, info_, &job_, title.c_str(), count, options);
    cupsFreeOptions(count, options);
    if (status > IPP_STATUS_OK_CONFLICTING || job_ <= 0) throw EPrinterError(LastCupsError());
    if (cupsStartDestDocument(http_, dest_, info_, job_, title.c_str(), CUPS_FORMAT_PDF, 0, nullptr,
                              1) != HTTP_STATUS_CONTINUE) {
      std::string message = LastCupsError();
      cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest_, job_);
      throw EPrinterError(message);
    }
  }

  void Send() {
    if (pending_.empty()) return;
    if (cupsWriteRequestData(http_, pending_.data(), pending_.size()) != HTTP_STATUS_CONTINUE)
      throw EPrinterError(LastCupsError());
    pending_.clear();
  }

  void Close() {
    if (http_) httpClose(http_);
    http_ = nullptr;
    if (info_) cupsFreeDestInfo(info_);
    info_ = nullptr;
    if (dest_) cupsFreeDests(1, dest_);
    dest_ = nullptr;
    printing_ = false;
  }

  bool& printing_;
  cups_dest_t* dest_ = nullptr;
  cups_dinfo_t* info_ = nullptr;
  http_t* http_ = nullptr;
  int job_ = 0;
  std::vector<char> pending_;
};

}  // namespace

std::string MediaName(int32_t paperCode, int32_t widthDmm, int32_t heightDmm) {
  int row = paperCode == kPaperCustom ? -1 : FindPaperRow(paperCode);
  if (row >= 0) {
    widthDmm = PaperTable()[static_cast<size_t>(row)].Width;
    heightDmm = PaperTable()[static_cast<size_t>(row)].Height;
  }
  if (widthDmm <= 0 || heightDmm <= 0) return {};
  // Media are named in portrait.
  if (widthDmm > heightDmm) std::swap(widthDmm, heightDmm);
  pwg_media_t* media = pwgMediaForSize(widthDmm * 10, heightDmm * 10);
  return media && media->pwg ? media->pwg : std::string();
}

std::unique_ptr<TPrintDocument> StartCupsDocument(const cups_dest_s& dest,
                                                  const TPrintJobSettings& settings,
                                                  bool& printing) {
  return std::make_unique<CupsPrintDocument>(dest, settings, printing);
}

}  // namespace lf
