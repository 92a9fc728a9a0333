// Stream primitives of the report template format: bounds-checked integer
// reads, the two string and line-list encodings chosen by the stream version,
// the frame-width encoding, the hexadecimal password text and the current
// stream version that object readers consult.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"
#include "platform/stream.h"
#include "platform/word_bool.h"

namespace lf {

// A template stream that is truncated, points outside itself or holds a value
// that no writer produces.
class ETemplateFormatError : public Exception {
 public:
  using Exception::Exception;
};

// Stream versions: templates of 21 to 25 are read, 25 is written. A first
// byte of kNoVersionByteMax or less is no version byte at all.
inline constexpr int kOldestStreamVersion = 21;
inline constexpr int kCurrentStreamVersion = 25;
inline constexpr int kNoVersionByteMax = 20;
// From this version on strings carry a length word and line lists a count.
inline constexpr int kCountedTextVersion = 23;

// Version of the template or prepared page being read or written. It stays at
// the value of the last stream handled; object readers rely on it.
int StreamVersion();
void SetStreamVersion(int version);

// Plain little-endian reads and writes; a short read raises
// ETemplateFormatError "Template truncated at byte P".
uint8_t ReadU8(TStream& s);
int16_t ReadI16(TStream& s);
uint16_t ReadU16(TStream& s);
int32_t ReadI32(TStream& s);
uint32_t ReadU32(TStream& s);
double ReadDouble(TStream& s);
void WriteU8(TStream& s, uint8_t v);
void WriteI16(TStream& s, int16_t v);
void WriteU16(TStream& s, uint16_t v);
void WriteI32(TStream& s, int32_t v);
void WriteU32(TStream& s, uint32_t v);
void WriteDouble(TStream& s, double v);
// 16-bit booleans, read and written with the value they hold.
WordBool ReadBool16(TStream& s);
void WriteBool16(TStream& s, WordBool v);
inline void WriteBool16(TStream& s, bool v) { WriteBool16(s, WordBool(v)); }

// Bytes left between the position and the end of s.
int64_t Remaining(TStream& s);
// Reads n bytes after checking that the stream still holds them, so that a
// corrupt length never allocates more than the stream's size.
std::string ReadBytes(TStream& s, size_t n);
// Raises unless count items of at least minBytes each can still follow.
void CheckCount(TStream& s, int64_t count, int64_t minBytes, const char* what);
// Seeks to an absolute position recorded in the stream; it must lie between
// notBefore and the end of the stream.
void SeekRecorded(TStream& s, int64_t target, int64_t notBefore, const char* what);

// string (v >= 23) = u16 n, n bytes, one byte (ignored)
// string (v < 23)  = bytes up to and excluding a byte 0
std::string ReadFrString(TStream& s, int version);
inline std::string ReadFrString(TStream& s) { return ReadFrString(s, StreamVersion()); }
// Always the counted form; longer texts are cut at a character boundary to
// the 65535 bytes the length word holds.
void WriteFrString(TStream& s, std::string_view text);

// line list (v >= 23) = u16 c, (c = 0: byte 0 | lines, each: u16 n, n bytes,
//                       separator 13 before another line or 0 after the last)
// line list (v < 23)  = bytes; 13 ends a line, 0 ends the list
std::vector<std::string> ReadFrLines(TStream& s, int version);
inline std::vector<std::string> ReadFrLines(TStream& s) { return ReadFrLines(s, StreamVersion()); }
// Always the counted form. More than 65535 lines keep their order; the count
// word then holds 65535, which readers only test for zero.
void WriteFrLines(TStream& s, const std::vector<std::string>& lines);

// Information-block text: u16 n, n bytes, no terminator.
std::string ReadShortText(TStream& s);
void WriteShortText(TStream& s, std::string_view text);

// Frame width: whole widths are stored as themselves, others as thousandths;
// stored values of 10 or less are whole widths.
int32_t EncodeFrameWidth(float width);
float DecodeFrameWidth(int32_t stored);

// Password as text: two hexadecimal digits per byte, high nibble first,
// written in capitals, read in either case. Raises ETemplateFormatError for
// an odd length or a character that is no hexadecimal digit.
std::string PasswordToHex(std::string_view password);
std::string HexToPassword(std::string_view hex);

// Keeps the stream version across a scope (tests, nested reads).
class ScopedStreamVersion {
 public:
  explicit ScopedStreamVersion(int version) : saved_(StreamVersion()) { SetStreamVersion(version); }
  ~ScopedStreamVersion() { SetStreamVersion(saved_); }
  ScopedStreamVersion(const ScopedStreamVersion&) = delete;
  ScopedStreamVersion& operator=(const ScopedStreamVersion&) = delete;

 private:
  int saved_;
};

}  // namespace lf
