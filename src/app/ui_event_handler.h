// The main window's channel editing controller: binds the controls of the
// editing panels (channel strips, grouping, limiter, crossover, delays, the
// equaliser columns and the graph) to the channel editor and shows what the
// block holds. It keeps one channel selected and reloads every control on
// the refresh notification.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/refresh.h"
#include "editing/channel_editor.h"
#include "editing/history.h"

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

namespace brisvel::app {

// The window side of the equaliser: the gain alert's delay and text, and the
// row shown above the band columns (caedata.dat and freqstyle.xml).
struct EqWindowSettings {
  int alertDelayMs = 8000;
  QString alertText;          // the "Notice" box's text
  bool showFreqId = true;     // the band-number row, else the frequency captions
  QString freqStyleFile;      // the caption fragment; empty or missing: built-in captions
};

class CUIEventHandler : public QObject {
 public:
  static constexpr int kGainAlertTimerId = 1014;

  // Chooses an item of a grouping menu shown at a screen point: the item id,
  // or 0 when the menu was dismissed. The default pops the menu up.
  using MenuChooser = std::function<int(editing::LinkGroup group, const QPoint& screenPoint)>;

  // link may be null: edits then change the block only. refresher may be null.
  CUIEventHandler(ui::HostWindow& window, CEffectStore& store, editing::IEditLink* link,
                  editing::EqSettings settings, RefreshNotifier* refresher);

  // Before Init: the alert and the band-row settings.
  void SetEqWindowSettings(EqWindowSettings settings) { eqWindow_ = std::move(settings); }
  // Looks up the controls, adds the event routes and runs the full refresh.
  void Init();
  // Timer 1014 fired: it stops and the "Notice" box shows the alert text.
  void OnGainAlertTimer();

  // Refresh routines.
  void FullRefresh();
  void TabRefresh();
  void ChannelRefresh();
  // The volume texts and sliders of the channel's linked range.
  void ShowVolume(int channel);
  // The six delay edits in the current unit (the delay dialog applies car delays through it).
  void ApplyCarDelays();

  editing::CChannelEditor& Editor() { return editor_; }
  void SetMenuChooser(MenuChooser chooser) { chooser_ = std::move(chooser); }
  // What the EQ graph draws under a channel's curve (a measurement); asked
  // whenever the graph shows a channel.
  using OverlaySource = std::function<std::shared_ptr<const ui::EqOverlay>(int channel)>;
  void SetOverlaySource(OverlaySource source) { overlaySource_ = std::move(source); }
  // The history whose open step the link and reset actions name; may be null.
  void SetHistory(editing::CEditHistory* history) { history_ = history; }

 private:
  void AddRoutes();
  // Event handlers.
  void OnClick(const ui::Event& e);
  void OnCommitEdit(int id, QWidget* sender);
  void OnStepEdit(int id, QWidget* sender, int step);
  void OnSlider(int id, int position);
  void OnList(int id, int index);
  void OnRadio(int id);
  void OnGrouping(editing::LinkGroup group, ui::SkCheckButton* box);
  void OnThumb(int id, const ui::Event& e);
  void OnResetEq();

  // Show helpers.
  void ShowMaster();
  void ShowBits();
  void ShowGrouping();
  void ShowDelays();
  void ShowEqualiser();
  void ShowEdited(QWidget* edit, const std::string& text);
  void SetList(ui::ComboBox* list, int index);
  void AfterBandEdit(const editing::BandChanges& c);
  void ApplyGainAlert(editing::GainAlert alert);
  void InitEqualiser();
  int ChooseFromMenu(editing::LinkGroup group, const QPoint& at);
  std::string TextOf(QWidget* edit) const;
  bool Foreign(const ui::Event& e) const;

  ui::HostWindow& window_;
  CEffectStore& store_;
  editing::CChannelEditor editor_;
  RefreshNotifier* refresher_;
  MenuChooser chooser_;
  OverlaySource overlaySource_;
  editing::CEditHistory* history_ = nullptr;
  EqWindowSettings eqWindow_;
  bool refreshing_ = false;

  // Controls (absent ones stay null and their updates are skipped).
  ui::SkSlider* masterSlider_ = nullptr;
  ui::SEdit2* masterEdit_ = nullptr;
  ui::SkCheckButton* masterMute_ = nullptr;
  std::array<ui::SkCheckButton*, kChannelCount> select_{}, delaySelect_{}, phase_{}, mute_{};
  std::array<ui::SkSlider*, kChannelCount> volumeSlider_{};
  std::array<ui::SEdit2*, kChannelCount> volumeEdit_{}, delayEdit_{};
  std::array<ui::SkCheckButton*, editing::kLinkGroupCount> grouping_{};
  std::array<ui::SkRadioButton*, 2> inputMode_{};
  std::array<ui::SkRadioButton*, 3> unitRadio_{};
  ui::ComboBox* unitList_ = nullptr;
  ui::ComboBox *hpType_ = nullptr, *hpSlope_ = nullptr, *lpType_ = nullptr, *lpSlope_ = nullptr;
  ui::ComboBox *release_ = nullptr, *noiseGate_ = nullptr;
  ui::SEdit2 *hpFreq_ = nullptr, *lpFreq_ = nullptr, *threshold_ = nullptr, *attack_ = nullptr;
  ui::SkEQ* graph_ = nullptr;
  ui::Element* caption_ = nullptr;
  std::array<ui::SEdit2*, kBandCount> bandFreq_{}, bandQ_{}, bandGain_{};
  std::array<ui::SkSlider*, kBandCount> bandSlider_{};
  std::array<ui::SkCheckButton*, kBandCount> bandHold_{};
  ui::SkCheckButton *bypass_ = nullptr, *peq_ = nullptr, *rowSwitch_ = nullptr;
  QWidget *bandIdRow_ = nullptr, *bandFreqRow_ = nullptr;
};

}  // namespace brisvel::app
