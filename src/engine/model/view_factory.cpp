// The view factory and the add-in registry.
#include "engine/model/view_factory.h"

#include <vector>

#include "engine/model/band_view.h"
#include "engine/run/globals.h"
#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/picture_view.h"
#include "engine/model/subreport_view.h"

namespace lf {
namespace {

std::vector<TfrAddInObjectInfo>& AddIns() {
  static std::vector<TfrAddInObjectInfo> table;
  return table;
}

}  // namespace

void RegisterAddInObject(std::string_view className,
                         std::function<std::unique_ptr<TfrView>()> create) {
  if (static_cast<int>(AddIns().size()) >= kMaxAddInObjects)
    throw Exception("Too many add-in objects");
  AddIns().push_back(TfrAddInObjectInfo{std::string(className), std::move(create)});
}

const TfrAddInObjectInfo* FindAddInObject(std::string_view className) {
  for (const TfrAddInObjectInfo& info : AddIns())
    if (info.ClassName == className) return &info;
  return nullptr;
}

int AddInObjectCount() { return static_cast<int>(AddIns().size()); }

void ClearAddInObjects() { AddIns().clear(); }

std::string& MissingComponents() {
  static std::string list;
  return list;
}

int32_t NextViewSerial() { return EngineState().ObjectSerial++; }

std::unique_ptr<TfrView> CreateView(int typeCode, std::string_view className) {
  std::unique_ptr<TfrView> view;
  switch (typeCode) {
    case gtMemo: view = std::make_unique<TfrMemoView>(); break;
    case gtPicture: view = std::make_unique<TfrPictureView>(); break;
    case gtBand: view = std::make_unique<TfrBandView>(); break;
    case gtSubReport: view = std::make_unique<TfrSubReportView>(); break;
    case gtLine: view = std::make_unique<TfrLineView>(); break;
    case gtAddIn: {
      const TfrAddInObjectInfo* info = FindAddInObject(className);
      if (!info || !info->Create) {
        MissingComponents() += std::string(className) + "\r";
        throw EClassNotFound("Class " + std::string(className) + " not found");
      }
      view = info->Create();
      break;
    }
    default: return nullptr;
  }
  if (view) view->Serial = NextViewSerial();
  return view;
}

}  // namespace lf
