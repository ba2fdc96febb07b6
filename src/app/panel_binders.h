// The binders of the main window's editing panels, one concern each: the
// channel strips (master, volumes, phase, mute, selection, grouping, input
// mode), the crossovers, the limiter and noise gate, the delays and the
// equaliser. Each finds its controls in the host window, routes their
// events to the channel editor and shows what the store holds; it needs a
// host window, a store and an editor, not a whole console. The controller
// (CUIEventHandler) holds them and answers what concerns them all (IPanels).
//
// Values set on a control by code raise no event (the toolkit's promise), so
// a binder reloads its controls freely.
#pragma once

#include <QPoint>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/sum_view.h"
#include "core/channel_names.h"
#include "core/crossover_presets.h"
#include "editing/channel_editor.h"
#include "editing/history.h"

class QWidget;

namespace brisvel::ui {
class HostWindow;
class SkSlider;
class SkCheckButton;
class SkRadioButton;
class SEdit2;
class ComboBox;
class SkEQ;
struct EqOverlay;
class Element;
struct Event;
}  // namespace brisvel::ui

namespace brisvel::settings {
class ConfigIni;
}  // namespace brisvel::settings

namespace brisvel::app {

// The pop-up menus of the editing panels.
extern const char kPanelMenuStyle[];

// A volume fader's tip tells the level as the volume field shows it ("-4dB",
// "OFF") while it moves.
void TellVolume(ui::SkSlider* slider);
// A channel button's text: "CH1 Tweeter L", ending in "..." where the
// button is too narrow; a named channel's tip holds it whole.
void ShowChannelLabel(ui::SkCheckButton* button, const ChannelNames& names, int box);

// What a binder asks of the panels as a whole.
class IPanels {
 public:
  virtual ~IPanels() = default;
  // The current channel changed: every binder shows that channel's values.
  virtual void ChannelRefresh() = 0;
  // The selector buttons and the graph's caption follow the current channel.
  virtual void TabRefresh() = 0;
  // The volume controls of a channel's linked range.
  virtual void ShowVolume(int channel) = 0;
  // Every control again from the block.
  virtual void FullRefresh() = 0;
  // The history whose open step an action names; may be null.
  virtual editing::CEditHistory* History() = 0;
};

class PanelBinder {
 public:
  PanelBinder(ui::HostWindow& window, CEffectStore& store, editing::CChannelEditor& editor, IPanels& panels)
      : window_(window), store_(store), editor_(editor), panels_(panels) {}
  virtual ~PanelBinder() = default;
  PanelBinder(const PanelBinder&) = delete;
  PanelBinder& operator=(const PanelBinder&) = delete;

  // Looks up the controls (absent ones are skipped) and adds the event routes.
  virtual void Bind() = 0;

 protected:
  // An event of a control in another top-level window.
  bool Foreign(const ui::Event& e) const;
  static std::string TextOf(const QWidget* edit);
  static void SetText(ui::SEdit2* edit, const std::string& text);
  static void SetChecked(ui::SkCheckButton* button, bool on);
  static void SetSlider(ui::SkSlider* slider, int value);
  static void SetList(ui::ComboBox* list, int index);
  // The edited control shows text (an edit of any kind), when it is one.
  static void ShowEdited(QWidget* edit, const std::string& text);

  ui::HostWindow& window_;
  CEffectStore& store_;
  editing::CChannelEditor& editor_;
  IPanels& panels_;
};

// Master, channel volumes, phase and mute, channel selection, the grouping
// check boxes with their menus, and the input mode.
class StripBinder final : public PanelBinder {
 public:
  // Chooses an item of a grouping menu shown at a screen point: the item id,
  // or 0 when the menu was dismissed.
  using MenuChooser = std::function<int(editing::LinkGroup group, const QPoint& screenPoint)>;
  using PanelBinder::PanelBinder;
  void Bind() override;
  void SetMenuChooser(MenuChooser chooser) { chooser_ = std::move(chooser); }
  // Told after the installer renamed a channel (the store holds the names):
  // keeping them and showing them elsewhere is the caller's.
  void SetNamesChanged(std::function<void()> changed) { namesChanged_ = std::move(changed); }
  void Refresh();  // master, bits, grouping, every volume, input mode, names
  void TabRefresh();
  void ShowVolume(int channel);
  // Asks for the name of a Box's speaker and keeps it (the channel button's "Rename...").
  void RenameChannel(int box);
  // "Copy channel to...": asks for the parts and the channels, and copies as one step.
  void CopyChannelTo(int from);

 private:
  void OnClick(const ui::Event& e);
  void OnGrouping(editing::LinkGroup group, ui::SkCheckButton* box);
  int ChooseFromMenu(editing::LinkGroup group, const QPoint& at);
  void ShowMaster();
  void ShowBits();
  void ShowGrouping();
  void ShowNames();

