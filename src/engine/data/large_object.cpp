// Large-object fields and copying their content.
#include "engine/data/large_object.h"

namespace lf {

bool IsLargeObjectField(const TField* field) {
  if (!field) return false;
  switch (field->DataType()) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle:
    case ftDBaseOle: case ftTypedBinary: case ftOraBlob:
      return true;
    default:
      return false;
  }
}

void CopyLargeObject(const TField& field, TfrLines& target) { target = SplitLines(field.AsString()); }

void CopyLargeObject(const TField& field, TStream& target) {
  field.CopyTo(target);
  target.SetPosition(0);
}

}  // namespace lf
