// What every binder of the editing panels shares: the control helpers.
#include <QLineEdit>

#include "app/panel_binders.h"
#include "controls/value_controls.h"
#include "core/channel_names.h"
#include "core/scales.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/ui_event.h"

namespace brisvel::app {

void TellVolume(ui::SkSlider* slider) {
  if (slider) slider->SetValueText([](int position) { return QString::fromStdString(VolumeText(position)); });
}

void ShowChannelLabel(ui::SkCheckButton* button, const ChannelNames& names, int box) {
  if (!button) return;
  const QString label = QString::fromStdString(NamedChannelLabel(names, box));
  button->SetElideText(true);
  if (button->SourceText() != label) button->SetText(label);
  button->SetTip(ChannelNameOf(names, box).empty() ? QString() : label);
}

bool PanelBinder::Foreign(const ui::Event& e) const { return !e.sender || e.sender->window() != &window_; }

std::string PanelBinder::TextOf(const QWidget* edit) {
  auto* e = dynamic_cast<const QLineEdit*>(edit);
  return e ? e->text().toStdString() : std::string();
}

void PanelBinder::SetText(ui::SEdit2* edit, const std::string& text) {
  if (!edit) return;
  const QString t = QString::fromStdString(text);
  if (edit->text() != t) edit->setText(t);
}

void PanelBinder::SetChecked(ui::SkCheckButton* button, bool on) {
  if (button && button->IsChecked() != on) button->SetChecked(on);
}

void PanelBinder::SetSlider(ui::SkSlider* slider, int value) {
  if (slider && slider->Value() != value) slider->SetValue(value);
}

void PanelBinder::SetList(ui::ComboBox* list, int index) {
  if (list && index >= 0 && index < list->count() && list->currentIndex() != index) list->setCurrentIndex(index);
}

void PanelBinder::ShowEdited(QWidget* edit, const std::string& text) {
  if (auto* e = dynamic_cast<ui::SEdit2*>(edit)) SetText(e, text);
}

}  // namespace brisvel::app
