// Stream primitives of the report template format.
#include "engine/template/template_stream.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/run/globals.h"
#include "platform/code_page.h"

namespace lf {
namespace {

[[noreturn]] void Truncated(TStream& s) {
  throw ETemplateFormatError("Template truncated at byte " + std::to_string(s.Position()));
}

template <class T>
T ReadRaw(TStream& s) {
  unsigned char buf[sizeof(T)];
  if (s.Read(buf, sizeof buf) != sizeof buf) Truncated(s);
  // Little-endian on the wire and on every target we build for.
  T v;
  std::memcpy(&v, buf, sizeof v);
  return v;
}

template <class T>
void WriteRaw(TStream& s, T v) {
  s.WriteBuffer(&v, sizeof v);
}

constexpr size_t kMaxCountedLength = 0xFFFF;

}  // namespace

int StreamVersion() { return EngineState().StreamVersion; }
void SetStreamVersion(int version) { EngineState().StreamVersion = version; }

uint8_t ReadU8(TStream& s) { return ReadRaw<uint8_t>(s); }
int16_t ReadI16(TStream& s) { return ReadRaw<int16_t>(s); }
uint16_t ReadU16(TStream& s) { return ReadRaw<uint16_t>(s); }
int32_t ReadI32(TStream& s) { return ReadRaw<int32_t>(s); }
uint32_t ReadU32(TStream& s) { return ReadRaw<uint32_t>(s); }
double ReadDouble(TStream& s) { return ReadRaw<double>(s); }
void WriteU8(TStream& s, uint8_t v) { WriteRaw(s, v); }
void WriteI16(TStream& s, int16_t v) { WriteRaw(s, v); }
void WriteU16(TStream& s, uint16_t v) { WriteRaw(s, v); }
void WriteI32(TStream& s, int32_t v) { WriteRaw(s, v); }
void WriteU32(TStream& s, uint32_t v) { WriteRaw(s, v); }
void WriteDouble(TStream& s, double v) { WriteRaw(s, v); }
WordBool ReadBool16(TStream& s) { return WordBool::FromStored(ReadI16(s)); }
void WriteBool16(TStream& s, WordBool v) { WriteI16(s, v.Stored()); }

int64_t Remaining(TStream& s) {
  int64_t pos = s.Position();
  int64_t size = s.Size();
  return size > pos ? size - pos : 0;
}

std::string ReadBytes(TStream& s, size_t n) {
  if (n == 0) return {};
  if (static_cast<int64_t>(n) > Remaining(s)) Truncated(s);
  std::string out(n, '\0');
  s.ReadBuffer(out.data(), n);
  return out;
}

void CheckCount(TStream& s, int64_t count, int64_t minBytes, const char* what) {
  if (count < 0 || (count > 0 && count > Remaining(s) / minBytes))
    throw ETemplateFormatError(std::string("Invalid ") + what + " count " + std::to_string(count) +
                               " at byte " + std::to_string(s.Position()));
}

void SeekRecorded(TStream& s, int64_t target, int64_t notBefore, const char* what) {
  if (target < notBefore || target > s.Size())
    throw ETemplateFormatError(std::string("Invalid ") + what + " position " +
                               std::to_string(target) + " at byte " + std::to_string(s.Position()));
  s.SetPosition(target);
}

std::string ReadFrString(TStream& s, int version) {
  if (version >= kCountedTextVersion) {
    uint16_t n = ReadU16(s);
    std::string text = ReadBytes(s, n);
    ReadU8(s);
    return text;
  }
  std::string text;
  for (;;) {
    uint8_t b = ReadU8(s);
    if (b == 0) return text;
    text.push_back(static_cast<char>(b));
  }
}

void WriteFrString(TStream& s, std::string_view text) {
  std::string_view cut = CutAtBoundary(text, kMaxCountedLength);
  WriteU16(s, static_cast<uint16_t>(cut.size()));
  s.WriteBuffer(cut.data(), cut.size());
  WriteU8(s, 0);
}

std::vector<std::string> ReadFrLines(TStream& s, int version) {
  std::vector<std::string> lines;
  if (version >= kCountedTextVersion) {
    if (ReadU16(s) == 0) {
      ReadU8(s);
      return lines;
    }
    // Every line costs at least three bytes, so the loop ends with the stream.
    for (;;) {
      uint16_t n = ReadU16(s);
      lines.push_back(ReadBytes(s, n));
      if (ReadU8(s) == 0) return lines;
    }
  }
  std::string line;
  bool lineOpen = false;  // bytes seen since the start or the last 13
  for (;;) {
    uint8_t b = ReadU8(s);
    if (b == 0) {
      if (lineOpen) lines.push_back(std::move(line));
      return lines;
    }
    if (b == 13) {
      lines.push_back(std::move(line));
      line.clear();
      lineOpen = false;
    } else {
      line.push_back(static_cast<char>(b));
      lineOpen = true;
    }
  }
}

void WriteFrLines(TStream& s, const std::vector<std::string>& lines) {
  size_t count = lines.size();
  WriteU16(s, static_cast<uint16_t>(count > kMaxCountedLength ? kMaxCountedLength : count));
  if (count == 0) {
    WriteU8(s, 0);
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    std::string_view cut = CutAtBoundary(lines[i], kMaxCountedLength);
    WriteU16(s, static_cast<uint16_t>(cut.size()));
    s.WriteBuffer(cut.data(), cut.size());
    WriteU8(s, i + 1 < count ? 13 : 0);
  }
}

std::string ReadShortText(TStream& s) { return ReadBytes(s, ReadU16(s)); }

void WriteShortText(TStream& s, std::string_view text) {
  std::string_view cut = CutAtBoundary(text, kMaxCountedLength);
  WriteU16(s, static_cast<uint16_t>(cut.size()));
  s.WriteBuffer(cut.data(), cut.size());
}

int32_t EncodeFrameWidth(float width) {
  double w = width;
  if (std::isnan(w)) return 0;
  double stored = w == std::trunc(w) ? w : std::nearbyint(w * 1000.0);
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  if (stored < lo) stored = lo;
  if (stored > hi) stored = hi;
  return static_cast<int32_t>(stored);
}

float DecodeFrameWidth(int32_t stored) {
  double thousandths = stored <= 10 ? stored * 1000.0 : stored;
  return static_cast<float>(thousandths / 1000.0);
}

std::string PasswordToHex(std::string_view password) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(password.size() * 2);
  for (unsigned char c : password) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 15]);
  }
  return hex;
}

std::string HexToPassword(std::string_view hex) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  if (hex.size() % 2 != 0)
    throw ETemplateFormatError("Invalid password text: odd number of digits");
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
    if (hi < 0 || lo < 0) throw ETemplateFormatError("Invalid password text: not a hexadecimal digit");
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return out;
}

}  // namespace lf
