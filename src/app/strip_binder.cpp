// The channel strips: master and channel volumes, phase and mute, channel
// selection, the grouping check boxes with their menus, the input mode.
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>

#include "app/dlg_copy_channel.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/panel_binders.h"
#include "controls/value_controls.h"
#include "core/channel_names.h"
#include "core/scales.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/popup_menu.h"
#include "ui/translation.h"
#include "ui/ui_event.h"

namespace brisvel::app {

namespace ids = layout::mainwnd;
using editing::LinkGroup;

const char kPanelMenuStyle[] =
    "QMenu { background: #1b2232; color: #dddddd; border: 1px solid #798a92; padding: 2px; }"
    "QMenu::item { padding: 5px 28px 5px 18px; }"
    "QMenu::item:selected { background: #3a5068; color: #ffffff; }"
    "QMenu::item:disabled { color: #6f7b86; }";

namespace {
const char kAskStyle[] =
    "QInputDialog { background: #273444; } QLabel { color: #dddddd; }"
    "QLineEdit { background: #1b2232; color: #ffffff; border: 1px solid #798a92; padding: 3px; }"
    "QPushButton { background: #3a5068; color: #ffffff; border: 1px solid #798a92; padding: 4px 14px; }";
}  // namespace

void StripBinder::Bind() {
  ui::HostWindow& w = window_;
  masterSlider_ = w.Find<ui::SkSlider>(ids::kMasterSlider);
  TellVolume(masterSlider_);
  masterEdit_ = w.Find<ui::SEdit2>(ids::kMasterEdit);
  masterMute_ = w.Find<ui::SkCheckButton>(ids::kMasterMute);
  for (int i = 0; i < kChannelCount; ++i) {
    select_[i] = w.Find<ui::SkCheckButton>(ids::kChannelSelect + i);
    delaySelect_[i] = w.Find<ui::SkCheckButton>(ids::kDelaySelect + i);
    phase_[i] = w.Find<ui::SkCheckButton>(ids::kPhase + i);
    mute_[i] = w.Find<ui::SkCheckButton>(ids::kMute + i);
    volumeSlider_[i] = w.Find<ui::SkSlider>(ids::kChannelSlider + i);
    TellVolume(volumeSlider_[i]);
    volumeEdit_[i] = w.Find<ui::SEdit2>(ids::kChannelEdit + i);
    if (ui::SkCheckButton* button = select_[i]) {
      button->setContextMenuPolicy(Qt::CustomContextMenu);
      QObject::connect(button, &QWidget::customContextMenuRequested, button, [this, button, i](const QPoint& at) {
        QMenu menu;
        menu.setStyleSheet(kPanelMenuStyle);
        const QAction* rename = menu.addAction(ui::Tr(QStringLiteral("Rename...")));
        const QAction* copy = menu.addAction(ui::Tr(QStringLiteral("Copy channel to...")));
        const QAction* chosen = menu.exec(button->mapToGlobal(at));
        if (chosen == rename) RenameChannel(i);
        else if (chosen == copy) CopyChannelTo(i);
      });
    }
  }
  for (int g = 0; g < editing::kLinkGroupCount; ++g) grouping_[g] = w.Find<ui::SkCheckButton>(ids::kGrouping + g);
  inputMode_ = {w.Find<ui::SkRadioButton>(ids::kTwoInputs), w.Find<ui::SkRadioButton>(ids::kFourInputs)};
  caption_ = ui::AsElement(w.FindById(ids::kGraphCaption));

  ui::EventRouter& r = w.Router();
  auto clicks = [this, &r](int first, int last) {
    r.On<ui::CmdArgs>(first, last, [this](const ui::Event& e, const ui::CmdArgs&) {
      if (!Foreign(e)) OnClick(e);
    });
  };
  clicks(ids::kGrouping, ids::kGrouping + editing::kLinkGroupCount - 1);
  clicks(ids::kMasterMute, ids::kMasterMute);
  clicks(ids::kPhase, ids::kPhase + kChannelCount - 1);
  clicks(ids::kMute, ids::kMute + kChannelCount - 1);
  clicks(ids::kChannelSelect, ids::kChannelSelect + kChannelCount - 1);
  clicks(ids::kDelaySelect, ids::kDelaySelect + kChannelCount - 1);

  // Numeric edits: focus loss commits, Up/Down/wheel step, Enter (step 0) applies.
  for (auto [first, last] : {std::pair{ids::kMasterEdit, ids::kMasterEdit},
                             std::pair{ids::kChannelEdit, ids::kChannelEdit + kChannelCount - 1}}) {
    r.On<ui::KillFocusArgs>(first, last, [this](const ui::Event& e, const ui::KillFocusArgs&) {
      if (Foreign(e)) return;
      const std::string text = TextOf(e.sender);
      if (e.senderId == ids::kMasterEdit) {
        editor_.CommitMasterVolume(text);
        ShowMaster();
      } else {
        editor_.CommitChannelVolume(e.senderId - ids::kChannelEdit, text);
        ShowVolume(e.senderId - ids::kChannelEdit);
      }
    });
    r.On<ui::EditValueChangingArgs>(first, last, [this](const ui::Event& e, const ui::EditValueChangingArgs& a) {
      if (Foreign(e)) return;
      const std::string text = TextOf(e.sender);
      if (e.senderId == ids::kMasterEdit) {
        editor_.StepMasterVolume(text, a.step);
        ShowMaster();
      } else {
        editor_.StepChannelVolume(e.senderId - ids::kChannelEdit, text, a.step);
        ShowVolume(e.senderId - ids::kChannelEdit);
      }
    });
  }
  r.On<ui::SliderPosArgs>(ids::kMasterSlider, ids::kMasterSlider, [this](const ui::Event& e, const ui::SliderPosArgs& a) {
    if (Foreign(e)) return;
    editor_.SetMasterVolume(a.position);
    SetText(masterEdit_, VolumeText(store_.GetParam(param::kMainVol)));
  });
  r.On<ui::SliderPosArgs>(ids::kChannelSlider, ids::kChannelSlider + kChannelCount - 1,
                          [this](const ui::Event& e, const ui::SliderPosArgs& a) {
                            if (Foreign(e)) return;
                            editor_.SetChannelVolume(e.senderId - ids::kChannelSlider, a.position);
                            ShowVolume(e.senderId - ids::kChannelSlider);
                          });
  r.On<ui::StateChangedArgs>(ids::kTwoInputs, ids::kFourInputs, [this](const ui::Event& e, const ui::StateChangedArgs& a) {
    if (Foreign(e) || !a.checked) return;
    // A failure leaves the radios as the user set them; the next full
    // refresh shows the stored input mode again.
    if (!editor_.SetInputMode(e.senderId - ids::kTwoInputs)) spdlog::info("the input mode was not changed");
  });
}

void StripBinder::Refresh() {
  ShowMaster();
  ShowGrouping();
  ShowBits();
  for (int i = 0; i < kChannelCount; ++i) {
    const int raw = store_.GetParam(param::Volume(i));
    SetSlider(volumeSlider_[i], raw);
    SetText(volumeEdit_[i], VolumeText(raw));
  }
  if (store_.InputMode() == 0 || store_.InputMode() == 1)
    if (auto* radio = inputMode_[store_.InputMode()]; radio && !radio->IsChecked()) radio->CheckInGroup();
  ShowNames();
}

void StripBinder::TabRefresh() {
  const std::vector<int> selected = editor_.SelectedChannels();
  for (int i = 0; i < kChannelCount; ++i) {
    const bool on = std::find(selected.begin(), selected.end(), i) != selected.end();
    SetChecked(select_[i], on);
    SetChecked(delaySelect_[i], on);
  }
  if (caption_) {
    const int box = editor_.CurrentChannel();
    const QString name = QString::fromStdString(ChannelNameOf(store_.Names(), box));
    caption_->SetText(QStringLiteral("CH %1").arg(ChannelLabelNumber(box)) + (name.isEmpty() ? QString() : " " + name));
  }
}

void StripBinder::ShowNames() {
  for (int i = 0; i < kChannelCount; ++i) {
    ShowChannelLabel(select_[i], store_.Names(), i);
    if (ui::SkCheckButton* seat = delaySelect_[i])
      seat->SetTip(QString::fromStdString(NamedChannelLabel(store_.Names(), i)));
  }
}

void StripBinder::CopyChannelTo(int from) {
  CDlgCopyChannel dlg(QString::fromLatin1(kCopyChannelLayout), &window_, from, store_.Names());
  if (!dlg.Create()) {
    spdlog::error("the copy layout could not be built");
    return;
  }
  dlg.CentreOn(&window_);
  if (dlg.DoModal() != ui::HostWindow::kOkButtonId) return;
  const std::vector<int>& targets = dlg.Handler().Targets();
  const editing::CopyParts& parts = dlg.Handler().Parts();
  if (targets.empty() || !parts.Any()) return;
  std::string to;
  for (int k : targets) to += (to.empty() ? "" : ", ") + ChannelLabel(k);
  auto copy = [&] { return editor_.CopyChannel(from, targets, parts); };
  const editing::Changes c = panels_.History()
                                 ? panels_.History()->Record(editing::StepName("Copy %1 to %2", {ChannelLabel(from), to}), copy)
                                 : copy();
  spdlog::info("{} copied to {} ({} parameters changed)", ChannelLabel(from), to, c.params.size());
  panels_.FullRefresh();
}

void StripBinder::RenameChannel(int box) {
  QWidget* owner = select_[box] ? select_[box]->window() : nullptr;
  QInputDialog ask(owner);
  ask.setStyleSheet(kAskStyle);
  ask.setWindowTitle(ui::Tr(QStringLiteral("Rename channel")));
  ask.setLabelText(ui::Tr(QStringLiteral("Name of %1's speaker (empty: none):"))
                       .arg(QString::fromStdString(ChannelLabel(box))));
  ask.setTextValue(QString::fromStdString(ChannelNameOf(store_.Names(), box)));
  ask.setOkButtonText(ui::Tr(QStringLiteral("OK")));
  ask.setCancelButtonText(ui::Tr(QStringLiteral("Cancel")));
  if (auto* edit = ask.findChild<QLineEdit*>()) edit->setMaxLength(static_cast<int>(kChannelNameChars));
  if (ask.exec() != QDialog::Accepted) return;
  ChannelNames names = store_.Names();
  const std::string name = CleanChannelName(ask.textValue().toStdString());
  std::string& slot = names[static_cast<size_t>(ChannelLabelNumber(box) - 1)];
  if (slot == name) return;
  spdlog::info("{} renamed \"{}\"", ChannelLabel(box), name);
  slot = name;
  store_.SetNames(names);
  ShowNames();
  TabRefresh();
  if (namesChanged_) namesChanged_();
}

void StripBinder::ShowVolume(int channel) {
  for (int k : editing::LinkedRange(store_, channel)) {
    const int raw = store_.GetParam(param::Volume(k));
    SetSlider(volumeSlider_[k], raw);
    SetText(volumeEdit_[k], VolumeText(raw));
  }
}

void StripBinder::ShowMaster() {
  const int raw = store_.GetParam(param::kMainVol);
  SetSlider(masterSlider_, raw);
  SetText(masterEdit_, VolumeText(raw));
}

void StripBinder::ShowBits() {
  const int mute = store_.GetParam(param::kMuteCtrl);
  const int phase = store_.GetParam(param::kPhaseCtrl);
  for (int i = 0; i < kChannelCount; ++i) {
    SetChecked(phase_[i], (phase >> i) & 1);
    SetChecked(mute_[i], (mute >> i) & 1);
  }
  SetChecked(masterMute_, (mute & 0x3F) == 0x3F);
}

void StripBinder::ShowGrouping() {
  for (int g = 0; g < editing::kLinkGroupCount; ++g)
    SetChecked(grouping_[g], editing::GroupValue(store_, static_cast<LinkGroup>(g)) != 0);
}

void StripBinder::OnClick(const ui::Event& e) {
  const int id = e.senderId;
  auto* button = dynamic_cast<ui::SkCheckButton*>(e.sender.data());
  const bool checked = button && button->IsChecked();
  if (id >= ids::kGrouping && id < ids::kGrouping + editing::kLinkGroupCount) {
    OnGrouping(static_cast<LinkGroup>(id - ids::kGrouping), button);
  } else if (id == ids::kMasterMute) {
    editor_.SetMasterMute(checked);
    ShowBits();
  } else if (id >= ids::kPhase && id < ids::kPhase + kChannelCount) {
    editor_.SetPhase(id - ids::kPhase, checked);
    ShowBits();
  } else if (id >= ids::kMute && id < ids::kMute + kChannelCount) {
    editor_.SetMute(id - ids::kMute, checked);
    ShowBits();
  } else {
    // A channel or delay selector button.
    if (editor_.SelectChannel(id % 100).currentChannel) panels_.ChannelRefresh();
    panels_.TabRefresh();  // the selector buttons do not check themselves
  }
}

void StripBinder::OnGrouping(LinkGroup group, ui::SkCheckButton* box) {
  if (!box) return;
  if (!box->IsChecked()) {
    editor_.ClearLink(group);
    ShowGrouping();
    panels_.ChannelRefresh();
    panels_.TabRefresh();
    return;
  }
  const QPoint at = box->mapToGlobal(QPoint(0, box->height() + 2));
  const int item = ChooseFromMenu(group, at);
  const editing::Changes c = editor_.ChooseLinkMenuItem(group, item);
  if (editing::CEditHistory* history = panels_.History(); history && c.Any()) {
    // "Link CH1&CH2 on CH2": the group's channels and the base they copy.
    std::string names;
    for (int k : editing::GroupChannels(group)) names += (names.empty() ? "" : "&") + ChannelLabel(k);
    history->Name(editing::StepName("Link %1 on %2", {names, ChannelLabel(store_.CurrentChannel())}));
  }
  if (!c.Any()) {
    box->SetChecked(editing::GroupValue(store_, group) != 0);
    return;
  }
  ShowGrouping();
  for (int k : c.channels) ShowVolume(k);
  ShowVolume(editor_.CurrentChannel());
  panels_.ChannelRefresh();
  panels_.TabRefresh();
}

int StripBinder::ChooseFromMenu(LinkGroup group, const QPoint& at) {
  if (chooser_) return chooser_(group, at);
  ui::PopupMenu menu;
  const QString name = QStringLiteral("smenu:menu_joint%1").arg(static_cast<int>(group));
  if (!menu.Load(name)) {
    spdlog::warn("menu template {} missing", name.toStdString());
    return 0;
  }
  menu.Menu()->setStyleSheet(kPanelMenuStyle);
  return menu.Exec(at);
}

}  // namespace brisvel::app
