// Report datasets: the record-walking protocol (Init, First, Next, Prior,
// Eof, Exit) through which the engine reads data, with ranges and events;
// TfrUserDataset (records as counts) and TfrDBDataSet (a record table).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "data/client_dataset.h"
#include "platform/component.h"
#include "platform/exception.h"

namespace lf {

class TComponentWatch;

// "Unable to open dataset NAME": a TfrDBDataSet without a table.
class EDatasetError : public Exception {
 public:
  using Exception::Exception;
};

enum TRangeBegin { rbFirst, rbCurrent };
enum TRangeEnd { reLast, reCurrent, reCount };

class TfrDataset : public TComponent {
 public:
  TfrDataset();
  ~TfrDataset() override;

  using TNotifyEvent = std::function<void(TfrDataset* Sender)>;
  using TCheckEOFEvent = std::function<void(TfrDataset* Sender, bool& Eof)>;

  TRangeBegin RangeBegin = rbFirst;
  TRangeEnd RangeEnd = reLast;
  int32_t RangeEndCount = 0;  // records walked with reCount
  int32_t RecordNo = 0;       // records walked since First
  TNotifyEvent OnFirst, OnNext, OnPrior;
  TCheckEOFEvent OnCheckEOF;

  // Called once when a preparation starts using the dataset, and at its end.
  virtual void Init() {}
  virtual void Exit() {}
  virtual void First();
  virtual void Next();
  virtual void Prior();
  virtual bool Eof();
};

// A dataset without a table: its records exist only as counts and events.
class TfrUserDataset : public TfrDataset {};

// The data-source link: holds a record table for whoever is bound to it.
class TDataSource : public TComponent {
 public:
  TDataSource();
  ~TDataSource() override;
  TClientDataSet* DataSet() const { return dataSet_; }
  // The reference is cleared when the table is destroyed.
  void SetDataSet(TClientDataSet* table);

 private:
  TClientDataSet* dataSet_ = nullptr;
  std::unique_ptr<TComponentWatch> watch_;
};

class TfrDBDataSet : public TfrDataset {
 public:
  TfrDBDataSet();
  ~TfrDBDataSet() override;

  // The table walked (not owned). Setting it clears DataSource; the
  // reference is cleared when the table is destroyed.
  TClientDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TClientDataSet* table);
  // When it holds a table, that table is walked instead of DataSet. Setting
  // a link clears DataSet; cleared when the link is destroyed.
  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* link);

  bool OpenDataSource = true;   // Init opens the table
  bool CloseDataSource = false; // Exit closes the table
  TNotifyEvent OnOpen, OnClose;

  // Opens the table when OpenDataSource, then raises OnOpen.
  void OpenTable();
  // Raises OnClose, then closes the table when CloseDataSource.
  void CloseTable();

  void Init() override;
  void Exit() override;
  void First() override;
  void Next() override;
  void Prior() override;
  bool Eof() override;

  // The saved row of Init (rbCurrent / reCurrent), if any.
  bool HasSavedMark() const { return savedMark_.has_value(); }

 private:
  TClientDataSet* dataSet_ = nullptr;
  TDataSource* dataSource_ = nullptr;
  std::unique_ptr<TComponentWatch> tableWatch_, linkWatch_;
  std::optional<TBookmark> savedMark_;
  bool endReached_ = false;  // the reCurrent bound was met by Next
};

// The table a TfrDBDataSet walks: DataSource's table, else DataSet; raises
// EDatasetError "Unable to open dataset NAME" when it has neither.
TClientDataSet& TableOf(const TfrDBDataSet& dataset);

}  // namespace lf
