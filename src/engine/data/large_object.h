// Large-object fields and copying their content.
#pragma once

#include "data/client_dataset.h"
#include "engine/model/text_lines.h"
#include "platform/stream.h"

namespace lf {

// Large-object fields (ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle,
// ftDBaseOle, ftTypedBinary, ftOraBlob); false for null.
bool IsLargeObjectField(const TField* field);
// The field's content as lines, or written into a stream that is then
// rewound to position 0.
void CopyLargeObject(const TField& field, TfrLines& target);
void CopyLargeObject(const TField& field, TStream& target);

}  // namespace lf
