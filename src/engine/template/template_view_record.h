// Reading and writing the record of one object (common view part, then its
// class part) in template form or, when the object's StreamMode is set, in
// prepared-page form. The version read is the current stream version.
#pragma once

#include "platform/stream.h"

namespace lf {

class TfrView;

// Reads the object's own record at the stream's position. Raises
// ETemplateFormatError for a truncated or inconsistent record.
void ReadViewRecord(TStream& stream, TfrView& view);
// Writes the record in the current layout (version 25); sets FormatVersion
// to 2 and, for band views, FormatRevision to 1.
void WriteViewRecord(TStream& stream, TfrView& view);

}  // namespace lf
