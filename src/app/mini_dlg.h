// The compact window shown at start: the connection indicator and connect
// button, "Advanced" (the login), the device modes A to H, the master/sub
// volume knob with its step and mute buttons.
#pragma once

#include "app/compact_volume.h"
#include "app/console.h"
#include "ui/host_window.h"

namespace brisvel::ui {
class SkRotaryKnob;
class SkCheckButton;
class SkRadioButton;
class TextLabel;
}  // namespace brisvel::ui

namespace brisvel::app {

class CMiniDlg : public ui::HostWindow {
 public:
  static constexpr int kTopMostTimerId = 1011;
  static constexpr int kTopMostMs = 500;
  static constexpr int kRefreshTimerId = 10523;

  explicit CMiniDlg(IConsoleFrames& app);

  // Shows the window normally and on top; timer 1011 ends the top-most state.
  void ShowTopMost();
  // Reloads the mode buttons, the knob and its text, mute and the connection display.
  void Refresh();
  // The connection indicator alone (also shows changes not yet sent).
  void UpdateConnectionDisplay();
  bool IsReady() const { return ready_; }
  VolumeChoice Choice() const;

  // The device-mode recall of a mode button (slot 0-7).
  void RecallMode(int slot);

 protected:
  void OnInit() override;
  void OnTimer(int id) override;
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  void ShowVolume(int value);
  void StepVolume(int delta);
  void CheckModeButton(int mode);

  IConsoleFrames& app_;
  ui::SkRotaryKnob* knob_ = nullptr;
  ui::TextLabel* knobText_ = nullptr;
  ui::SkCheckButton* mute_ = nullptr;
  ui::SkCheckButton* connect_ = nullptr;
  ui::SkRadioButton* master_ = nullptr;
  ui::SkRadioButton* sub_ = nullptr;
  bool ready_ = false;
};

}  // namespace brisvel::app
