// Numbered PDF objects, compressed streams and the cross-reference table.
#include "pdf/pdf_object_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include <libdeflate.h>

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace lf {

namespace {

constexpr uint64_t kUnwritten = std::numeric_limits<uint64_t>::max();
// Buffered bytes handed to the output at once.
constexpr size_t kFlushBytes = 1 << 16;
// Deflate level: on page contents libdeflate's 4 makes files a little
// smaller than zlib's default level at a third of its time.
constexpr int kDeflateLevel = 4;

}  // namespace

void AppendInt(std::string& out, int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  out.append(buf, end);
}

void AppendNumber(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  static constexpr int64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  if (decimals >= 0 && decimals <= 6 && std::fabs(value) < 1e12) {
    // Digits of the rounded value, without going through floating-point text.
    const int64_t scale = kPowers[decimals];
    const int64_t rounded = std::llround(value * static_cast<double>(scale));
    if (rounded == 0) {
      out += '0';
      return;
    }
    const uint64_t magnitude = rounded < 0 ? -static_cast<uint64_t>(rounded) : rounded;
    if (rounded < 0) out += '-';
    AppendInt(out, static_cast<int64_t>(magnitude / scale));
    uint64_t fraction = magnitude % scale;
    if (fraction == 0) return;
    int digits = decimals;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --digits;
    }
    char buf[8];
    for (int i = digits - 1; i >= 0; --i, fraction /= 10) buf[i] = static_cast<char>('0' + fraction % 10);
    out += '.';
    out.append(buf, static_cast<size_t>(digits));
    return;
  }
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
  zip_ = libdeflate_alloc_compressor(kDeflateLevel);
  if (!zip_) throw Exception("cannot start compression");
  // A binary comment tells transfer programs that the file is not text.
  Put("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

PdfObjectWriter::~PdfObjectWriter() { libdeflate_free_compressor(zip_); }

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
  const size_t bound = libdeflate_zlib_compress_bound(zip_, data.size());
  if (deflated_.size() < bound) deflated_.resize(bound);
  deflatedSize_ =
      libdeflate_zlib_compress(zip_, data.data(), data.size(), deflated_.data(), deflated_.size());
  if (deflatedSize_ == 0) throw Exception("cannot compress a PDF stream");
}

void PdfObjectWriter::WriteStream(int number, std::string_view dict, std::string_view data,
                                  bool compress) {
  if (compress) {
    Deflate(data);
    data = std::string_view(deflated_.data(), deflatedSize_);
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
