// JSON values: reference counting, constructors and array storage.
#include "data/json_value.h"

#include "data/json_table.h"

namespace lf {

IJsonValue::IJsonValue(TJsonValue* adopt) : p_(adopt) {
  if (p_) ++p_->refs_;
}

IJsonValue::IJsonValue(const IJsonValue& other) : p_(other.p_) {
  if (p_) ++p_->refs_;
}

IJsonValue& IJsonValue::operator=(const IJsonValue& other) {
  IJsonValue copy(other);
  std::swap(p_, copy.p_);
  return *this;
}

IJsonValue& IJsonValue::operator=(IJsonValue&& other) noexcept {
  IJsonValue moved(std::move(other));
  std::swap(p_, moved.p_);
  return *this;
}

IJsonValue::~IJsonValue() {
  if (p_ && --p_->refs_ == 0) delete p_;
}

TJsonValue::TJsonValue(TJsonKind kind) : kind_(kind) { num_.i = 0; }

TJsonValue::~TJsonValue() = default;

IJsonValue TJsonValue::Null() { return IJsonValue(new TJsonValue(TJsonKind::jkNull)); }

IJsonValue TJsonValue::Boolean(bool v) {
  IJsonValue r(new TJsonValue(TJsonKind::jkBoolean));
  r->num_.b = v;
  return r;
}

IJsonValue TJsonValue::Integer(int64_t v) {
  IJsonValue r(new TJsonValue(TJsonKind::jkInteger));
  r->num_.i = v;
  return r;
}

IJsonValue TJsonValue::CurrencyScaled(int64_t scaled) {
  IJsonValue r(new TJsonValue(TJsonKind::jkCurrency));
  r->num_.i = scaled;
  return r;
}

IJsonValue TJsonValue::Double(double v) {
  IJsonValue r(new TJsonValue(TJsonKind::jkDouble));
  r->num_.d = v;
  return r;
}

IJsonValue TJsonValue::String(std::u16string v) {
  IJsonValue r(new TJsonValue(TJsonKind::jkString));
  r->text_ = std::move(v);
  return r;
}

IJsonValue TJsonValue::NewArray() {
  IJsonValue r(new TJsonValue(TJsonKind::jkArray));
  r->array_ = std::make_unique<TJsonArray>();
  return r;
}

IJsonValue TJsonValue::NewObject() {
  IJsonValue r(new TJsonValue(TJsonKind::jkObject));
  r->table_ = std::make_unique<TJsonTable>();
  return r;
}

void TJsonArray::Put(size_t index, IJsonValue value) {
  if (index >= items_.size()) items_.resize(index + 1);
  items_[index] = std::move(value);
}

TJsonArray* ArrayValue(const IJsonValue& value) { return value ? value->Array() : nullptr; }

TJsonTable* ObjectTable(const IJsonValue& value) { return value ? value->Table() : nullptr; }

}  // namespace lf
