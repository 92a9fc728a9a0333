// Report datasets: the walking protocol, ranges and events, and the record
// table binding of TfrDBDataSet.
#include "engine/data/dataset.h"

#include "engine/data/dataset_watch.h"

namespace lf {

// ---- TfrDataset -------------------------------------------------------------

TfrDataset::TfrDataset() = default;

TfrDataset::~TfrDataset() = default;

void TfrDataset::First() {
  RecordNo = 0;
  if (OnFirst) OnFirst(this);
}

void TfrDataset::Next() {
  ++RecordNo;
  if (!(RangeEnd == reCount && RecordNo >= RangeEndCount) && OnNext) OnNext(this);
}

void TfrDataset::Prior() {
  --RecordNo;
  if (OnPrior) OnPrior(this);
}

bool TfrDataset::Eof() {
  bool eof = RangeEnd == reCount && RecordNo >= RangeEndCount;
  if (OnCheckEOF) OnCheckEOF(this, eof);
  return eof;
}

// ---- TDataSource ------------------------------------------------------------

TDataSource::TDataSource()
    : watch_(std::make_unique<TComponentWatch>([this] { dataSet_ = nullptr; })) {}

TDataSource::~TDataSource() = default;

void TDataSource::SetDataSet(TClientDataSet* table) {
  dataSet_ = table;
  watch_->Watch(table);
}

// ---- TfrDBDataSet -----------------------------------------------------------

TfrDBDataSet::TfrDBDataSet()
    : tableWatch_(std::make_unique<TComponentWatch>([this] { dataSet_ = nullptr; })),
      linkWatch_(std::make_unique<TComponentWatch>([this] { dataSource_ = nullptr; })) {}

TfrDBDataSet::~TfrDBDataSet() = default;

void TfrDBDataSet::SetDataSet(TClientDataSet* table) {
  dataSet_ = table;
  tableWatch_->Watch(table);
  SetDataSource(nullptr);
}

void TfrDBDataSet::SetDataSource(TDataSource* link) {
  dataSource_ = link;
  linkWatch_->Watch(link);
  if (link) {
    dataSet_ = nullptr;
    tableWatch_->Watch(nullptr);
  }
}

TClientDataSet& TableOf(const TfrDBDataSet& dataset) {
  if (dataset.DataSource() && dataset.DataSource()->DataSet())
    return *dataset.DataSource()->DataSet();
  if (dataset.DataSet()) return *dataset.DataSet();
  throw EDatasetError("Unable to open dataset " + dataset.Name());
}

void TfrDBDataSet::OpenTable() {
  if (OpenDataSource) TableOf(*this).Open();
  if (OnOpen) OnOpen(this);
}

void TfrDBDataSet::CloseTable() {
  if (OnClose) OnClose(this);
  if (CloseDataSource) TableOf(*this).Close();
}

void TfrDBDataSet::Init() {
  OpenTable();
  if (RangeBegin == rbCurrent || RangeEnd == reCurrent)
    savedMark_ = TableOf(*this).MarkPosition();
  else
    savedMark_.reset();
  endReached_ = false;
}

void TfrDBDataSet::Exit() {
  if (savedMark_) {
    TClientDataSet& table = TableOf(*this);
    TBookmark mark = *savedMark_;
    savedMark_.reset();
    if (!mark.Missing()) table.GoToMark(mark);
    table.ReleaseMark(mark);
  }
  CloseTable();
}

void TfrDBDataSet::First() {
  TClientDataSet& table = TableOf(*this);
  // A mark taken on an empty table (or past its end) denotes no row.
  if (RangeBegin == rbFirst || !savedMark_ || savedMark_->Missing())
    table.First();
  else
    table.GoToMark(*savedMark_);
  endReached_ = false;
  TfrDataset::First();
}

void TfrDBDataSet::Next() {
  TClientDataSet& table = TableOf(*this);
  endReached_ = false;
  if (RangeEnd == reCurrent) {
    TBookmark here = table.MarkPosition();
    bool atSaved = !savedMark_ || table.CompareMarks(here, *savedMark_) == 0;
    table.ReleaseMark(here);
    if (atSaved) {
      endReached_ = true;
      return;
    }
    // Started before the saved row (rbFirst): walk on up to it rather than
    // stand still for ever.
  }
  table.Next();
  TfrDataset::Next();
}

void TfrDBDataSet::Prior() {
  TableOf(*this).Prior();
  TfrDataset::Prior();
}

bool TfrDBDataSet::Eof() {
  bool baseEof = TfrDataset::Eof();
  return baseEof || TableOf(*this).Eof() || endReached_;
}

}  // namespace lf
