// The bindings of every built-in layout: each id and name that a window's
// code binds (routes events of, or looks up) exists in the layout, and each
// control the user can operate is bound by the window that shows the layout.
// A control added to a layout without a handler, or a handler left pointing
// at a control that was renamed, fails here.

#include <gtest/gtest.h>

#include <QApplication>
#include <set>

#include "app/application.h"
#include "app/dlg_copy_channel.h"
#include "app/dlg_delay_settings.h"
#include "app/dlg_measure.h"
#include "app/dlg_measurement.h"
#include "app/dlg_mix_sound.h"
#include "app/layout_ids/xml_measurement.h"
#include "app/ui_event_handler.h"
#include "app/layout_ids/xml_delaysettings.h"
#include "app/layout_ids/xml_mixsoundwd.h"
#include "app/layout_ids/xml_about.h"
#include "app/main_dlg.h"
#include "app/mini_dlg.h"
#include "app_test_support.h"
#include "controls/car_view.h"
#include "controls/eq_graph.h"
#include "controls/value_controls.h"
#include "presets/advanced_login.h"
#include "presets/sys_setting.h"
#include "ui/basic_controls.h"
#include "ui/layout_loader.h"
#include "ui/message_box.h"
#include "ui/progress_dialog.h"
#include "ui/tip_window.h"

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;

// A control that reports what the user does with it.
bool IsInteractive(QWidget* w) {
  return dynamic_cast<ui::Button*>(w) || dynamic_cast<ui::ImageButton*>(w) || dynamic_cast<ui::SkCheckButton*>(w) ||
         dynamic_cast<ui::SkSlider*>(w) || dynamic_cast<ui::SkRotaryKnob*>(w) || dynamic_cast<ui::Edit*>(w) ||
         dynamic_cast<ui::ComboBox*>(w) || dynamic_cast<ui::TabControl*>(w) || dynamic_cast<ui::SMoveThumb*>(w) ||
         dynamic_cast<ui::SkCarThumb*>(w);
}

// What is wrong with the bindings of a built window. A modal dialog's OK (1),
// Cancel (2) and close button are bound by the toolkit itself.
QStringList BindingProblems(ui::HostWindow& w, bool dialog) {
  QStringList problems;
  std::set<int> ids = w.LookedUpIds();
  std::set<QString> names = w.LookedUpNames();
  for (const ui::EventRouter::Route& r : w.Router().Routes()) {
    if (!r.name.isEmpty()) {
      names.insert(r.name);
    } else if (r.last - r.first > 1000) {
      problems << QString("route %1 ... %2 covers more than the layout's ids").arg(r.first).arg(r.last);
    } else {
      for (int id = r.first; id <= r.last; ++id) ids.insert(id);
    }
  }
  for (int id : ids)
    if (!ui::FindById(w.Root(), id)) problems << QString("id %1 is bound but not in the layout").arg(id);
  for (const QString& name : names)
    if (!ui::FindByName(w.Root(), name)) problems << QString("name %1 is bound but not in the layout").arg(name);
  for (QWidget* c : w.Root()->findChildren<QWidget*>()) {
    if (!IsInteractive(c)) continue;
    const int id = ui::ElementId(c);
    const QString name = c->objectName();
    // A car view's points report through the view.
    QWidget* owner = dynamic_cast<ui::SkCarThumb*>(c) ? c->parentWidget() : nullptr;
    const bool viaOwner = owner && !owner->objectName().isEmpty() && names.count(owner->objectName());
    const bool bound = viaOwner || (id != 0 && ids.count(id)) || (!name.isEmpty() && names.count(name)) ||
                       (dialog && (id == ui::HostWindow::kOkButtonId || id == ui::HostWindow::kCancelButtonId ||
                                   name == "btn_close"));
    if (!bound)
      problems << QString("%1 id %2 name '%3' is not bound").arg(c->metaObject()->className()).arg(id).arg(name);
  }
  return problems;
}

