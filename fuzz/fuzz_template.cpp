// libFuzzer target: loads arbitrary bytes as a report template. The load
// must never crash, hang or read outside the stream; problems end in message
// boxes, which are recorded instead of shown. What loads must save, reload
// and go through the text form.
#include "engine/model/report.h"
#include "engine/template/template_format.h"
#include "engine/template/template_text.h"
#include "fuzz_engine_input.h"
#include "platform/message_box.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return lf::fuzz::RunOnInput(data, size, [](lf::TStream& in) {
    lf::RecordingMessageService boxes;
    lf::ScopedMessageService scoped(&boxes);
    lf::TfrReport report;
    lf::LoadFromStream(report, in);
    if (!boxes.boxes.empty()) return;
    lf::TMemoryStream out;
    lf::SaveToStream(report, out, true);
    lf::TfrReport again;
    out.SetPosition(0);
    lf::LoadFromStream(again, out);
    // What was saved must load without a box. (Bytes may differ: a page
    // takes the printer's paper when it matches the stored one within the
    // printer layer's tolerance.)
    if (!boxes.boxes.empty()) std::abort();
    // The text form of anything loaded must read back (texts that are no
    // valid characters of the code page may change, so bytes are not
    // compared here).
    lf::TfrReport fromText;
    lf::TemplateFromText(fromText, lf::TemplateToText(again));
  });
}
