// The compact window: its controls over the effect store, the mode buttons'
// recall flow, the top-most start and the refresh after hot-plug.

#include "app/mini_dlg.h"

#include <QCloseEvent>
#include <QThread>
#include <QWindow>

#include "app/application.h"
#include "app/main_dlg.h"
#include "device/device_manager.h"
#include "device/store_commands.h"
#include "presets/advanced_login.h"
#include "spdlog/spdlog.h"
#include "ui/basic_controls.h"
#include "ui/message_box.h"
#include "ui/value_controls.h"

namespace brisvel::app {

namespace {
constexpr int kRecallSettleMs = 500;
}

CMiniDlg::CMiniDlg(CApplication& app) : app_(app) {}

void CMiniDlg::OnInit() {
  knob_ = Find<ui::SkRotaryKnob>(kKnobId);
  knobText_ = Find<ui::TextLabel>(3000);
  mute_ = Find<ui::SkCheckButton>(1003);
  connect_ = Find<ui::SkCheckButton>(QStringLiteral("dev_connect_state"));
  master_ = Find<ui::SkRadioButton>(1005);
  sub_ = Find<ui::SkRadioButton>(1006);
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
  const bool was = refreshing_;
  refreshing_ = true;
  for (int m = 0; m < 8; ++m)
    if (auto* b = Find<ui::SkRadioButton>(kModeButtonFirst + m)) b->SetChecked(m == mode);
  refreshing_ = was;
}

void CMiniDlg::Refresh() {
  const bool was = refreshing_;
  refreshing_ = true;
  const CEffectStore& store = app_.Store();
  if (store.currentDeviceMode >= 0 && store.currentDeviceMode <= 7) CheckModeButton(store.currentDeviceMode);
  ShowVolume(ShownVolume(store, Choice()));
  if (mute_) mute_->SetChecked(AllMuted(store));
  ShowConnectionState(connect_, app_.IsConnected());
  refreshing_ = was;
}

void CMiniDlg::ShowVolume(int value) {
  if (knob_) knob_->SetValue(value);
  if (knobText_) knobText_->SetText(VolumeText(value));
}

void CMiniDlg::StepVolume(int delta) {
  // From the block's volume, not the knob: the knob shows at most 60.
  ShowVolume(app::StepVolume(app_.Store(), Choice(), delta));
}

void CMiniDlg::RecallMode(int slot) {
  CEffectStore& store = app_.Store();
  CDeviceManager* manager = app_.DeviceManager();
  if (!manager || !app_.IsConnected()) {
    ui::MessageBox(this, QStringLiteral("Device not connected"));
    // Nothing was recalled: the buttons show the processor's mode again.
    CheckModeButton(store.currentDeviceMode);
    return;
  }
  if (!RecallDeviceMode(store, *manager, slot)) {
    ui::MessageBox(nullptr, QStringLiteral("Recall device mode failed"));
    CheckModeButton(store.currentDeviceMode);
    return;
  }
  // The processor needs a moment to make the recalled mode active.
  QThread::msleep(kRecallSettleMs);
  store.linkFlags = {};
  if (!ReadCurrentParam(store, *manager)) spdlog::error("reading the block after recalling mode {} failed", slot);
  store.RebuildResponses();
  if (CMainDlg* main = app_.MainWindow()) main->SendRefresh(kRefreshFull, 3);
  Refresh();
}

bool CMiniDlg::OnEvent(const ui::Event& e) {
  if (e.id == ui::EventCmd) {
    if (e.senderName == "btn_close") {
      app_.CloseCompactWindow();
      return true;
    }
    if (e.senderName == "btn_min") {
      showMinimized();
      return true;
    }
    if (e.senderName == "btn_advanced") {
      if (presets::OpenAdvancedLogin(this) == 1) app_.ShowMainWindowAfterLogin();
      return true;
    }
    switch (e.senderId) {
      case 1001:
        StepVolume(+1);
        return true;
      case 1002:
        StepVolume(-1);
        return true;
      case 1003:
        if (mute_) SetAllMuted(app_.Store(), mute_->IsChecked());
        return true;
      case 1004:
        RunConnectButton(app_, this, connect_ && connect_->IsChecked(), [this] { Refresh(); });
        if (connect_) ShowConnectionState(connect_, app_.IsConnected());
        return true;
      case 1005:
      case 1006:
        ShowVolume(ShownVolume(app_.Store(), Choice()));
        return true;
      default:
        break;
    }
  }
  if (e.id == ui::EventSliderPos && e.senderId == kKnobId) {
    if (!refreshing_) ShowVolume(WriteVolume(app_.Store(), Choice(), e.value));
    return true;
  }
  if (e.id == ui::EventStateChanged && e.senderId >= kModeButtonFirst && e.senderId < kModeButtonFirst + 8) {
    if (ready_ && !refreshing_ && e.value == 1) RecallMode(e.senderId - kModeButtonFirst);
    return true;
  }
  return HostWindow::OnEvent(e);
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
