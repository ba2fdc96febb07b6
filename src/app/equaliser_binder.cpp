// The equaliser panel: the band columns (frequency, Q, gain, slider,
// hold-back), the EQ graph with its handles, GEQ/PEQ, bypass, the row
// switch, the equaliser reset and the gain alert.
#include "app/freq_style.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/panel_binders.h"
#include "controls/eq_graph.h"
#include "controls/value_controls.h"
#include "core/scales.h"
#include "settings/settings_keys.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/message_box.h"
#include "ui/ui_event.h"

namespace brisvel::app {

namespace ids = layout::mainwnd;
using editing::Filter;

void EqualiserBinder::Bind() {
  ui::HostWindow& w = window_;
  graph_ = w.Find<ui::SkEQ>(QString::fromLatin1(ids::kGraph));
  for (int b = 0; b < kBandCount; ++b) {
    bandFreq_[b] = w.Find<ui::SEdit2>(ids::kBandFreq + b);
    bandQ_[b] = w.Find<ui::SEdit2>(ids::kBandQ + b);
    bandGain_[b] = w.Find<ui::SEdit2>(ids::kBandGain + b);
    bandSlider_[b] = w.Find<ui::SkSlider>(ids::kBandSlider + b);
    // The fader moves in tenths of a dB; its tip tells the gain as the band's field does.
    if (bandSlider_[b])
      bandSlider_[b]->SetValueText([](int tenths) {
        return QString::fromStdString(GainText(static_cast<int16_t>(tenths * 10))) + QStringLiteral("dB");
      });
    bandHold_[b] = w.Find<ui::SkCheckButton>(ids::kBandHold + b);
  }
  bypass_ = w.Find<ui::SkCheckButton>(ids::kBypass);
  peq_ = w.Find<ui::SkCheckButton>(ids::kPeq);
  rowSwitch_ = w.Find<ui::SkCheckButton>(ids::kRowSwitch);
  bandIdRow_ = w.FindByName(QString::fromLatin1(ids::kBandIdRow));
  bandFreqRow_ = w.FindByName(QString::fromLatin1(ids::kBandFreqRow));
  w.FindByName(QString::fromLatin1(ids::kEqGroup));
  InitEqualiser();

  ui::EventRouter& r = w.Router();
  auto clicks = [this, &r](int first, int last) {
    r.On<ui::CmdArgs>(first, last, [this](const ui::Event& e, const ui::CmdArgs&) {
      if (!Foreign(e)) OnClick(e);
    });
  };
  clicks(ids::kBandHold, ids::kBandHold + kBandCount - 1);
  clicks(ids::kRowSwitch, ids::kRowSwitch);
  clicks(ids::kPeq, ids::kBypass);
  clicks(ids::kResetEq, ids::kResetEq);
  for (auto [first, last] : {std::pair{ids::kBandFreq, ids::kBandFreq + kBandCount - 1},
                             std::pair{ids::kBandQ, ids::kBandQ + kBandCount - 1},
                             std::pair{ids::kBandGain, ids::kBandGain + kBandCount - 1}}) {
    r.On<ui::KillFocusArgs>(first, last, [this](const ui::Event& e, const ui::KillFocusArgs&) {
      if (!Foreign(e)) OnCommit(e.senderId, TextOf(e.sender));
    });
    r.On<ui::EditValueChangingArgs>(first, last, [this](const ui::Event& e, const ui::EditValueChangingArgs& a) {
      if (!Foreign(e)) OnStep(e.senderId, TextOf(e.sender), a.step);
    });
  }
  r.On<ui::SliderPosArgs>(ids::kBandSlider, ids::kBandSlider + kBandCount - 1,
                          [this](const ui::Event& e, const ui::SliderPosArgs& a) {
                            if (!Foreign(e)) AfterBandEdit(editor_.SetBandGainFromSlider(e.senderId - ids::kBandSlider, a.position));
                          });
  r.On<ui::ThumbMovingArgs>(ids::kHandleFirst, ids::kHandleLast, [this](const ui::Event& e, const ui::ThumbMovingArgs&) {
    if (!Foreign(e)) OnThumb(e.senderId, e);
  });
}

// The graph spans the gain range, the sliders move in tenths of a dB over it,
// the frequency and Q edits wait for PEQ mode, and one of the two rows above
// the band columns shows.
void EqualiserBinder::InitEqualiser() {
  const editing::EqSettings& s = editor_.Settings();
  if (graph_) {
    graph_->SetAttribute(QStringLiteral("dbMax"), QString::asprintf("%d", s.maxDb));
    graph_->SetAttribute(QStringLiteral("dbMin"), QString::asprintf("%d", s.minDb));
    graph_->SetAttribute(QStringLiteral("dbKeduVal"), QString::asprintf("%d", s.maxDb / 2));
  }
  for (int b = 0; b < kBandCount; ++b) {
    if (bandSlider_[b]) {
      bandSlider_[b]->SetRange(s.minDb * 10, s.maxDb * 10);
      bandSlider_[b]->SetValue(0);
    }
    if (bandFreq_[b]) bandFreq_[b]->setEnabled(editor_.PeqMode());
    if (bandQ_[b]) bandQ_[b]->setEnabled(editor_.PeqMode());
  }
  if (bandFreqRow_ && !settings_.freqStyleFile.isEmpty())
    ReplaceFrequencyCaptionsFromFile(bandFreqRow_, settings_.freqStyleFile);
  if (bandIdRow_) bandIdRow_->setVisible(settings_.showFreqId);
  if (bandFreqRow_) bandFreqRow_->setVisible(!settings_.showFreqId);
  // The "ID" button shows which row is up, so that every click switches.
  SetChecked(rowSwitch_, settings_.showFreqId);
}

void EqualiserBinder::Refresh() {
  ShowColumns();
  const int ch = editor_.CurrentChannel();
  if (graph_) graph_->SetResponse(&store_.Response(ch));
  if (graph_ && graph_->Curve() && overlaySource_) graph_->Curve()->SetOverlay(overlaySource_(ch));
}

void EqualiserBinder::RefreshGraph() {
  if (graph_) graph_->Refresh();
}

void EqualiserBinder::ShowColumns() {
  const editing::EqView view = editing::ChannelEqView(store_, editor_.CurrentChannel());
  for (int b = 0; b < kBandCount; ++b) {
    const editing::BandView& band = view.bands[static_cast<size_t>(b)];
    SetText(bandFreq_[b], band.frequency);
    SetText(bandQ_[b], band.q);
    SetText(bandGain_[b], band.gain);
    SetSlider(bandSlider_[b], band.slider);
    SetChecked(bandHold_[b], band.heldBack);
  }
  SetChecked(bypass_, view.bypass);
}

void EqualiserBinder::OnClick(const ui::Event& e) {
  const int id = e.senderId;
  auto* button = dynamic_cast<ui::SkCheckButton*>(e.sender.data());
  const bool checked = button && button->IsChecked();
  if (id >= ids::kBandHold && id < ids::kBandHold + kBandCount) {
    AfterBandEdit(editor_.SetBandHeldBack(id - ids::kBandHold, checked));
  } else if (id == ids::kRowSwitch) {
    if (bandIdRow_) bandIdRow_->setVisible(checked);
    if (bandFreqRow_) bandFreqRow_->setVisible(!checked);
  } else if (id == ids::kPeq) {
    editor_.SetPeqMode(checked);
    for (int b = 0; b < kBandCount; ++b) {
      if (bandFreq_[b]) bandFreq_[b]->setEnabled(checked);
      if (bandQ_[b]) bandQ_[b]->setEnabled(checked);
    }
    if (graph_) graph_->ShowQHandles(checked);
  } else if (id == ids::kBypass) {
    AfterBandEdit(editor_.SetBypass(checked));
  } else if (id == ids::kResetEq) {
    OnResetEq();
  }
}

void EqualiserBinder::OnCommit(int id, const std::string& text) {
  if (id >= ids::kBandGain) AfterBandEdit(editor_.CommitBandGain(id - ids::kBandGain, text));
  else if (id >= ids::kBandQ) AfterBandEdit(editor_.CommitBandQ(id - ids::kBandQ, text));
  else AfterBandEdit(editor_.CommitBandFrequency(id - ids::kBandFreq, text));
}

void EqualiserBinder::OnStep(int id, const std::string& text, int step) {
  if (id >= ids::kBandGain) AfterBandEdit(editor_.StepBandGain(id - ids::kBandGain, text, step));
  else if (id >= ids::kBandQ) AfterBandEdit(editor_.StepBandQ(id - ids::kBandQ, text, step));
  else AfterBandEdit(editor_.StepBandFrequency(id - ids::kBandFreq, text, step));
}

// The graph reads the drag in its own units (ThumbMovingArgs); nothing of
// its pixels reaches the editor.
void EqualiserBinder::OnThumb(int id, const ui::Event& e) {
  const auto* a = e.As<ui::ThumbMovingArgs>();
  if (!graph_ || !a) return;
  const int handle = id - ids::kHandleFirst;
  int band = -1;
  if (handle < kBandCount) {
    AfterBandEdit(editor_.DragBandTo(handle, a->frequency, a->gain));
    band = handle;
  } else if (handle == kBandCount || handle == kBandCount + 1) {
    if (!a->frequency) return;
    editor_.DragFilter(handle == kBandCount ? Filter::kHighPass : Filter::kLowPass, *a->frequency);
    panels_.ChannelRefresh();
  } else if (a->ownerBand >= 0) {
    AfterBandEdit(editor_.DragQ(a->ownerBand, a->qSteps));
    band = a->ownerBand;
  }
  if (auto* dragged = dynamic_cast<ui::SMoveThumb*>(e.sender.data())) dragged->ShowReadout(HandleReadout(handle, band));
}

// What a dragged handle stands for now, as the band table and the crossover
// fields show it: "1000 Hz  3.0 dB  Q 1.41" (Q in PEQ mode), "HPF 80Hz".
QString EqualiserBinder::HandleReadout(int handle, int band) const {
  const int ch = editor_.CurrentChannel();
  if (band < 0) {
    const bool high = handle == kBandCount;
    const std::string text = high ? HighPassText(store_.GetParam(param::HpFreq(ch)))
                                  : LowPassText(store_.GetParam(param::LpFreq(ch)));
    return QString::fromLatin1(high ? "HPF " : "LPF ") + QString::fromStdString(text);
  }
  const editing::BandView view = editing::ChannelEqView(store_, ch).bands[static_cast<size_t>(band)];
  QString text = QStringLiteral("%1 Hz  %2 dB").arg(QString::fromStdString(view.frequency), QString::fromStdString(view.gain));
  if (editor_.PeqMode()) text += QStringLiteral("  Q %1").arg(QString::fromStdString(view.q));
  return text;
}

void EqualiserBinder::AfterBandEdit(const editing::BandChanges& c) {
  // The columns show what the block holds, also after a text that changed nothing.
  ShowColumns();
  if (!c.Any()) return;
  // The gain compensation may have moved the range's volumes.
  const int ch = editor_.CurrentChannel();
  if (c.Changed(param::Volume(ch))) panels_.ShowVolume(ch);
  if (graph_) graph_->SetResponse(&store_.Response(ch));
  ApplyGainAlert(c.alert);
}

void EqualiserBinder::ApplyGainAlert(editing::GainAlert alert) {
  if (alert == editing::GainAlert::kStart) window_.SetTimer(kGainAlertTimerId, std::max(0, settings_.alertDelayMs));
  else if (alert == editing::GainAlert::kCancel) window_.KillTimer(kGainAlertTimerId);
}

void EqualiserBinder::OnGainAlertTimer() {
  window_.KillTimer(kGainAlertTimerId);
  const QString text =
      settings_.alertText.isEmpty() ? QString::fromStdString(settings::kDefaultAlertMsg) : settings_.alertText;
  ui::MessageBox(&window_, text, QStringLiteral("Notice"));
}

void EqualiserBinder::OnResetEq() {
  if (editing::CEditHistory* history = panels_.History()) {
    std::string names;
    for (int k : editor_.SelectedChannels()) names += (names.empty() ? "" : ", ") + ChannelLabel(k);
    history->Name(editing::StepName("ResetEQ %1", {names}));
  }
  const editing::BandChanges c = editor_.ResetEqualiser();
  panels_.FullRefresh();
  if (graph_) {
    graph_->SetResponse(&store_.Response(editor_.CurrentChannel()));
    graph_->Refresh();
  }
  ApplyGainAlert(c.alert);
}

}  // namespace brisvel::app