TEST(Bindings, TheCheckFindsMissingAndUnboundControls) {
  ui::HostWindow w;
  ASSERT_TRUE(w.LoadLayoutXml(R"(<layout width="200" height="100">
    <button id="5" pos="0,0" size="40,20"/>
    <button name="bound" pos="50,0" size="40,20"/>
    <skslider id="7" pos="100,0" size="16,90"/>
  </layout>)"));
  w.Router().OnName(ui::EventCmd, "bound", [](const ui::Event&) {});
  w.Router().OnId(ui::EventCmd, 6, [](const ui::Event&) {});
  w.FindByName("renamed");
  const QStringList problems = BindingProblems(w, false);
  EXPECT_EQ(problems.size(), 4) << problems.join("; ").toStdString();
  EXPECT_TRUE(problems.join("|").contains("id 6 is bound"));
  EXPECT_TRUE(problems.join("|").contains("name renamed is bound"));
  EXPECT_TRUE(problems.join("|").contains("id 5 name '' is not bound"));
  EXPECT_TRUE(problems.join("|").contains("id 7 name '' is not bound"));
}

TEST(Bindings, EveryBuiltInLayoutIsBoundByItsWindow) {
  PrivateFolders folders;
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  std::set<QString> checked;
  auto check = [&](ui::HostWindow& w, bool dialog) {
    ASSERT_TRUE(w.IsLoaded());
    checked.insert(w.LayoutName());
    for (const QString& p : BindingProblems(w, dialog))
      ADD_FAILURE() << w.LayoutName().toStdString() << ": " << p.toStdString();
  };

  check(*console.app->CompactWindow(), false);
  check(*console.app->MainWindow(), false);

  presets::CLoginDlg login(QString::fromLatin1(presets::kLoginLayout));
  ASSERT_TRUE(login.Create());
  check(login, true);

  CAboutDlg about(QString::fromLatin1(layout::about::kLayout));
  ASSERT_TRUE(about.Create());
  check(about, true);

  for (ui::MessageButtons buttons : {ui::MessageButtons::Ok, ui::MessageButtons::YesNo}) {
    ui::HostWindow box;
    ui::MessageBoxRequest request;
    request.text = "Device not connected";
    request.buttons = buttons;
    ASSERT_TRUE(ui::BuildMessageBox(box, request));
    check(box, true);
  }

  CDlgDelaySettings delay(QString::fromLatin1(layout::delaysettings::kLayout), nullptr,
                          CarDelaySettings::Default(), CDlgDelaySettingsHandler::ApplyFn());
  ASSERT_TRUE(delay.Create());
  check(delay, true);

  CDlgCopyChannel copy(QString::fromLatin1(kCopyChannelLayout), nullptr, 2, ChannelNames{});
  ASSERT_TRUE(copy.Create());
  check(copy, true);

  CDlgMixSound mixing(QString::fromLatin1(layout::mixsoundwd::kLayout), nullptr, console.app->Store());
  ASSERT_TRUE(mixing.Create());
  check(mixing, true);

  MeasurementSession session;
  CDlgMeasurement measurement(QString::fromLatin1(layout::measurement::kLayout), nullptr, *console.app,
                              console.app->MainWindow(), console.app->MainWindow()->Handler()->Editor(), session,
                              QtFileChooser());
  ASSERT_TRUE(measurement.Create());
  check(measurement, true);

  CDlgMeasure measure(QString::fromLatin1(kMeasureLayout), nullptr, *console.app,
                      console.app->MainWindow()->Handler()->Editor(), session);
  ASSERT_TRUE(measure.Create());
  check(measure, true);

  ui::CDlgProgress progress;
  ASSERT_TRUE(progress.Create());
  check(progress, true);

  presets::PresetContext presetContext{.config = console.app->Config(), .store = console.app->Store()};
  for (const char* layout : {layout::sys_setting::kDevicePresetLayout, layout::sys_setting::kMyPresetLayout,
                             layout::sys_setting::kSysSettingLayout}) {
    presets::CSysSettingDlg settings(QString::fromLatin1(layout), nullptr, presetContext);
    ASSERT_TRUE(settings.Create());
    check(settings, true);
  }

  ui::CTipWnd tip;
  tip.ShowText("Saved", 1000);
  check(tip, false);
  tip.hide();

  // Every layout of the console has its window here (the gallery of the
  // screenshots is not part of the console).
  for (const QString& name : ui::LayoutNames()) {
    EXPECT_TRUE(checked.count(name)) << name.toStdString() << " has no binding check";
  }
}

}  // namespace
}  // namespace brisvel::app