  MenuChooser chooser_;
  std::function<void()> namesChanged_;
  ui::SkSlider* masterSlider_ = nullptr;
  ui::SEdit2* masterEdit_ = nullptr;
  ui::SkCheckButton* masterMute_ = nullptr;
  std::array<ui::SkCheckButton*, kChannelCount> select_{}, delaySelect_{}, phase_{}, mute_{};
  std::array<ui::SkSlider*, kChannelCount> volumeSlider_{};
  std::array<ui::SEdit2*, kChannelCount> volumeEdit_{};
  std::array<ui::SkCheckButton*, editing::kLinkGroupCount> grouping_{};
  std::array<ui::SkRadioButton*, 2> inputMode_{};
  ui::Element* caption_ = nullptr;
};

// High-pass and low-pass: type and slope lists and the frequency edits.
class CrossoverBinder final : public PanelBinder {
 public:
  // refreshGraph: the graph places its handles and redraws.
  CrossoverBinder(ui::HostWindow& window, CEffectStore& store, editing::CChannelEditor& editor, IPanels& panels,
                  std::function<void()> refreshGraph)
      : PanelBinder(window, store, editor, panels), refreshGraph_(std::move(refreshGraph)) {}
  void Bind() override;
  void Refresh();
  // Where the installer's own crossover presets are kept; none: the built-in ones only.
  void SetPresetFile(settings::ConfigIni* config) { config_ = config; }
  // The crossover-preset menu of a filter under its button: a preset applies
  // as one step; the current filter can be kept as a preset.
  void PopUpPresets(bool highPass, QWidget* button);

 private:
  void ApplyPreset(const CrossoverPreset& preset);

  std::function<void()> refreshGraph_;
  settings::ConfigIni* config_ = nullptr;
  ui::ComboBox *hpType_ = nullptr, *hpSlope_ = nullptr, *lpType_ = nullptr, *lpSlope_ = nullptr;
  ui::SEdit2 *hpFreq_ = nullptr, *lpFreq_ = nullptr;
};

// The limiter's threshold, attack and release, and the noise gate.
class LimiterBinder final : public PanelBinder {
 public:
  using PanelBinder::PanelBinder;
  void Bind() override;
  void Refresh();

 private:
  ui::SEdit2 *threshold_ = nullptr, *attack_ = nullptr;
  ui::ComboBox *release_ = nullptr, *noiseGate_ = nullptr;
};

// The six delay edits and the delay unit (radio buttons and the hidden list).
class DelayBinder final : public PanelBinder {
 public:
  using PanelBinder::PanelBinder;
  void Bind() override;
  void Refresh();  // the six delays and the unit

 private:
  void ShowDelays();
  void ShowUnit();
  std::array<ui::SEdit2*, kChannelCount> delayEdit_{};
  std::array<ui::SkRadioButton*, 3> unitRadio_{};
  ui::ComboBox* unitList_ = nullptr;
};

// The window side of the equaliser: the gain alert's delay and text, and the
// row shown above the band columns (caedata.dat and freqstyle.xml).
struct EqWindowSettings {
  int alertDelayMs = 8000;
  QString alertText;          // the "Notice" box's text
  bool showFreqId = true;     // the band-number row, else the frequency captions
  QString freqStyleFile;      // the caption fragment; empty or missing: built-in captions
};

// The band columns, the EQ graph and its handles, GEQ/PEQ, bypass, the
// row switch, the equaliser reset and the gain alert.
class EqualiserBinder final : public PanelBinder {
 public:
  static constexpr int kGainAlertTimerId = 1014;
  using OverlaySource = std::function<std::shared_ptr<const ui::EqOverlay>(int channel)>;
  using PanelBinder::PanelBinder;
  void SetWindowSettings(EqWindowSettings settings) { settings_ = std::move(settings); }
  void SetOverlaySource(OverlaySource source) { overlaySource_ = std::move(source); }
  void Bind() override;
  void Refresh();  // the current channel's columns, bypass and graph
  void RefreshGraph();
  void OnGainAlertTimer();
  ui::SkEQ* Graph() const { return graph_; }

 private:
  void InitEqualiser();
  void OnClick(const ui::Event& e);
  void OnCommit(int id, const std::string& text);
  void OnStep(int id, const std::string& text, int step);
  void OnThumb(int id, const ui::Event& e);
  QString HandleReadout(int handle, int band) const;
  void OnResetEq();
  void ShowColumns();
  void AfterBandEdit(const editing::BandChanges& c);
  void ApplyGainAlert(editing::GainAlert alert);

  EqWindowSettings settings_;
  OverlaySource overlaySource_;
  ui::SkEQ* graph_ = nullptr;
  std::array<ui::SEdit2*, kBandCount> bandFreq_{}, bandQ_{}, bandGain_{};
  std::array<ui::SkSlider*, kBandCount> bandSlider_{};
  std::array<ui::SkCheckButton*, kBandCount> bandHold_{};
  ui::SkCheckButton *bypass_ = nullptr, *peq_ = nullptr, *rowSwitch_ = nullptr;
  QWidget *bandIdRow_ = nullptr, *bandFreqRow_ = nullptr;
};

// The "Sum" toggle and its channel picker: the graph draws the sum of the
// chosen channels over the current one and follows every change of the block.
class SumBinder final : public PanelBinder {
 public:
  SumBinder(ui::HostWindow& window, CEffectStore& store, editing::CChannelEditor& editor, IPanels& panels)
      : PanelBinder(window, store, editor, panels), view_(store) {}
  ~SumBinder() override;
  void Bind() override;
  void Refresh();  // the toggle's state
  SumView& View() { return view_; }
  // Shows or hides the sum and repaints.
  void Show(bool shown);

 private:
  void PopUpChannels(QWidget* button);
  void Repaint();

  SumView view_;
  ui::SkEQ* graph_ = nullptr;
  ui::SkCheckButton* toggle_ = nullptr;
};

}  // namespace brisvel::app
