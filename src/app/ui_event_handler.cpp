// The main window's channel editing controller.

#include "app/ui_event_handler.h"

#include <QCursor>
#include <QMenu>

#include "app/layout_ids/xml_mainwnd.h"
#include "app/freq_style.h"
#include "core/scales.h"
#include "settings/settings_keys.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "controls/eq_graph.h"
#include "ui/host_window.h"
#include "ui/message_box.h"
#include "ui/popup_menu.h"
#include "ui/ui_event.h"
#include "controls/value_controls.h"

namespace brisvel::app {

namespace ids = layout::mainwnd;
using editing::Filter;
using editing::LinkGroup;

namespace {

const char kMenuStyle[] =
    "QMenu { background: #1b2232; color: #dddddd; border: 1px solid #798a92; padding: 2px; }"
    "QMenu::item { padding: 5px 28px 5px 18px; }"
    "QMenu::item:selected { background: #3a5068; color: #ffffff; }";

QString Q(const std::string& s) { return QString::fromStdString(s); }

void SetText(ui::SEdit2* edit, const std::string& text) {
  if (!edit) return;
  const QString t = Q(text);
  if (edit->text() != t) edit->setText(t);
}

void SetChecked(ui::SkCheckButton* b, bool on) {
  if (b && b->IsChecked() != on) b->SetChecked(on);
}

void SetSlider(ui::SkSlider* s, int v) {
  if (s && s->Value() != v) s->SetValue(v);
}

}  // namespace

CUIEventHandler::CUIEventHandler(ui::HostWindow& window, CEffectStore& store, editing::IEditLink* link,
                                 editing::EqSettings settings, RefreshNotifier* refresher)
    : window_(window), store_(store), editor_(store, link, settings), refresher_(refresher) {
  if (refresher_) {
    connect(refresher_, &RefreshNotifier::Refresh, this, [this](RefreshKind kind) {
      if (ReloadsAll(kind)) FullRefresh();
      else if (graph_) graph_->Refresh();
    });
  }
}

void CUIEventHandler::Init() {
  ui::HostWindow& w = window_;
  masterSlider_ = w.Find<ui::SkSlider>(ids::kMasterSlider);
  masterEdit_ = w.Find<ui::SEdit2>(ids::kMasterEdit);
  masterMute_ = w.Find<ui::SkCheckButton>(ids::kMasterMute);
  for (int i = 0; i < kChannelCount; ++i) {
    select_[i] = w.Find<ui::SkCheckButton>(ids::kChannelSelect + i);
    delaySelect_[i] = w.Find<ui::SkCheckButton>(ids::kDelaySelect + i);
    phase_[i] = w.Find<ui::SkCheckButton>(ids::kPhase + i);
    mute_[i] = w.Find<ui::SkCheckButton>(ids::kMute + i);
    volumeSlider_[i] = w.Find<ui::SkSlider>(ids::kChannelSlider + i);
    volumeEdit_[i] = w.Find<ui::SEdit2>(ids::kChannelEdit + i);
    delayEdit_[i] = w.Find<ui::SEdit2>(ids::kDelayEdit + i);
  }
  for (int g = 0; g < editing::kLinkGroupCount; ++g) grouping_[g] = w.Find<ui::SkCheckButton>(ids::kGrouping + g);
  inputMode_ = {w.Find<ui::SkRadioButton>(ids::kTwoInputs), w.Find<ui::SkRadioButton>(ids::kFourInputs)};
  for (int u = 0; u < 3; ++u) unitRadio_[u] = w.Find<ui::SkRadioButton>(ids::kUnitRadio + u);
  unitList_ = w.Find<ui::ComboBox>(ids::kUnitList);
  hpType_ = w.Find<ui::ComboBox>(ids::kHpType);
  hpSlope_ = w.Find<ui::ComboBox>(ids::kHpSlope);
  lpType_ = w.Find<ui::ComboBox>(ids::kLpType);
  lpSlope_ = w.Find<ui::ComboBox>(ids::kLpSlope);
  release_ = w.Find<ui::ComboBox>(ids::kRelease);
  noiseGate_ = w.Find<ui::ComboBox>(ids::kNoiseGate);
  hpFreq_ = w.Find<ui::SEdit2>(ids::kHpFreq);
  lpFreq_ = w.Find<ui::SEdit2>(ids::kLpFreq);
  threshold_ = w.Find<ui::SEdit2>(ids::kThreshold);
  attack_ = w.Find<ui::SEdit2>(ids::kAttack);
  graph_ = w.Find<ui::SkEQ>(QString::fromLatin1(ids::kGraph));
  caption_ = ui::AsElement(w.FindById(ids::kGraphCaption));
  for (int b = 0; b < kBandCount; ++b) {
    bandFreq_[b] = w.Find<ui::SEdit2>(ids::kBandFreq + b);
    bandQ_[b] = w.Find<ui::SEdit2>(ids::kBandQ + b);
    bandGain_[b] = w.Find<ui::SEdit2>(ids::kBandGain + b);
    bandSlider_[b] = w.Find<ui::SkSlider>(ids::kBandSlider + b);
    bandHold_[b] = w.Find<ui::SkCheckButton>(ids::kBandHold + b);
  }
  bypass_ = w.Find<ui::SkCheckButton>(ids::kBypass);
  peq_ = w.Find<ui::SkCheckButton>(ids::kPeq);
  rowSwitch_ = w.Find<ui::SkCheckButton>(ids::kRowSwitch);
  bandIdRow_ = w.FindByName(QString::fromLatin1(ids::kBandIdRow));
  bandFreqRow_ = w.FindByName(QString::fromLatin1(ids::kBandFreqRow));
  w.FindByName(QString::fromLatin1(ids::kChannelTab));
  w.FindByName(QString::fromLatin1(ids::kChannelDelay));
  w.FindByName(QString::fromLatin1(ids::kEqGroup));
  InitEqualiser();
  AddRoutes();
  FullRefresh();
}

// The graph spans the gain range, the sliders move in tenths of a dB over it,
// the frequency and Q edits wait for PEQ mode, and one of the two rows above
// the band columns shows.
void CUIEventHandler::InitEqualiser() {
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
  if (bandFreqRow_ && !eqWindow_.freqStyleFile.isEmpty())
    ReplaceFrequencyCaptionsFromFile(bandFreqRow_, eqWindow_.freqStyleFile);
  if (bandIdRow_) bandIdRow_->setVisible(eqWindow_.showFreqId);
  if (bandFreqRow_) bandFreqRow_->setVisible(!eqWindow_.showFreqId);
  // The "ID" button shows which row is up, so that every click switches.
  SetChecked(rowSwitch_, eqWindow_.showFreqId);
}

bool CUIEventHandler::Foreign(const ui::Event& e) const { return !e.sender || e.sender->window() != &window_; }

void CUIEventHandler::AddRoutes() {
  ui::EventRouter& r = window_.Router();
  auto clicks = [this, &r](int first, int last) {
    r.On<ui::CmdArgs>(first, last, [this](const ui::Event& e, const ui::CmdArgs&) {
      if (!Foreign(e)) OnClick(e);
    });
  };
  clicks(ids::kBandHold, ids::kBandHold + kBandCount - 1);
  clicks(ids::kGrouping, ids::kGrouping + editing::kLinkGroupCount - 1);
  clicks(ids::kMasterMute, ids::kRowSwitch);
  clicks(ids::kPhase, ids::kPhase + kChannelCount - 1);
  clicks(ids::kMute, ids::kMute + kChannelCount - 1);
  clicks(ids::kChannelSelect, ids::kChannelSelect + kChannelCount - 1);
  clicks(ids::kPeq, ids::kBypass);
  clicks(ids::kDelaySelect, ids::kDelaySelect + kChannelCount - 1);
  clicks(ids::kResetEq, ids::kResetEq);  // "Advanced" (9002) opens the delay dialog from the window itself

  // Numeric edits: focus loss commits, Up/Down/wheel step, Enter (step 0) applies.
  const std::pair<int, int> edits[] = {{ids::kMasterEdit, ids::kAttack},
                                       {ids::kDelayEdit, ids::kDelayEdit + kChannelCount - 1},
                                       {ids::kBandFreq, ids::kBandFreq + kBandCount - 1},
                                       {ids::kBandQ, ids::kBandQ + kBandCount - 1},
                                       {ids::kBandGain, ids::kBandGain + kBandCount - 1},
                                       {ids::kChannelEdit, ids::kChannelEdit + kChannelCount - 1}};
  for (auto [first, last] : edits) {
    r.On<ui::KillFocusArgs>(first, last, [this](const ui::Event& e, const ui::KillFocusArgs&) {
      if (!Foreign(e)) OnCommitEdit(e.senderId, e.sender);
    });
    r.On<ui::EditValueChangingArgs>(first, last, [this](const ui::Event& e, const ui::EditValueChangingArgs& a) {
      if (!Foreign(e)) OnStepEdit(e.senderId, e.sender, a.step);
    });
  }
  const std::pair<int, int> sliders[] = {{ids::kMasterSlider, ids::kMasterSlider},
                                         {ids::kBandSlider, ids::kBandSlider + kBandCount - 1},
                                         {ids::kChannelSlider, ids::kChannelSlider + kChannelCount - 1}};
  for (auto [first, last] : sliders)
    r.On<ui::SliderPosArgs>(first, last, [this](const ui::Event& e, const ui::SliderPosArgs& a) {
      if (!Foreign(e)) OnSlider(e.senderId, a.position);
    });
  for (auto [first, last] : {std::pair{ids::kLpType, ids::kNoiseGate}, std::pair{ids::kUnitList, ids::kUnitList}})
    r.On<ui::SelChangedArgs>(first, last, [this](const ui::Event& e, const ui::SelChangedArgs& a) {
      if (!Foreign(e) && !refreshing_) OnList(e.senderId, a.index);
    });
  for (auto [first, last] : {std::pair{ids::kUnitRadio, ids::kUnitRadio + 2}, std::pair{ids::kTwoInputs, ids::kFourInputs}})
    r.On<ui::StateChangedArgs>(first, last, [this](const ui::Event& e, const ui::StateChangedArgs& a) {
      if (!Foreign(e) && !refreshing_ && a.checked) OnRadio(e.senderId);
    });
  r.On<ui::ThumbMovingArgs>(ids::kHandleFirst, ids::kHandleLast, [this](const ui::Event& e, const ui::ThumbMovingArgs&) {
    if (!Foreign(e)) OnThumb(e.senderId, e);
  });
}

// ---------------------------------------------------------------- refresh

void CUIEventHandler::FullRefresh() {
  refreshing_ = true;
  ShowMaster();
  ShowGrouping();
  ShowBits();
  for (int i = 0; i < kChannelCount; ++i) {
    const int raw = store_.GetParam(param::Volume(i));
    SetSlider(volumeSlider_[i], raw);
    SetText(volumeEdit_[i], VolumeText(raw));
  }
  ShowDelays();
  const int unit = store_.DelayUnit();
  if (unit >= 0 && unit < 3 && unitRadio_[unit] && !unitRadio_[unit]->IsChecked()) unitRadio_[unit]->CheckInGroup();
  SetList(unitList_, unit);
  if (store_.InputMode() == 0 || store_.InputMode() == 1)
    if (auto* radio = inputMode_[store_.InputMode()]; radio && !radio->IsChecked()) radio->CheckInGroup();
  refreshing_ = false;
  TabRefresh();
  ChannelRefresh();
}

void CUIEventHandler::TabRefresh() {
  const std::vector<int> selected = editor_.SelectedChannels();
  for (int i = 0; i < kChannelCount; ++i) {
    const bool on = std::find(selected.begin(), selected.end(), i) != selected.end();
    SetChecked(select_[i], on);
    SetChecked(delaySelect_[i], on);
  }
  if (caption_)
    caption_->SetText(QStringLiteral("CH %1").arg(ChannelLabelNumber(editor_.CurrentChannel())));
}

void CUIEventHandler::ChannelRefresh() {
  const int ch = editor_.CurrentChannel();
  refreshing_ = true;
  const auto hp = FilterTypeByte::Decode(static_cast<uint8_t>(store_.GetParam(param::HpType(ch))));
  const auto lp = FilterTypeByte::Decode(static_cast<uint8_t>(store_.GetParam(param::LpType(ch))));
  SetList(hpType_, hp.characteristic);
  SetList(hpSlope_, hp.slope);
  SetList(lpType_, lp.characteristic);
  SetList(lpSlope_, lp.slope);
  SetText(hpFreq_, HighPassText(store_.GetParam(param::HpFreq(ch))));
  SetText(lpFreq_, LowPassText(store_.GetParam(param::LpFreq(ch))));
  SetText(threshold_, ThresholdText(static_cast<int16_t>(store_.GetParam(param::Threshold(ch)))));
  SetText(attack_, AttackText(static_cast<int16_t>(store_.GetParam(param::Attack(ch)))));
  SetList(release_, store_.GetParam(param::Release(ch)));
  SetList(noiseGate_, store_.GetParam(param::kNoiseGate));
  refreshing_ = false;
  ShowEqualiser();
  if (graph_) graph_->SetResponse(&store_.Response(ch));
  if (graph_ && graph_->Curve() && overlaySource_) graph_->Curve()->SetOverlay(overlaySource_(ch));
}

void CUIEventHandler::ShowVolume(int channel) {
  for (int k : editing::LinkedRange(store_, channel)) {
    const int raw = store_.GetParam(param::Volume(k));
    SetSlider(volumeSlider_[k], raw);
    SetText(volumeEdit_[k], VolumeText(raw));
  }
}

void CUIEventHandler::ApplyCarDelays() { ShowDelays(); }

void CUIEventHandler::ShowMaster() {
  const int raw = store_.GetParam(param::kMainVol);
  SetSlider(masterSlider_, raw);
  SetText(masterEdit_, VolumeText(raw));
}

void CUIEventHandler::ShowBits() {
  const int mute = store_.GetParam(param::kMuteCtrl);
  const int phase = store_.GetParam(param::kPhaseCtrl);
  for (int i = 0; i < kChannelCount; ++i) {
    SetChecked(phase_[i], (phase >> i) & 1);
    SetChecked(mute_[i], (mute >> i) & 1);
  }
  SetChecked(masterMute_, (mute & 0x3F) == 0x3F);
}

void CUIEventHandler::ShowGrouping() {
  for (int g = 0; g < editing::kLinkGroupCount; ++g)
    SetChecked(grouping_[g], editing::GroupValue(store_, static_cast<LinkGroup>(g)) != 0);
}

void CUIEventHandler::ShowDelays() {
  for (int i = 0; i < kChannelCount; ++i) SetText(delayEdit_[i], editor_.DelayText(i));
}

void CUIEventHandler::ShowEqualiser() {
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

void CUIEventHandler::ShowEdited(QWidget* edit, const std::string& text) {
  if (auto* e = dynamic_cast<ui::SEdit2*>(edit)) SetText(e, text);
}

void CUIEventHandler::SetList(ui::ComboBox* list, int index) {
  if (!list || index < 0 || index >= list->count() || list->currentIndex() == index) return;
  const bool was = refreshing_;
  refreshing_ = true;
  list->setCurrentIndex(index);
  refreshing_ = was;
}

std::string CUIEventHandler::TextOf(QWidget* edit) const {
  auto* e = dynamic_cast<QLineEdit*>(edit);
  return e ? e->text().toStdString() : std::string();
}

// ---------------------------------------------------------------- events

void CUIEventHandler::OnClick(const ui::Event& e) {
  const int id = e.senderId;
  auto* button = dynamic_cast<ui::SkCheckButton*>(e.sender.data());
  const bool checked = button && button->IsChecked();
  if (id >= ids::kBandHold && id < ids::kBandHold + kBandCount) {
    AfterBandEdit(editor_.SetBandHeldBack(id - ids::kBandHold, checked));
  } else if (id >= ids::kGrouping && id < ids::kGrouping + editing::kLinkGroupCount) {
    OnGrouping(static_cast<LinkGroup>(id - ids::kGrouping), button);
  } else if (id == ids::kMasterMute) {
    editor_.SetMasterMute(checked);
    ShowBits();
  } else if (id == ids::kRowSwitch) {
    if (bandIdRow_) bandIdRow_->setVisible(checked);
    if (bandFreqRow_) bandFreqRow_->setVisible(!checked);
  } else if (id >= ids::kPhase && id < ids::kPhase + kChannelCount) {
    editor_.SetPhase(id - ids::kPhase, checked);
    ShowBits();
  } else if (id >= ids::kMute && id < ids::kMute + kChannelCount) {
    editor_.SetMute(id - ids::kMute, checked);
    ShowBits();
  } else if ((id >= ids::kChannelSelect && id < ids::kChannelSelect + kChannelCount) ||
             (id >= ids::kDelaySelect && id < ids::kDelaySelect + kChannelCount)) {
    const int channel = id % 100;
    if (editor_.SelectChannel(channel).currentChannel) {
      ChannelRefresh();
    }
    TabRefresh();  // the selector buttons do not check themselves
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

void CUIEventHandler::OnGrouping(LinkGroup group, ui::SkCheckButton* box) {
  if (!box) return;
  if (!box->IsChecked()) {
    editor_.ClearLink(group);
    ShowGrouping();
    ChannelRefresh();
    TabRefresh();
    return;
  }
  const QPoint at = box->mapToGlobal(QPoint(0, box->height() + 2));
  const int item = ChooseFromMenu(group, at);
  const editing::Changes c = editor_.ChooseLinkMenuItem(group, item);
  if (history_ && c.Any()) {
    // "Link CH1&CH2 on CH2": the group's channels and the base they copy.
    std::string names;
    for (int k : editing::GroupChannels(group)) names += (names.empty() ? "" : "&") + ChannelLabel(k);
    history_->Name(editing::StepName("Link %1 on %2", {names, ChannelLabel(store_.CurrentChannel())}));
  }
  if (!c.Any()) {
    box->SetChecked(editing::GroupValue(store_, group) != 0);
    return;
  }
  ShowGrouping();
  for (int k : c.channels) ShowVolume(k);
  ShowVolume(editor_.CurrentChannel());
  ChannelRefresh();
  TabRefresh();
}

int CUIEventHandler::ChooseFromMenu(LinkGroup group, const QPoint& at) {
  if (chooser_) return chooser_(group, at);
  ui::PopupMenu menu;
  const QString name = QStringLiteral("smenu:menu_joint%1").arg(static_cast<int>(group));
  if (!menu.Load(name)) {
    spdlog::warn("menu template {} missing", name.toStdString());
    return 0;
  }
  menu.Menu()->setStyleSheet(kMenuStyle);
  return menu.Exec(at);
}

void CUIEventHandler::OnCommitEdit(int id, QWidget* sender) {
  const std::string text = TextOf(sender);
  editing::Changes c;
  if (id == ids::kMasterEdit) {
    c = editor_.CommitMasterVolume(text);
    ShowMaster();
    return;
  }
  if (id >= ids::kChannelEdit && id < ids::kChannelEdit + kChannelCount) {
    editor_.CommitChannelVolume(id - ids::kChannelEdit, text);
    ShowVolume(id - ids::kChannelEdit);
    return;
  }
  if (id >= ids::kDelayEdit && id < ids::kDelayEdit + kChannelCount) {
    c = editor_.CommitDelay(id - ids::kDelayEdit, text);
  } else if (id == ids::kHpFreq || id == ids::kLpFreq) {
    c = editor_.CommitFilterFrequency(id == ids::kHpFreq ? Filter::kHighPass : Filter::kLowPass, text);
  } else if (id == ids::kThreshold) {
    c = editor_.CommitThreshold(text);
  } else if (id == ids::kAttack) {
    c = editor_.CommitAttack(text);
  } else if (id >= ids::kBandFreq && id < ids::kBandFreq + kBandCount) {
    AfterBandEdit(editor_.CommitBandFrequency(id - ids::kBandFreq, text));
    return;
  } else if (id >= ids::kBandQ && id < ids::kBandQ + kBandCount) {
    AfterBandEdit(editor_.CommitBandQ(id - ids::kBandQ, text));
    return;
  } else if (id >= ids::kBandGain && id < ids::kBandGain + kBandCount) {
    AfterBandEdit(editor_.CommitBandGain(id - ids::kBandGain, text));
    return;
  } else {
    return;
  }
  ShowEdited(sender, c.text);
  if (c.graph && graph_) graph_->Refresh();
}

void CUIEventHandler::OnStepEdit(int id, QWidget* sender, int step) {
  const std::string text = TextOf(sender);
  editing::Changes c;
  if (id == ids::kMasterEdit) {
    editor_.StepMasterVolume(text, step);
    ShowMaster();
    return;
  }
  if (id >= ids::kChannelEdit && id < ids::kChannelEdit + kChannelCount) {
    editor_.StepChannelVolume(id - ids::kChannelEdit, text, step);
    ShowVolume(id - ids::kChannelEdit);
    return;
  }
  if (id >= ids::kDelayEdit && id < ids::kDelayEdit + kChannelCount) {
    c = editor_.StepDelay(id - ids::kDelayEdit, text, step);
  } else if (id == ids::kHpFreq || id == ids::kLpFreq) {
    c = editor_.StepFilterFrequency(id == ids::kHpFreq ? Filter::kHighPass : Filter::kLowPass, text, step);
  } else if (id == ids::kThreshold) {
    c = editor_.StepThreshold(text, step);
  } else if (id == ids::kAttack) {
    c = editor_.StepAttack(text, step);
  } else if (id >= ids::kBandFreq && id < ids::kBandFreq + kBandCount) {
    AfterBandEdit(editor_.StepBandFrequency(id - ids::kBandFreq, text, step));
    return;
  } else if (id >= ids::kBandQ && id < ids::kBandQ + kBandCount) {
    AfterBandEdit(editor_.StepBandQ(id - ids::kBandQ, text, step));
    return;
  } else if (id >= ids::kBandGain && id < ids::kBandGain + kBandCount) {
    AfterBandEdit(editor_.StepBandGain(id - ids::kBandGain, text, step));
    return;
  } else {
    return;
  }
  ShowEdited(sender, c.text);
  if (c.graph && graph_) graph_->Refresh();
}

void CUIEventHandler::OnSlider(int id, int position) {
  if (id == ids::kMasterSlider) {
    editor_.SetMasterVolume(position);
    SetText(masterEdit_, VolumeText(store_.GetParam(param::kMainVol)));
  } else if (id >= ids::kChannelSlider && id < ids::kChannelSlider + kChannelCount) {
    editor_.SetChannelVolume(id - ids::kChannelSlider, position);
    ShowVolume(id - ids::kChannelSlider);
  } else if (id >= ids::kBandSlider && id < ids::kBandSlider + kBandCount) {
    AfterBandEdit(editor_.SetBandGainFromSlider(id - ids::kBandSlider, position));
  }
}

void CUIEventHandler::OnList(int id, int index) {
  editing::Changes c;
  switch (id) {
    case ids::kHpType: c = editor_.SetCharacteristic(Filter::kHighPass, index); break;
    case ids::kHpSlope: c = editor_.SetSlope(Filter::kHighPass, index); break;
    case ids::kLpType: c = editor_.SetCharacteristic(Filter::kLowPass, index); break;
    case ids::kLpSlope: c = editor_.SetSlope(Filter::kLowPass, index); break;
    case ids::kRelease: editor_.SetRelease(index); return;
    case ids::kNoiseGate: editor_.SetNoiseGate(index); return;
    case ids::kUnitList:
      editor_.SetDelayUnit(index);
      refreshing_ = true;
      if (index >= 0 && index < 3 && unitRadio_[index]) unitRadio_[index]->CheckInGroup();
      refreshing_ = false;
      ShowDelays();
      return;
    default: return;
  }
  if (graph_) graph_->Refresh();
}

void CUIEventHandler::OnRadio(int id) {
  if (id >= ids::kUnitRadio && id < ids::kUnitRadio + 3) {
    editor_.SetDelayUnit(id - ids::kUnitRadio);
    SetList(unitList_, id - ids::kUnitRadio);
    ShowDelays();
  } else if (id == ids::kTwoInputs || id == ids::kFourInputs) {
    // A failure leaves the radios as the user set them; the next full
    // refresh shows the stored input mode again.
    if (!editor_.SetInputMode(id - ids::kTwoInputs)) spdlog::info("the input mode was not changed");
  }
}

void CUIEventHandler::OnThumb(int id, const ui::Event& e) {
  const auto* a = e.As<ui::ThumbMovingArgs>();
  auto* thumb = dynamic_cast<ui::SMoveThumb*>(e.sender.data());
  if (!graph_ || !a || !thumb) return;
  // The centre the graph placed the handle on is its top-left plus the
  // integer halves of its size; an axis along which it did not move keeps
  // its value exactly (the placed pixel only rounds it).
  std::optional<double> cx, cy;
  if (a->proposed.x() != a->current.x()) cx = a->proposed.x() + thumb->width() / 2;
  if (a->proposed.y() != a->current.y()) cy = a->proposed.y() + thumb->height() / 2;
  const int handle = id - ids::kHandleFirst;
  if (handle < kBandCount) {
    AfterBandEdit(editor_.DragBand(handle, graph_->Axes(), cx, cy));
  } else if (handle == kBandCount || handle == kBandCount + 1) {
    if (!cx) return;
    const Filter f = handle == kBandCount ? Filter::kHighPass : Filter::kLowPass;
    editor_.DragFilter(f, graph_->XToFrequency(*cx));
    ChannelRefresh();
  } else if (a->ownerBand >= 0) {
    AfterBandEdit(editor_.DragQ(a->ownerBand, handle == kBandCount + 2, a->proposed.x(), a->current.x()));
  }
}

void CUIEventHandler::AfterBandEdit(const editing::BandChanges& c) {
  // The columns show what the block holds, also after a text that changed nothing.
  ShowEqualiser();
  if (!c.Any()) return;
  // The gain compensation may have moved the range's volumes.
  const int ch = editor_.CurrentChannel();
  if (c.Changed(param::Volume(ch))) ShowVolume(ch);
  if (graph_) graph_->SetResponse(&store_.Response(ch));
  ApplyGainAlert(c.alert);
}

void CUIEventHandler::ApplyGainAlert(editing::GainAlert alert) {
  if (alert == editing::GainAlert::kStart) window_.SetTimer(kGainAlertTimerId, std::max(0, eqWindow_.alertDelayMs));
  else if (alert == editing::GainAlert::kCancel) window_.KillTimer(kGainAlertTimerId);
}

void CUIEventHandler::OnGainAlertTimer() {
  window_.KillTimer(kGainAlertTimerId);
  const QString text = eqWindow_.alertText.isEmpty() ? Q(settings::kDefaultAlertMsg) : eqWindow_.alertText;
  ui::MessageBox(&window_, text, QStringLiteral("Notice"));
}

void CUIEventHandler::OnResetEq() {
  if (history_) {
    std::string names;
    for (int k : editor_.SelectedChannels()) names += (names.empty() ? "" : ", ") + ChannelLabel(k);
    history_->Name(editing::StepName("ResetEQ %1", {names}));
  }
  const editing::BandChanges c = editor_.ResetEqualiser();
  FullRefresh();
  if (graph_) {
    graph_->SetResponse(&store_.Response(editor_.CurrentChannel()));
    graph_->Refresh();
  }
  ApplyGainAlert(c.alert);
}

}  // namespace brisvel::app
