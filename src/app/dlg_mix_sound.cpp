// The input mixing dialog.

#include "app/dlg_mix_sound.h"

#include <QLineEdit>

#include "app/console.h"
#include "app/layout_ids/xml_mixsoundwd.h"
#include "app/panel_binders.h"
#include "controls/value_controls.h"
#include "editing/mixing.h"
#include "spdlog/spdlog.h"
#include "ui/translation.h"

namespace brisvel::app {

namespace ids = layout::mixsoundwd;

namespace {
constexpr int kInputs = 4;
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string Text(const QLineEdit* e) { return e ? e->text().toStdString() : std::string(); }
void SetText(QLineEdit* e, const std::string& s) {
  if (e) e->setText(Q(s));
}
void SetValue(ui::SkSlider* s, int v) {
  if (s) s->SetValue(v);
}
void SetChecked(ui::SkCheckButton* b, bool on) {
  if (b) b->SetChecked(on);
}
}  // namespace

CDlgMixSoundEventHandler::CDlgMixSoundEventHandler(CEffectStore& store) : store_(store), editor_(store, nullptr) {}

void CDlgMixSoundEventHandler::OnInit(ui::HostWindow& dlg) {
  masterLevel_ = dlg.Find<ui::SkSlider>(ids::kMasterLevel);
  TellVolume(masterLevel_);
  masterText_ = dlg.Find<QLineEdit>(ids::kMasterText);
  masterMute_ = dlg.Find<ui::SkCheckButton>(ids::kMasterMute);
  for (int k = 0; k < kChannelCount; ++k) {
    Channel& c = channels_[static_cast<size_t>(k)];
    c.label = dlg.Find<ui::SkCheckButton>(ids::kChannelLabel + k);
    c.level = dlg.Find<ui::SkSlider>(ids::kChannelLevel + k);
    TellVolume(c.level);
    c.text = dlg.Find<QLineEdit>(ids::kChannelText + k);
    c.phase = dlg.Find<ui::SkCheckButton>(ids::kPhase + k);
    c.mute = dlg.Find<ui::SkCheckButton>(ids::kMute + k);
    c.coupling = dlg.Find<ui::SkCheckButton>(ids::kCoupling + k);
    // Coupling shows the main window's link group; it is changed there only.
    if (c.coupling) c.coupling->SetAttribute("autoCheck", "0");
    if (c.label) c.label->SetAttribute("autoCheck", "0");
    for (int j = 0; j < kInputs; ++j) {
      // Nothing on the processor answers to these: shown, greyed, with the reason.
      const int at = 10 * k + j;
      if (auto* level = dlg.Find<ui::SkSlider>(ids::kInputLevel + at)) level->SetValue(100);
      if (auto* text = dlg.Find<QLineEdit>(ids::kInputLevelText + at)) text->setText("100");
      if (auto* selector = dlg.Find<ui::SkCheckButton>(ids::kInputSelector + at)) selector->SetChecked(false);
      for (int first : {ids::kInputLevel, ids::kInputLevelText, ids::kInputSelector}) {
        QWidget* w = dlg.FindById(first + at);
        if (!w) continue;
        w->setEnabled(false);
        if (ui::Element* e = ui::AsElement(w)) e->SetTip(QString::fromLatin1(kNotAvailableTip));
      }
    }
  }
  Refresh();
  // The window itself holds the focus at opening, so that no control shows a
  // focus frame before the user reaches it with Tab.
  if (QWidget* root = dlg.Root()) root->setFocus(Qt::OtherFocusReason);

  ui::EventRouter& r = dlg.Router();
  r.On<ui::SliderPosArgs>(ids::kMasterLevel, ids::kMasterLevel,
                          [this](const ui::Event&, const ui::SliderPosArgs& a) { ShowMaster(editor_.SetMasterVolume(a.position)); });
  r.On<ui::SliderPosArgs>(ids::kChannelLevel, ids::kChannelLevel + kChannelCount - 1,
                          [this](const ui::Event& e, const ui::SliderPosArgs& a) {
                            ShowChannels(editor_.SetChannelVolume(e.senderId - ids::kChannelLevel, a.position));
                          });
  r.OnId(ui::EventCmd, ids::kMasterMute, [this](const ui::Event&) {
    ShowChannels(editor_.SetMasterMute(masterMute_ && masterMute_->IsChecked()));
  });
  r.OnIdRange(ui::EventCmd, ids::kPhase, ids::kPhase + kChannelCount - 1, [this](const ui::Event& e) {
    const int k = e.senderId - ids::kPhase;
    ShowChannels(editor_.SetPhase(k, channels_[static_cast<size_t>(k)].phase->IsChecked()));
  });
  r.OnIdRange(ui::EventCmd, ids::kMute, ids::kMute + kChannelCount - 1, [this](const ui::Event& e) {
    const int k = e.senderId - ids::kMute;
    ShowChannels(editor_.SetMute(k, channels_[static_cast<size_t>(k)].mute->IsChecked()));
    SetChecked(masterMute_, editing::AllChannelsMuted(store_));
  });
  r.OnIdRange(ui::EventCmd, ids::kChannelLabel, ids::kChannelLabel + kChannelCount - 1, [this](const ui::Event& e) {
    // A lit label stays lit; another one makes its channel the current channel.
    editor_.SelectChannel(e.senderId - ids::kChannelLabel);
    ShowLabels();
  });
  // Coupling checks are read-only: a click shows the state again.
  r.OnIdRange(ui::EventCmd, ids::kCoupling, ids::kCoupling + kChannelCount - 1, [this](const ui::Event&) { ShowLabels(); });
  r.OnId(ui::EventKillFocus, ids::kMasterText, [this](const ui::Event&) { OnMasterText(0, false); });
  r.On<ui::EditValueChangingArgs>(ids::kMasterText, ids::kMasterText,
                                  [this](const ui::Event&, const ui::EditValueChangingArgs& a) { OnMasterText(a.step, true); });
  r.OnIdRange(ui::EventKillFocus, ids::kChannelText, ids::kChannelText + kChannelCount - 1,
              [this](const ui::Event& e) { OnChannelText(e.senderId - ids::kChannelText, 0, false); });
  r.On<ui::EditValueChangingArgs>(ids::kChannelText, ids::kChannelText + kChannelCount - 1,
                                  [this](const ui::Event& e, const ui::EditValueChangingArgs& a) {
                                    OnChannelText(e.senderId - ids::kChannelText, a.step, true);
                                  });
}

void CDlgMixSoundEventHandler::Refresh() {
  const editing::MixView v = editing::MixingView(store_);
  SetValue(masterLevel_, v.masterLevel);
  SetText(masterText_, v.masterText);
  SetChecked(masterMute_, v.masterMute);
  for (int k = 0; k < kChannelCount; ++k) {
    const Channel& c = channels_[static_cast<size_t>(k)];
    const editing::MixChannelView& m = v.channels[static_cast<size_t>(k)];
    SetChecked(c.phase, m.phase);
    SetChecked(c.mute, m.mute);
    SetValue(c.level, m.level);
    SetText(c.text, m.text);
    ShowChannelLabel(c.label, store_.Names(), k);
  }
  ShowLabels();
}

void CDlgMixSoundEventHandler::ShowLabels() {
  const editing::MixView v = editing::MixingView(store_);
  for (int k = 0; k < kChannelCount; ++k) {
    const Channel& c = channels_[static_cast<size_t>(k)];
    SetChecked(c.label, v.channels[static_cast<size_t>(k)].lit);
    SetChecked(c.coupling, v.channels[static_cast<size_t>(k)].coupled);
  }
}

void CDlgMixSoundEventHandler::ShowChannels(const editing::Changes& changes) {
  const editing::MixView v = editing::MixingView(store_);
  for (int k : changes.channels) {
    const Channel& c = channels_[static_cast<size_t>(k)];
    const editing::MixChannelView& m = v.channels[static_cast<size_t>(k)];
    SetValue(c.level, m.level);
    SetText(c.text, m.text);
    SetChecked(c.phase, m.phase);
    SetChecked(c.mute, m.mute);
  }
}

void CDlgMixSoundEventHandler::ShowMaster(const editing::Changes& c) {
  SetText(masterText_, c.text);
  SetValue(masterLevel_, store_.GetParam(param::kMainVol));
}

void CDlgMixSoundEventHandler::OnMasterText(int step, bool stepped) {
  if (!masterText_) return;
  const std::string typed = Text(masterText_);
  const std::string_view text = editing::StripLevelText(typed);
  ShowMaster(stepped ? editor_.StepMasterVolume(text, step) : editor_.CommitMasterVolume(text));
}

void CDlgMixSoundEventHandler::OnChannelText(int k, int step, bool stepped) {
  const Channel& c = channels_[static_cast<size_t>(k)];
  if (!c.text) return;
  const std::string typed = Text(c.text);
  const std::string_view text = editing::StripLevelText(typed);
  ShowChannels(stepped ? editor_.StepChannelVolume(k, text, step) : editor_.CommitChannelVolume(k, text));
}

int OpenMixSound(IConsole& app, ui::HostWindow* owner) {
  CDlgMixSound dlg(QString::fromLatin1(ids::kLayout), owner, app.Store());
  if (!dlg.Create()) {
    spdlog::error("the input mixing layout could not be built");
    return -1;
  }
  dlg.CentreOn(owner);
  // An undo or redo from the keyboard while the dialog is open shows here too.
  QObject::connect(&app.Refresher(), &RefreshNotifier::Refresh, &dlg, [&dlg](RefreshKind kind) {
    if (ReloadsAll(kind)) dlg.Handler().Refresh();
  });
  const int result = dlg.DoModal();
  // However it was closed, the main window shows what changed here.
  app.Refresher().Send(RefreshKind::kFull);
  return result;
}

}  // namespace brisvel::app
