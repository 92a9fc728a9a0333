// JSON values: reference counting, one-block values of each kind, arrays.
#include "data/json_value.h"

#include "data/block_pool.h"
#include "data/json_table.h"

namespace lf {
namespace {

struct ScalarBlock final : TJsonValue, TPooled {
  explicit ScalarBlock(TJsonKind kind) : TJsonValue(kind) {}
};

struct StringBlock final : TJsonValue, TPooled {
  explicit StringBlock(std::u16string t) : TJsonValue(TJsonKind::jkString), text(std::move(t)) { payload_ = &text; }
  std::u16string text;
};

struct ArrayBlock final : TJsonValue, TPooled {
  ArrayBlock() : TJsonValue(TJsonKind::jkArray) { payload_ = &array; }
  TJsonArray array;
};

struct ObjectBlock final : TJsonValue, TPooled {
  ObjectBlock() : TJsonValue(TJsonKind::jkObject) { payload_ = &table; }
  TJsonTable table;
};

}  // namespace

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
  if (p_ && --p_->refs_ == 0) TJsonValue::Destroy(p_);
}

void TJsonValue::Destroy(TJsonValue* value) {
  switch (value->kind_) {
    case TJsonKind::jkString: delete static_cast<StringBlock*>(value); break;
    case TJsonKind::jkArray: delete static_cast<ArrayBlock*>(value); break;
    case TJsonKind::jkObject: delete static_cast<ObjectBlock*>(value); break;
    default: delete static_cast<ScalarBlock*>(value); break;
  }
}

const std::u16string& TJsonValue::EmptyText() {
  static const std::u16string empty;
  return empty;
}

IJsonValue TJsonValue::Null() {
  static const IJsonValue shared(new ScalarBlock(TJsonKind::jkNull));
  return shared;
}

IJsonValue TJsonValue::Boolean(bool v) {
  static const IJsonValue shared[2] = {
      [] {
        IJsonValue r(new ScalarBlock(TJsonKind::jkBoolean));
        r->num_.b = false;
        return r;
      }(),
      [] {
        IJsonValue r(new ScalarBlock(TJsonKind::jkBoolean));
        r->num_.b = true;
        return r;
      }()};
  return shared[v ? 1 : 0];
}

IJsonValue TJsonValue::Integer(int64_t v) {
  IJsonValue r(new ScalarBlock(TJsonKind::jkInteger));
  r->num_.i = v;
  return r;
}

IJsonValue TJsonValue::CurrencyScaled(int64_t scaled) {
  IJsonValue r(new ScalarBlock(TJsonKind::jkCurrency));
  r->num_.i = scaled;
  return r;
}

IJsonValue TJsonValue::Double(double v) {
  IJsonValue r(new ScalarBlock(TJsonKind::jkDouble));
  r->num_.d = v;
  return r;
}

IJsonValue TJsonValue::String(std::u16string v) { return IJsonValue(new StringBlock(std::move(v))); }

IJsonValue TJsonValue::NewArray() { return IJsonValue(new ArrayBlock()); }

IJsonValue TJsonValue::NewObject() { return IJsonValue(new ObjectBlock()); }

void TJsonArray::Put(size_t index, IJsonValue value) {
  if (index >= items_.size()) items_.resize(index + 1);
  items_[index] = std::move(value);
}

}  // namespace lf
