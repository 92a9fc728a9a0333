// The control's loading flow: parameters, data, tables, template, report.
#include "control/lumenfoldi.h"

#include "data/data_tables.h"
#include "platform/code_page.h"
#include "platform/message_box.h"

namespace lf {
namespace {

// Marks the control busy for one setParams call.
class LoadingScope {
 public:
  explicit LoadingScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~LoadingScope() { flag_ = false; }
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

Tlumenfoldi::Tlumenfoldi() {
  SetName("lumenfoldi");
  httpCli1_ = TComponent::Create<THttpCli>(this, "HttpCli1");
  frReport1_ = TComponent::Create<TfrReport>(this, "frReport1");
}

Tlumenfoldi::~Tlumenfoldi() { ReleaseTables(); }

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
  LoadingScope scope(loading_);
  SetParamText(param1);
  const std::string templateUrl = templateUrl_;
  std::string data;
  if (!FetchData(data)) return;
  LoadDataText(data);
  if (!FetchTemplate(templateUrl)) return;
  PrepareAndShow();
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

bool Tlumenfoldi::FetchData(std::string& data) {
  // The text stream lives for this download only; the client never keeps it.
  TStringStream stream;
  THttpCli& http = HttpCli1();
  http.SetReceiveStream(&stream);
  http.SetURL(dataUrl_);
  try {
    http.Get();
  } catch (const std::exception&) {
    http.SetReceiveStream(nullptr);
    ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kDataLoadFailedText), mbOK);
    return false;
  }
  http.SetReceiveStream(nullptr);
  data = stream.DataString();
  return true;
}

bool Tlumenfoldi::FetchTemplate(const std::string& url) {
  // The memory stream lives for this download only. A failed download keeps
  // the previous template; the load itself reports a bad template in its own
  // boxes and never raises.
  TMemoryStream stream;
  THttpCli& http = HttpCli1();
  http.SetReceiveStream(&stream);
  http.SetURL(url);
  try {
    http.Get();
  } catch (const std::exception&) {
    http.SetReceiveStream(nullptr);
    ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kTemplateLoadFailedText), mbOK);
    return false;
  }
  http.SetReceiveStream(nullptr);
  stream.SetPosition(0);
  frReport1_->LoadFromStream(stream);
  return true;
}

void Tlumenfoldi::PrepareAndShow() {
  // ---- Report preparation and preview: modal preview off, preview panel
  // frPreview1, prepare the report and show the prepared pages. ----
  if (ShowPreparedPages) ShowPreparedPages(*frReport1_);
}

}  // namespace lf
