// TfrObject: property registry and the base property operations.
#include "engine/model/object.h"

#include "platform/code_page.h"

namespace lf {

void TfrObject::SetProperty(const std::string&, const Variant&) {}

Variant TfrObject::GetProperty(const std::string&) { return Variant::Null(); }

void TfrObject::CallMethod(const std::string&, const Variant&, const Variant&, const Variant&,
                           Variant& result) {
  result = Variant::Null();
}

void TfrObject::DeclareProperties() {}

const std::vector<TfrPropRec>& TfrObject::PropList() {
  if (!props_.empty() && !PropListValid()) props_.clear();
  if (props_.empty()) DeclareProperties();
  return props_;
}

const TfrPropRec* TfrObject::FindProperty(std::string_view name) {
  for (const TfrPropRec& p : PropList())
    if (SameTextAscii(p.Name, name)) return &p;
  return nullptr;
}

void TfrObject::AddProperty(std::string_view name, uint16_t kind) {
  name = CutAtBoundary(name, kPropNameMaxLength);
  DelProperty(name);
  TfrPropRec rec;
  rec.Name = std::string(name);
  rec.Kind = kind;
  props_.push_back(std::move(rec));
}

void TfrObject::AddEnumProperty(std::string_view name, std::string_view names,
                                std::vector<int32_t> values) {
  AddProperty(name, pkEnum);
  TfrPropRec& rec = props_.back();
  size_t start = 0;
  while (start <= names.size()) {
    size_t semi = names.find(';', start);
    if (semi == std::string_view::npos) semi = names.size();
    if (semi > start) rec.EnumNames.emplace_back(names.substr(start, semi - start));
    start = semi + 1;
  }
  if (values.empty())
    for (size_t i = 0; i < rec.EnumNames.size(); ++i) values.push_back(static_cast<int32_t>(i));
  rec.EnumValues = std::move(values);
}

void TfrObject::DelProperty(std::string_view name) {
  for (auto it = props_.begin(); it != props_.end(); ++it)
    if (SameTextAscii(it->Name, name)) {
      props_.erase(it);
      return;
    }
}

std::string PropName(std::string_view name) { return AsciiUpper(name); }

}  // namespace lf
