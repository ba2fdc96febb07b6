// The crossovers: the high-pass and low-pass type and slope lists and their
// frequency edits, over the current channel's linked range.
#include "app/layout_ids/xml_mainwnd.h"
#include "app/panel_binders.h"
#include "controls/value_controls.h"
#include "core/scales.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/ui_event.h"

namespace brisvel::app {

namespace ids = layout::mainwnd;
using editing::Filter;

void CrossoverBinder::Bind() {
  ui::HostWindow& w = window_;
  hpType_ = w.Find<ui::ComboBox>(ids::kHpType);
  hpSlope_ = w.Find<ui::ComboBox>(ids::kHpSlope);
  lpType_ = w.Find<ui::ComboBox>(ids::kLpType);
  lpSlope_ = w.Find<ui::ComboBox>(ids::kLpSlope);
  hpFreq_ = w.Find<ui::SEdit2>(ids::kHpFreq);
  lpFreq_ = w.Find<ui::SEdit2>(ids::kLpFreq);

  ui::EventRouter& r = w.Router();
  r.On<ui::SelChangedArgs>(ids::kLpType, ids::kHpSlope, [this](const ui::Event& e, const ui::SelChangedArgs& a) {
    if (Foreign(e)) return;
    switch (e.senderId) {
      case ids::kHpType: editor_.SetCharacteristic(Filter::kHighPass, a.index); break;
      case ids::kHpSlope: editor_.SetSlope(Filter::kHighPass, a.index); break;
      case ids::kLpType: editor_.SetCharacteristic(Filter::kLowPass, a.index); break;
      case ids::kLpSlope: editor_.SetSlope(Filter::kLowPass, a.index); break;
      default: return;
    }
    if (refreshGraph_) refreshGraph_();
  });
  auto filterOf = [](int id) { return id == ids::kHpFreq ? Filter::kHighPass : Filter::kLowPass; };
  r.On<ui::KillFocusArgs>(ids::kLpFreq, ids::kHpFreq, [this, filterOf](const ui::Event& e, const ui::KillFocusArgs&) {
    if (Foreign(e)) return;
    ShowEdited(e.sender, editor_.CommitFilterFrequency(filterOf(e.senderId), TextOf(e.sender)).text);
    if (refreshGraph_) refreshGraph_();
  });
  r.On<ui::EditValueChangingArgs>(ids::kLpFreq, ids::kHpFreq,
                                  [this, filterOf](const ui::Event& e, const ui::EditValueChangingArgs& a) {
                                    if (Foreign(e)) return;
                                    ShowEdited(e.sender,
                                               editor_.StepFilterFrequency(filterOf(e.senderId), TextOf(e.sender), a.step).text);
                                    if (refreshGraph_) refreshGraph_();
                                  });
}

void CrossoverBinder::Refresh() {
  const int ch = editor_.CurrentChannel();
  const auto hp = FilterTypeByte::Decode(static_cast<uint8_t>(store_.GetParam(param::HpType(ch))));
  const auto lp = FilterTypeByte::Decode(static_cast<uint8_t>(store_.GetParam(param::LpType(ch))));
  SetList(hpType_, hp.characteristic);
  SetList(hpSlope_, hp.slope);
  SetList(lpType_, lp.characteristic);
  SetList(lpSlope_, lp.slope);
  SetText(hpFreq_, HighPassText(store_.GetParam(param::HpFreq(ch))));
  SetText(lpFreq_, LowPassText(store_.GetParam(param::LpFreq(ch))));
}

}  // namespace brisvel::app
