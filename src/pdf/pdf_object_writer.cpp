// Numbered PDF objects, compressed streams and the cross-reference table.
#include "pdf/pdf_object_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace lf {

namespace {

constexpr uint64_t kUnwritten = std::numeric_limits<uint64_t>::max();
// Buffered bytes handed to the output at once.
constexpr size_t kFlushBytes = 1 << 16;
// Deflate level: fast, and within a few per cent of the best on page text.
constexpr int kDeflateLevel = 6;

}  // namespace

void AppendInt(std::string& out, int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  out.append(buf, end);
}

void AppendNumber(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  double scale = std::pow(10.0, decimals);
  double rounded = std::round(value * scale);
  if (rounded == 0) {
    out += '0';
    return;
  }
  if (std::fabs(rounded) < 9e15 && rounded == std::floor(rounded) &&
      std::fmod(rounded, scale) == 0) {
    AppendInt(out, static_cast<int64_t>(rounded / scale));
    return;
  }
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, rounded / scale,
                                 std::chars_format::fixed, decimals);
  if (ec != std::errc()) {
    out += '0';
    return;
  }
  char* last = end;
  while (last > buf && last[-1] == '0') --last;
  if (last > buf && last[-1] == '.') --last;
  out.append(buf, last);
}

std::string PdfTextString(std::string_view utf8) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "<FEFF";
  for (char16_t c : Utf8ToUtf16(utf8)) {
    for (int shift : {12, 8, 4, 0}) out += kHex[(c >> shift) & 0xF];
  }
  out += '>';
  return out;
}

std::string PdfLiteralString(std::string_view bytes) {
  std::string out = "(";
  for (unsigned char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += ')';
  return out;
}

PdfObjectWriter::PdfObjectWriter(TStream& out) : out_(out) {
  if (deflateInit(&zip_, kDeflateLevel) != Z_OK) throw Exception("cannot start compression");
  // A binary comment tells transfer programs that the file is not text.
  Put("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

PdfObjectWriter::~PdfObjectWriter() { deflateEnd(&zip_); }

int PdfObjectWriter::Reserve() {
  offsets_.push_back(kUnwritten);
  return static_cast<int>(offsets_.size());
}

void PdfObjectWriter::Put(std::string_view bytes) {
  buffer_.append(bytes);
  written_ += bytes.size();
  if (buffer_.size() >= kFlushBytes) Flush();
}

void PdfObjectWriter::Flush() {
  if (buffer_.empty()) return;
  out_.WriteBuffer(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void PdfObjectWriter::BeginObject(int number) {
  offsets_.at(static_cast<size_t>(number - 1)) = written_;
  std::string head;
  AppendInt(head, number);
  head += " 0 obj\n";
  Put(head);
}

void PdfObjectWriter::WriteObject(int number, std::string_view body) {
  BeginObject(number);
  Put(body);
  Put("\nendobj\n");
}

void PdfObjectWriter::Deflate(std::string_view data) {
  deflateReset(&zip_);
  deflated_.resize(deflateBound(&zip_, static_cast<uLong>(data.size())));
  zip_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zip_.avail_in = static_cast<uInt>(data.size());
  zip_.next_out = reinterpret_cast<Bytef*>(deflated_.data());
  zip_.avail_out = static_cast<uInt>(deflated_.size());
  if (deflate(&zip_, Z_FINISH) != Z_STREAM_END) throw Exception("cannot compress a PDF stream");
  deflated_.resize(zip_.total_out);
}

void PdfObjectWriter::WriteStream(int number, std::string_view dict, std::string_view data,
                                  bool compress) {
  if (compress) {
    Deflate(data);
    data = deflated_;
  }
  BeginObject(number);
  std::string head = "<<";
  head += dict;
  if (compress) head += "/Filter/FlateDecode";
  head += "/Length ";
  AppendInt(head, static_cast<int64_t>(data.size()));
  head += ">>\nstream\n";
  Put(head);
  Put(data);
  Put("\nendstream\nendobj\n");
}

void PdfObjectWriter::Finish(int root, int info) {
  const uint64_t xref = written_;
  std::string table = "xref\n0 ";
  AppendInt(table, static_cast<int64_t>(offsets_.size()) + 1);
  table += "\n0000000000 65535 f \n";
  Put(table);
  char line[32];
  for (size_t i = 0; i < offsets_.size(); ++i) {
    if (offsets_[i] == kUnwritten)
      throw Exception("PDF object " + std::to_string(i + 1) + " was reserved but not written");
    std::snprintf(line, sizeof line, "%010llu 00000 n \n",
                  static_cast<unsigned long long>(offsets_[i]));
    Put(std::string_view(line, 20));
  }
  std::string trailer = "trailer\n<</Size ";
  AppendInt(trailer, static_cast<int64_t>(offsets_.size()) + 1);
  trailer += "/Root ";
  AppendInt(trailer, root);
  trailer += " 0 R/Info ";
  AppendInt(trailer, info);
  trailer += " 0 R>>\nstartxref\n";
  AppendInt(trailer, static_cast<int64_t>(xref));
  trailer += "\n%%EOF\n";
  Put(trailer);
  Flush();
}

}  // namespace lf
