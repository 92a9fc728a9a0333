// TfrBandView: a band as placed in the template; its kind is kept in
// FrameTyp, its data source or group condition in FormatStr.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model/band_kind.h"
#include "engine/model/view.h"

namespace lf {

class TfrBandView : public TfrView {
 public:
  TfrBandView();
  const char* ClassName() const override { return "TfrBandView"; }

  // Drawing is filled with band drawing.
  void Draw(Canvas& canvas) override;

  // The kind kept in FrameTyp.
  TfrBandType BandType() const { return static_cast<TfrBandType>(FrameTyp); }
  void SetBandType(TfrBandType kind) { FrameTyp = static_cast<uint16_t>(kind); }

  void SetProperty(const std::string& name, const Variant& value) override;
  Variant GetProperty(const std::string& name) override;
  void CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                  const Variant& p3, Variant& result) override;
  void DeclareProperties() override;

  // Fields after those of every view, in declared order.
  std::string ChildBand;       // name of the band view printed after this one
  std::string Master;          // group header: name of the data band it belongs to
  int32_t Columns = 1;         // band columns
  int32_t ColumnWidth = 200;   // page units
  int32_t ColumnGap = 20;      // page units
  int32_t NewColumnAfter = 1;  // records per band column

 protected:
  bool PropListValid() const override { return declaredKind_ == FrameTyp; }

 private:
  int declaredKind_ = -1;      // kind the registry was declared for
};

}  // namespace lf
