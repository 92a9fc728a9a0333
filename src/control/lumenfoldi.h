// The control Tlumenfoldi: its parameters, its record tables and the
// report-loading flow that setParams runs.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/client_dataset.h"
#include "engine/data/dataset.h"
#include "engine/model/report.h"
#include "engine/template/template_format.h"
#include "net/http_cli.h"
#include "platform/component.h"
#include "platform/liveness.h"

namespace lf {

// The two reported failures: shown in a message box captioned "错误", after
// which setParams returns normally.
inline constexpr const char* kLoadErrorCaption = "错误";
inline constexpr const char* kDataLoadFailedText = "加载数据失败,错误号0";
inline constexpr const char* kTemplateLoadFailedText = "加载报告格式失败,错误号0";

class Tlumenfoldi : public TTopLevelContainer {
 public:
  Tlumenfoldi();
  ~Tlumenfoldi() override;

  // Runs the loading flow for "template address,data address". A call made
  // while another one is still loading takes the data-failure path and
  // changes nothing. Errors other than the two reported download failures
  // propagate (the caller turns them into a failed call).
  void setParams(std::u16string_view param1);

  // The last parameter string (host code page) and the addresses split from
  // it at its first comma.
  const std::string& paramText() const { return paramText_; }
  const std::string& templateUrl() const { return templateUrl_; }
  const std::string& dataUrl() const { return dataUrl_; }

  // The tables step on a data text given directly (bytes in the host code
  // page): releases the previous tables, then builds cds0, cds1, ... as
  // members of the control. Raises EDataTextError or EDatabaseError; the
  // tables built before the error stay.
  void LoadDataText(std::string_view data);

  // The tables of the last load, cds0 first.
  const std::vector<TClientDataSet*>& tables() const { return tables_; }
  // The report datasets of the last load, frdataset0 first; entry i walks
  // tables()[i].
  const std::vector<TfrDBDataSet*>& datasets() const { return datasets_; }

  // The HTTP client member "HttpCli1" both downloads go through.
  THttpCli& HttpCli1() const { return *httpCli1_; }
  // GETs url (host code page) into stream with HttpCli1; false when the
  // request failed. The client holds stream for this call only. The wait
  // dispatches messages: the caller checks that the control is still alive
  // before touching it again.
  bool Download(const std::string& url, TStream& stream);
  // The report component "frReport1"; setParams loads the downloaded
  // template into it.
  TfrReport& frReport1() const { return *frReport1_; }
  // How the last downloaded template loaded (Loaded until one was loaded).
  const TemplateLoadResult& TemplateLoad() const { return templateLoad_; }

  // Seams the windowed form fills: prepare the report (under its progress
  // window) and show the prepared pages in its preview panel. Headless the
  // report prepares directly and keeps its pages.
  std::function<bool(TfrReport&)> RunPreparation;
  std::function<void(TfrReport&)> ShowPreparedPages;

 private:
  void SetParamText(std::u16string_view param1);
  // Releases every table (and what is bound to it) of the previous load.
  void ReleaseTables();
  // Called for each table once it is filled and open.
  void TableBuilt(size_t index, TClientDataSet& table);
  // Fetches the data text; false after a reported failure.
  bool FetchData(std::string& data);
  // Fetches and loads the template; false after a reported failure.
  bool FetchTemplate(const std::string& url);
  void PrepareAndShow();

  std::string paramText_;
  std::string templateUrl_;
  std::string dataUrl_;
  std::vector<TClientDataSet*> tables_;  // members of this control (owned through the component tree)
  std::vector<TfrDBDataSet*> datasets_;  // members of this control (owned through the component tree)
  bool loading_ = false;
  Liveness liveness_;  // ended first in the destructor; see platform/liveness.h
  TemplateLoadResult templateLoad_;
  THttpCli* httpCli1_ = nullptr;  // member of this control (owned through the component tree)
  TfrReport* frReport1_ = nullptr;  // member of this control (owned through the component tree)
};

}  // namespace lf
