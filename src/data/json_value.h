// JSON values: the reference-counted value TJsonValue, the shared handle
// IJsonValue through which it is held, and the array TJsonArray.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lf {

enum class TJsonKind { jkNull, jkBoolean, jkInteger, jkCurrency, jkDouble, jkString, jkArray, jkObject };

class TJsonValue;
class TJsonArray;
class TJsonTable;

// A shared handle on a value; the value is freed when the last handle goes.
// An empty handle stands for "nothing" (no value). Values are used on one
// thread only, so the count is a plain integer.
class IJsonValue {
 public:
  IJsonValue() = default;
  IJsonValue(std::nullptr_t) {}
  // Adopts a freshly made value (its count goes from 0 to 1).
  explicit IJsonValue(TJsonValue* adopt);
  IJsonValue(const IJsonValue& other);
  IJsonValue(IJsonValue&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  IJsonValue& operator=(const IJsonValue& other);
  IJsonValue& operator=(IJsonValue&& other) noexcept;
  ~IJsonValue();

  TJsonValue* get() const { return p_; }
  TJsonValue* operator->() const { return p_; }
  TJsonValue& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator==(const IJsonValue& other) const { return p_ == other.p_; }

 private:
  TJsonValue* p_ = nullptr;
};

class TJsonValue {
 public:
  // null, true and false are shared values (they hold nothing that changes).
  static IJsonValue Null();
  static IJsonValue Boolean(bool v);
  static IJsonValue Integer(int64_t v);
  // Currency from its stored form: the number times 10000.
  static IJsonValue CurrencyScaled(int64_t scaled);
  static IJsonValue Double(double v);
  static IJsonValue String(std::u16string v);
  static IJsonValue NewArray();
  static IJsonValue NewObject();

  TJsonValue(const TJsonValue&) = delete;
  TJsonValue& operator=(const TJsonValue&) = delete;

  TJsonKind Kind() const { return kind_; }
  bool BoolValue() const { return num_.b; }
  int64_t IntValue() const { return num_.i; }
  int64_t CurrencyValue() const { return num_.i; }  // times 10000
  double DoubleValue() const { return num_.d; }
  // The text of a string value; empty for other kinds.
  const std::u16string& StringValue() const {
    return kind_ == TJsonKind::jkString ? *static_cast<const std::u16string*>(payload_) : EmptyText();
  }
  // The payload of an array or object value, else null.
  TJsonArray* Array() const { return kind_ == TJsonKind::jkArray ? static_cast<TJsonArray*>(payload_) : nullptr; }
  TJsonTable* Table() const { return kind_ == TJsonKind::jkObject ? static_cast<TJsonTable*>(payload_) : nullptr; }

  // Set by the writer while it writes this value (guard against a value
  // that contains itself).
  bool Writing() const { return writing_; }
  void SetWriting(bool on) { writing_ = on; }

  int RefCount() const { return refs_; }

 protected:
  // Values of each kind are one allocation: strings, arrays and objects
  // carry their payload in a derived block that payload_ points into.
  explicit TJsonValue(TJsonKind kind) : kind_(kind) { num_.i = 0; }
  ~TJsonValue() = default;
  void* payload_ = nullptr;

 private:
  friend class IJsonValue;
  static const std::u16string& EmptyText();
  // Frees a value whose last holder let go, by its kind.
  static void Destroy(TJsonValue* value);

  int refs_ = 0;
  TJsonKind kind_;
  bool writing_ = false;
  union {
    bool b;
    int64_t i;
    double d;
  } num_;
};

// Ordered list of entries; an entry holds a value or nothing.
class TJsonArray {
 public:
  size_t Length() const { return items_.size(); }
  // The entry's value, or nothing at or past the length.
  IJsonValue ElementAt(size_t index) const { return index < items_.size() ? items_[index] : IJsonValue(); }
  const IJsonValue& At(size_t index) const { return items_[index]; }
  void Add(IJsonValue value) { items_.push_back(std::move(value)); }
  // Stores value at index, growing the array with empty entries as needed.
  void Put(size_t index, IJsonValue value);
  void Reserve(size_t n) { items_.reserve(n); }

 private:
  std::vector<IJsonValue> items_;
};

// The value's array when it is an array, else null.
inline TJsonArray* ArrayValue(const IJsonValue& value) { return value ? value->Array() : nullptr; }
// The value's member table when it is an object, else null.
inline TJsonTable* ObjectTable(const IJsonValue& value) { return value ? value->Table() : nullptr; }
inline IJsonValue ElementAt(const TJsonArray& array, size_t index) { return array.ElementAt(index); }
inline size_t Length(const TJsonArray& array) { return array.Length(); }

}  // namespace lf
