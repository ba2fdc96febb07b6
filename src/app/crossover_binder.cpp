// The crossovers: the high-pass and low-pass type and slope lists and their
// frequency edits, over the current channel's linked range.
#include <QMenu>
#include <algorithm>

#include "app/layout_ids/xml_mainwnd.h"
#include "app/panel_binders.h"
#include "controls/value_controls.h"
#include "core/scales.h"
#include "editing/history.h"
#include "settings/config_ini.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/translation.h"
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
  for (const bool high : {true, false}) {
    r.OnName(ui::EventCmd, QLatin1String(high ? ids::kHpPresets : ids::kLpPresets), [this, high](const ui::Event& e) {
      if (!Foreign(e)) PopUpPresets(high, e.sender);
    });
  }
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

void CrossoverBinder::PopUpPresets(bool highPass, QWidget* button) {
  if (!button) return;
  const int ch = editor_.CurrentChannel();
  const auto type = static_cast<uint8_t>(store_.GetParam(highPass ? param::HpType(ch) : param::LpType(ch)));
  const int hz = store_.GetParam(highPass ? param::HpFreq(ch) : param::LpFreq(ch));
  const CrossoverPreset current{highPass, CharacteristicOf(type), SlopeIndexOf(type), hz};
  const bool usable = (!highPass || hz > 19) && DecodeCrossoverPreset(EncodeCrossoverPreset(current)).has_value();

  std::vector<CrossoverPreset> builtIn = BuiltInCrossoverPresets(highPass), own;
  if (config_) {
    for (const CrossoverPreset& p : config_->CrossoverPresets())
      if (p.highPass == highPass && std::find(builtIn.begin(), builtIn.end(), p) == builtIn.end()) own.push_back(p);
  }
  QMenu menu;
  menu.setStyleSheet(kPanelMenuStyle);
  std::vector<std::pair<const QAction*, CrossoverPreset>> choices;
  for (const auto* list : {&builtIn, &own})
    for (const CrossoverPreset& p : *list)
      choices.emplace_back(menu.addAction(QString::fromStdString(CrossoverPresetName(p))), p);
  const bool known = std::any_of(choices.begin(), choices.end(), [&](const auto& c) { return c.second == current; });
  QAction* save = nullptr;
  QAction* forget = nullptr;
  if (config_) {
    save = menu.addAction(ui::Tr(highPass ? QStringLiteral("Keep this high-pass as a preset")
                                          : QStringLiteral("Keep this low-pass as a preset")));
    save->setEnabled(usable && !known);
    if (!own.empty())
      forget = menu.addAction(ui::Tr(highPass ? QStringLiteral("Remove my high-pass presets")
                                              : QStringLiteral("Remove my low-pass presets")));
  }
  const QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height() + 2)));
  if (!chosen) return;
  if (chosen == save) {
    const bool saved = config_->ChangeCrossoverPresets([current](std::vector<CrossoverPreset>& presets) {
      if (std::find(presets.begin(), presets.end(), current) != presets.end()) return false;
      presets.push_back(current);
      return true;
    });
    spdlog::info("crossover preset {} kept{}", CrossoverPresetName(current), saved ? "" : ", but not saved");
    return;
  }
  if (chosen == forget) {
    config_->ChangeCrossoverPresets([highPass](std::vector<CrossoverPreset>& presets) {
      const auto before = presets.size();
      std::erase_if(presets, [highPass](const CrossoverPreset& p) { return p.highPass == highPass; });
      return presets.size() != before;
    });
    return;
  }
  for (const auto& [action, preset] : choices)
    if (action == chosen) ApplyPreset(preset);
}

void CrossoverBinder::ApplyPreset(const CrossoverPreset& preset) {
  auto apply = [&] { return editor_.ApplyCrossoverPreset(preset); };
  const std::string name = CrossoverPresetName(preset);
  if (editing::CEditHistory* history = panels_.History()) history->Record(editing::StepName("Crossover %1", {name}), apply);
  else apply();
  spdlog::info("crossover preset {} applied to {}", name, ChannelLabel(editor_.CurrentChannel()));
  Refresh();
  if (refreshGraph_) refreshGraph_();
}

}  // namespace brisvel::app
