// The control's loading flow: parameters, data, tables, template, report.
#include "control/lumenfoldi.h"

#include "data/data_tables.h"
#include "engine/prepare/preparation.h"
#include "platform/code_page.h"
#include "platform/message_box.h"

namespace lf {
namespace {

// Marks the control busy for one setParams call; leaves the flag alone when
// the control was destroyed during the call.
class LoadingScope {
 public:
  LoadingScope(bool& flag, LivenessGuard alive) : flag_(flag), alive_(std::move(alive)) { flag_ = true; }
  ~LoadingScope() {
    if (alive_.Alive()) flag_ = false;
  }
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;

 private:
  bool& flag_;
  LivenessGuard alive_;
};

}  // namespace

Tlumenfoldi::Tlumenfoldi() {
  SetName("lumenfoldi");
  httpCli1_ = TComponent::Create<THttpCli>(this, "HttpCli1");
  frReport1_ = TComponent::Create<TfrReport>(this, "frReport1");
}

Tlumenfoldi::~Tlumenfoldi() {
  liveness_.End();
  ReleaseTables();
}

void Tlumenfoldi::SetParamText(std::u16string_view param1) {
  paramText_ = Utf16ToHost(param1);
  size_t comma = FindText(paramText_, ",");
  if (comma == std::string::npos) {
    templateUrl_.clear();
    dataUrl_ = paramText_;
  } else {
    templateUrl_ = paramText_.substr(0, comma);
    dataUrl_ = paramText_.substr(comma + 1);
  }
}

void Tlumenfoldi::setParams(std::u16string_view param1) {
  if (loading_) {
    // A call that arrives while a download waits: its data request would be
    // refused by the busy client, so it takes the data-failure path. Its
    // parameter is stored, as after any data failure; the running call goes
    // on with the addresses it copied.
    SetParamText(param1);
    ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kDataLoadFailedText), mbOK);
    return;
  }
  // Each download waits for messages, and an event handled meanwhile may
  // destroy the control: after a wait nothing of it is touched unless it is
  // still alive.
  LivenessGuard alive = liveness_.Guard();
  LoadingScope scope(loading_, alive);
  SetParamText(param1);
  const std::string templateUrl = templateUrl_;
  std::string data;
  if (!FetchData(data) || !alive.Alive()) return;
  LoadDataText(data);
  if (!FetchTemplate(templateUrl) || !alive.Alive()) return;
  try {
    PrepareAndShow();
  } catch (const EOwnerDestroyed&) {
    // The preparation stopped because an event it dispatched destroyed the
    // control: nothing is left to report to.
    if (alive.Alive()) throw;
  }
}

void Tlumenfoldi::ReleaseTables() {
  // The dictionary's name cache points at tables and fields: drop it first.
  if (frReport1_) frReport1_->Dictionary->ClearCache();
  // Datasets go before the tables they walk.
  for (auto it = datasets_.rbegin(); it != datasets_.rend(); ++it)
    if (*it) (*it)->Free();
  datasets_.clear();
  for (auto it = tables_.rbegin(); it != tables_.rend(); ++it) (*it)->Free();
  tables_.clear();
}

void Tlumenfoldi::LoadDataText(std::string_view data) {
  ReleaseTables();
  LoadDataTables(data, *this, tables_, [this](size_t index, TClientDataSet& table) { TableBuilt(index, table); });
}

void Tlumenfoldi::TableBuilt(size_t index, TClientDataSet& table) {
  // The report finds the dataset by this name among the control's members.
  auto* dataset = TComponent::Create<TfrDBDataSet>(this, "frdataset" + std::to_string(index));
  if (datasets_.size() <= index) datasets_.resize(index + 1, nullptr);
  datasets_[index] = dataset;
  dataset->SetDataSet(&table);
  dataset->OpenDataSource = true;
  dataset->OpenTable();
}

bool Tlumenfoldi::Download(const std::string& url, TStream& stream) {
  THttpCli& http = HttpCli1();
  http.SetReceiveStream(&stream);
  http.SetURL(url);
  LivenessGuard alive = liveness_.Guard();
  try {
    http.Get();
  } catch (const std::exception&) {
    if (alive.Alive()) http.SetReceiveStream(nullptr);
    return false;
  }
  http.SetReceiveStream(nullptr);
  return true;
}

bool Tlumenfoldi::FetchData(std::string& data) {
  TStringStream stream;
  LivenessGuard alive = liveness_.Guard();
  if (!Download(dataUrl_, stream)) {
    if (alive.Alive()) ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kDataLoadFailedText), mbOK);
    return false;
  }
  data = std::move(stream.Bytes());
  return true;
}

bool Tlumenfoldi::FetchTemplate(const std::string& url) {
  // A failed download keeps the previous template; the load itself reports
  // a bad template in its own boxes and never raises.
  TMemoryStream stream;
  LivenessGuard alive = liveness_.Guard();
  if (!Download(url, stream)) {
    if (alive.Alive()) ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kTemplateLoadFailedText), mbOK);
    return false;
  }
  stream.SetPosition(0);
  templateLoad_ = frReport1_->LoadFromStream(stream);
  return true;
}

void Tlumenfoldi::PrepareAndShow() {
  frReport1_->ModalPreview = false;
  // A calculation error is shown by the preparation itself and leaves no
  // pages; any other error fails the call. Headless, the prepared pages
  // stay with the report; the windowed control runs the preparation under
  // its progress window and shows the pages in its preview panel.
  if (RunPreparation) RunPreparation(*frReport1_);
  else PrepareReport(*frReport1_);
  if (ShowPreparedPages) ShowPreparedPages(*frReport1_);
}

}  // namespace lf
