// The six delay edits (never linked) and the unit they show: the MS, CM and
// IN radio buttons and the hidden list that mirrors them.
#include "app/layout_ids/xml_mainwnd.h"
#include "app/panel_binders.h"
#include "controls/value_controls.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/ui_event.h"

namespace brisvel::app {

namespace ids = layout::mainwnd;

void DelayBinder::Bind() {
  ui::HostWindow& w = window_;
  for (int i = 0; i < kChannelCount; ++i) delayEdit_[i] = w.Find<ui::SEdit2>(ids::kDelayEdit + i);
  for (int u = 0; u < 3; ++u) unitRadio_[u] = w.Find<ui::SkRadioButton>(ids::kUnitRadio + u);
  unitList_ = w.Find<ui::ComboBox>(ids::kUnitList);

  ui::EventRouter& r = w.Router();
  constexpr int kLast = ids::kDelayEdit + kChannelCount - 1;
  r.On<ui::KillFocusArgs>(ids::kDelayEdit, kLast, [this](const ui::Event& e, const ui::KillFocusArgs&) {
    if (!Foreign(e)) ShowEdited(e.sender, editor_.CommitDelay(e.senderId - ids::kDelayEdit, TextOf(e.sender)).text);
  });
  r.On<ui::EditValueChangingArgs>(ids::kDelayEdit, kLast, [this](const ui::Event& e, const ui::EditValueChangingArgs& a) {
    if (!Foreign(e))
      ShowEdited(e.sender, editor_.StepDelay(e.senderId - ids::kDelayEdit, TextOf(e.sender), a.step).text);
  });
  r.On<ui::StateChangedArgs>(ids::kUnitRadio, ids::kUnitRadio + 2, [this](const ui::Event& e, const ui::StateChangedArgs& a) {
    if (Foreign(e) || !a.checked) return;
    editor_.SetDelayUnit(e.senderId - ids::kUnitRadio);
    Refresh();
  });
  r.On<ui::SelChangedArgs>(ids::kUnitList, ids::kUnitList, [this](const ui::Event& e, const ui::SelChangedArgs& a) {
    if (Foreign(e)) return;
    editor_.SetDelayUnit(a.index);
    Refresh();
  });
}

void DelayBinder::Refresh() {
  ShowDelays();
  ShowUnit();
}

void DelayBinder::ShowDelays() {
  for (int i = 0; i < kChannelCount; ++i) SetText(delayEdit_[i], editor_.DelayText(i));
}

void DelayBinder::ShowUnit() {
  const int unit = store_.DelayUnit();
  if (unit >= 0 && unit < 3 && unitRadio_[unit] && !unitRadio_[unit]->IsChecked()) unitRadio_[unit]->CheckInGroup();
  SetList(unitList_, unit);
}

}  // namespace brisvel::app
