// The compact window: its controls over the effect store, the mode buttons'
// recall flow, the top-most start and the refresh after hot-plug.

#include "app/mini_dlg.h"

#include <algorithm>

#include <QCloseEvent>
#include <QThread>
#include <QWindow>

#include "app/edit_history.h"
#include "app/refresh.h"
#include "app/layout_ids/xml_mainwnd2.h"
#include "app/main_dlg.h"
#include "controls/value_controls.h"
#include "device/device_manager.h"
#include "device/store_commands.h"
#include "editing/edit_link.h"
#include "editing/recall.h"
#include "presets/advanced_login.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/message_box.h"

namespace brisvel::app {

namespace ids = layout::mainwnd2;

CMiniDlg::CMiniDlg(IConsoleFrames& app) : app_(app) {}

void CMiniDlg::OnInit() {
  knob_ = Find<ui::SkRotaryKnob>(ids::kKnob);
  knobText_ = Find<ui::TextLabel>(ids::kKnobText);
  mute_ = Find<ui::SkCheckButton>(ids::kMuteAll);
  connect_ = Find<ui::SkCheckButton>(ids::kConnectStateName);
  master_ = Find<ui::SkRadioButton>(ids::kMaster);
  sub_ = Find<ui::SkRadioButton>(ids::kSub);

  using ui::EventCmd;
  ui::EventRouter& r = Router();
  r.OnName(EventCmd, ids::kClose, [this](const ui::Event&) { app_.CloseCompactWindow(); });
  r.OnName(EventCmd, ids::kMinimize, [this](const ui::Event&) { showMinimized(); });
  r.OnName(EventCmd, ids::kAdvanced, [this](const ui::Event&) {
    if (presets::OpenAdvancedLogin(this) == 1) app_.ShowMainWindowAfterLogin();
  });
  r.OnId(EventCmd, ids::kVolumeUp, [this](const ui::Event&) { StepVolume(+1); });
  r.OnId(EventCmd, ids::kVolumeDown, [this](const ui::Event&) { StepVolume(-1); });
  r.OnId(EventCmd, ids::kMuteAll, [this](const ui::Event&) {
    if (mute_) SetAllMuted(app_.Store(), mute_->IsChecked());
  });
  r.OnId(EventCmd, ids::kConnectState, [this](const ui::Event&) {
    RunConnectButton(app_, this, connect_ && connect_->IsChecked(), [this] { Refresh(); });
    UpdateConnectionDisplay();
  });
  r.OnIdRange(EventCmd, ids::kMaster, ids::kSub,
              [this](const ui::Event&) { ShowVolume(ChosenLevel(app_.Store(), Choice())); });
  r.On<ui::SliderPosArgs>(ids::kKnob, ids::kKnob, [this](const ui::Event&, const ui::SliderPosArgs& moved) {
    ShowVolume(WriteVolume(app_.Store(), Choice(), moved.position));
  });
  r.On<ui::StateChangedArgs>(ids::kModeFirst, ids::kModeLast,
                             [this](const ui::Event& e, const ui::StateChangedArgs& state) {
                               if (ready_ && state.checked) RecallMode(e.senderId - ids::kModeFirst);
                             });

  Refresh();
  ready_ = true;
}

VolumeChoice CMiniDlg::Choice() const {
  if (master_ && master_->IsChecked()) return VolumeChoice::kMaster;
  if (sub_ && sub_->IsChecked()) return VolumeChoice::kSub;
  return VolumeChoice::kNone;
}

void CMiniDlg::ShowTopMost() {
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  showNormal();
  raise();
  activateWindow();
  SetTimer(kTopMostTimerId, kTopMostMs);
}

void CMiniDlg::CheckModeButton(int mode) {
  for (int m = 0; m < ids::kModeCount; ++m)
    if (auto* b = Find<ui::SkRadioButton>(ids::kModeFirst + m)) b->SetChecked(m == mode);
}

void CMiniDlg::Refresh() {
  const CEffectStore& store = app_.Store();
  if (store.CurrentDeviceMode() >= 0 && store.CurrentDeviceMode() < ids::kModeCount)
    CheckModeButton(store.CurrentDeviceMode());
  ShowVolume(ChosenLevel(store, Choice()));
  if (mute_) mute_->SetChecked(AllMuted(store));
  UpdateConnectionDisplay();
}

void CMiniDlg::UpdateConnectionDisplay() { ShowConnectionState(connect_, app_.IsConnected(), UnsentChanges(app_)); }

void CMiniDlg::ShowVolume(int value) {
  // The knob ends at 0 dB; the text tells a level above it as it is.
  if (knob_) knob_->SetValue(std::min(value, kVolumeMax));
  if (knobText_) knobText_->SetText(VolumeText(value));
}

void CMiniDlg::StepVolume(int delta) {
  // From the block's volume, not the knob: the knob shows at most 60.
  ShowVolume(app::StepVolume(app_.Store(), Choice(), delta));
}

void CMiniDlg::RecallMode(int slot) {
  CEffectStore& store = app_.Store();
  editing::RecallOutcome outcome{editing::RecallStatus::kNotConnected};
  if (editing::IEditLink* link = app_.EditLink()) {
    // A plain sleep while the processor makes the recalled mode active.
    outcome = editing::RecallDeviceModeFlow(store, *link, slot, [](int ms) { QThread::msleep(ms); });
  }
  if (outcome.status != editing::RecallStatus::kRecalled) {
    if (outcome.status == editing::RecallStatus::kRecallFailed) {
      ui::MessageBox(nullptr, QStringLiteral("Recall device mode failed"));
    } else {
      ui::MessageBox(this, QStringLiteral("Device not connected"));
    }
    // Nothing was recalled: the buttons show the processor's mode again.
    CheckModeButton(store.CurrentDeviceMode());
    return;
  }
  if (!outcome.blockRead) spdlog::error("reading the block after recalling mode {} failed", slot);
  AfterDeviceModeRecall(app_);
  app_.Refresher().Send(RefreshKind::kRecall);
  Refresh();
}

void CMiniDlg::OnTimer(int id) {
  if (id == kTopMostTimerId) {
    KillTimer(id);
    // Ends the top-most state without hiding and re-showing the window.
    Qt::WindowFlags flags = windowFlags() & ~Qt::WindowStaysOnTopHint;
    if (QWindow* w = windowHandle()) w->setFlags(flags);
    overrideWindowFlags(flags);
    return;
  }
  if (id == kRefreshTimerId) {
    KillTimer(id);
    Refresh();
    return;
  }
  HostWindow::OnTimer(id);
}

void CMiniDlg::closeEvent(QCloseEvent* e) {
  e->ignore();
  app_.CloseCompactWindow();
}

void CMiniDlg::reject() { app_.CloseCompactWindow(); }

}  // namespace brisvel::app
