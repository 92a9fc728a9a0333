// PdfObjectWriter: the file layer of a PDF document: numbered objects
// written one after another, Flate-compressed streams, the cross-reference
// table and the trailer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct libdeflate_compressor;

namespace lf {

class TStream;

// Appends a number as PDF writes it: no exponent, '.' as the decimal point
// whatever the C locale, at most `decimals` digits after it, trailing zeros
// dropped.
void AppendNumber(std::string& out, double value, int decimals = 3);
void AppendInt(std::string& out, int64_t value);
// A PDF text string: UTF-16BE with a byte-order mark, as hex (utf8 input).
std::string PdfTextString(std::string_view utf8);
// A PDF literal string of bytes, with ( ) \ and control bytes escaped.
std::string PdfLiteralString(std::string_view bytes);

class PdfObjectWriter {
 public:
  // out must outlive the writer; the header is written at once.
  explicit PdfObjectWriter(TStream& out);
  ~PdfObjectWriter();
  PdfObjectWriter(const PdfObjectWriter&) = delete;
  PdfObjectWriter& operator=(const PdfObjectWriter&) = delete;

  // A new object number; its object may be written later.
  int Reserve();
  // Writes object `number` whose body (a dictionary, array, ...) is body.
  void WriteObject(int number, std::string_view body);
  // Writes a stream object: dict holds the entries besides /Length and
  // /Filter (without the enclosing << >>). With compress the data goes
  // through Flate; already encoded data (JPEG) is written as it is, its
  // filter named in dict.
  void WriteStream(int number, std::string_view dict, std::string_view data, bool compress);
  // The cross-reference table and trailer; root and info are object numbers.
  // Every reserved object must have been written.
  void Finish(int root, int info);

  uint64_t BytesWritten() const { return written_; }

 private:
  void Put(std::string_view bytes);
  void Flush();
  void BeginObject(int number);
  // Compresses data into deflated_ (deflatedSize_ bytes).
  void Deflate(std::string_view data);

  TStream& out_;
  std::string buffer_;            // bytes not yet handed to out_
  uint64_t written_ = 0;          // bytes of the file so far, buffered included
  std::vector<uint64_t> offsets_; // by object number - 1; UINT64_MAX: reserved only
  libdeflate_compressor* zip_ = nullptr;  // kept between streams: it costs to set up
  std::string deflated_;          // grown to the largest bound, never shrunk
  size_t deflatedSize_ = 0;
};

}  // namespace lf
