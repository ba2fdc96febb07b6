// The limiter (threshold, attack, release) over the current channel's linked
// range, and the noise gate.
#include "app/layout_ids/xml_mainwnd.h"
#include "app/panel_binders.h"
#include "controls/value_controls.h"
#include "core/scales.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/ui_event.h"

namespace brisvel::app {

namespace ids = layout::mainwnd;

void LimiterBinder::Bind() {
  ui::HostWindow& w = window_;
  threshold_ = w.Find<ui::SEdit2>(ids::kThreshold);
  attack_ = w.Find<ui::SEdit2>(ids::kAttack);
  release_ = w.Find<ui::ComboBox>(ids::kRelease);
  noiseGate_ = w.Find<ui::ComboBox>(ids::kNoiseGate);

  ui::EventRouter& r = w.Router();
  r.On<ui::KillFocusArgs>(ids::kThreshold, ids::kAttack, [this](const ui::Event& e, const ui::KillFocusArgs&) {
    if (Foreign(e)) return;
    const std::string text = TextOf(e.sender);
    ShowEdited(e.sender, e.senderId == ids::kThreshold ? editor_.CommitThreshold(text).text : editor_.CommitAttack(text).text);
  });
  r.On<ui::EditValueChangingArgs>(ids::kThreshold, ids::kAttack,
                                  [this](const ui::Event& e, const ui::EditValueChangingArgs& a) {
                                    if (Foreign(e)) return;
                                    const std::string text = TextOf(e.sender);
                                    ShowEdited(e.sender, e.senderId == ids::kThreshold ? editor_.StepThreshold(text, a.step).text
                                                                                      : editor_.StepAttack(text, a.step).text);
                                  });
  r.On<ui::SelChangedArgs>(ids::kRelease, ids::kNoiseGate, [this](const ui::Event& e, const ui::SelChangedArgs& a) {
    if (Foreign(e)) return;
    if (e.senderId == ids::kRelease) editor_.SetRelease(a.index);
    else editor_.SetNoiseGate(a.index);
  });
}

void LimiterBinder::Refresh() {
  const int ch = editor_.CurrentChannel();
  SetText(threshold_, ThresholdText(static_cast<int16_t>(store_.GetParam(param::Threshold(ch)))));
  SetText(attack_, AttackText(static_cast<int16_t>(store_.GetParam(param::Attack(ch)))));
  SetList(release_, store_.GetParam(param::Release(ch)));
  SetList(noiseGate_, store_.GetParam(param::kNoiseGate));
}

}  // namespace brisvel::app
