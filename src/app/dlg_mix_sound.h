// The input mixing dialog ("Sound mixing"): the master level and mute and,
// per channel, level, phase and mute, edited as in the main window. The
// processor has no input mixing, so the input levels and selectors show
// disabled; the coupling checks show the main window's active link group.
#pragma once

#include <array>

#include "editing/channel_editor.h"
#include "ui/host_window.h"

class QLineEdit;

namespace brisvel::ui {
class SkSlider;
class SkCheckButton;
}  // namespace brisvel::ui

namespace brisvel::app {

class IConsole;

// The tip of the controls that have nothing to act on.
inline constexpr char kNotAvailableTip[] = "Not available on this processor";

class CDlgMixSoundEventHandler : public ui::DialogEventHandler {
 public:
  explicit CDlgMixSoundEventHandler(CEffectStore& store);
  void OnInit(ui::HostWindow& dlg) override;
  // Every control from the block.
  void Refresh();

 private:
  struct Channel {
    ui::SkCheckButton* label = nullptr;
    ui::SkSlider* level = nullptr;
    QLineEdit* text = nullptr;
    ui::SkCheckButton* phase = nullptr;
    ui::SkCheckButton* mute = nullptr;
    ui::SkCheckButton* coupling = nullptr;
  };
  void ShowChannels(const editing::Changes& c);
  void ShowMaster(const editing::Changes& c);
  void ShowLabels();
  void OnChannelText(int k, int step, bool stepped);
  void OnMasterText(int step, bool stepped);

  CEffectStore& store_;
  editing::CChannelEditor editor_;
  ui::SkSlider* masterLevel_ = nullptr;
  QLineEdit* masterText_ = nullptr;
  ui::SkCheckButton* masterMute_ = nullptr;
  std::array<Channel, kChannelCount> channels_{};
};

using CDlgMixSound = ui::CCommonDlg<CDlgMixSoundEventHandler>;

// Command 50 of the main window: the dialog run modally over the owner, then
// a full refresh so the main window shows what changed here.
int OpenMixSound(IConsole& app, ui::HostWindow* owner);

}  // namespace brisvel::app
