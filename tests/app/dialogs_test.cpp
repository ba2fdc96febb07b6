// The delay settings and input mixing dialogs in process: what they show at
// opening, what an edit writes into the block, what closing keeps, and the
// refresh after the mixing dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include "app/demo/simulated_device.h"
#include "app/dlg_delay_settings.h"
#include "device/sim_processor.h"
#include "app/dlg_mix_sound.h"
#include "app/layout_ids/xml_about.h"
#include "app/layout_ids/xml_delaysettings.h"
#include "app/layout_ids/xml_mixsoundwd.h"
#include "app/main_dlg.h"
#include "app_test_support.h"
#include "controls/car_view.h"
#include "controls/value_controls.h"
#include "core/param_table.h"

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;

// Runs f on the dialog once it is shown modally.
void WhenModal(const std::function<void(QWidget*)>& f) {
  QTimer::singleShot(0, [f] {
    QWidget* w = nullptr;
    test::WaitUntil([&] { return (w = QApplication::activeModalWidget()) != nullptr; }, 5000);
    f(w);
  });
}

void Click(ui::HostWindow& dlg, const QString& name) { ui::RaiseEvent(dlg.FindByName(name), ui::CmdArgs{}); }

TEST(DelayDialog, OpensOnTheDefaultsAndAppliesDragsDefaultAndUndo) {
  std::vector<CarDelaySettings> applied;
  CDlgDelaySettings dlg(QString::fromLatin1(layout::delaysettings::kLayout), nullptr, CarDelaySettings::Default(),
                        [&](const CarDelaySettings& r) { applied.push_back(r); });
  ASSERT_TRUE(dlg.Create());
  EXPECT_EQ(dlg.size(), QSize(650, 846));
  ui::SkCar* car = dlg.Handler().CarView();
  ASSERT_NE(car, nullptr);
  EXPECT_EQ(car->SpeakerCount(), 6);
  EXPECT_EQ(car->SpeakerMm(0), (CarPoint{0, 2680}));
  EXPECT_EQ(car->SpeakerMm(5), (CarPoint{1216, 0}));
  EXPECT_EQ(car->ListenerMm(), (CarPoint{530, 1580}));
  EXPECT_TRUE(applied.empty());  // opening applies nothing

  // Undo right after opening applies the opening positions.
  Click(dlg, "btnUndo");
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0].positionsValid, 1);
  EXPECT_EQ(applied[0].speakers[0], (CarPoint{0, 2680}));

  // A drag of CH1 onto the listener: CH1 gets the largest delay, the farthest speaker none.
  QPoint p(car->ListenerPx().x, car->ListenerPx().y);
  car->OnThumbMoved(p, 1);
  ASSERT_EQ(applied.size(), 2u);
  EXPECT_EQ(applied[1].speakers[0], car->SpeakerMm(0));
  double least = 1e9, most = 0;
  for (double d : applied[1].delays) {
    least = std::min(least, d);
    most = std::max(most, d);
  }
  EXPECT_EQ(least, 0.0);
  EXPECT_EQ(applied[1].delays[0], most);
  // The working record waits for the close.
  EXPECT_EQ(dlg.Handler().Record().positionsValid, 0);

  Click(dlg, "btnDefault");
  ASSERT_EQ(applied.size(), 3u);
  EXPECT_EQ(car->SpeakerMm(0), (CarPoint{0, 2680}));
}

TEST(DelayDialog, ClosingStoresThePositionsAndReopeningShowsThem) {
  PrivateFolders folders;
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  CApplication& app = *console.app;
  CarPoint moved{};
  WhenModal([&](QWidget* w) {
    auto* dlg = dynamic_cast<CDlgDelaySettings*>(w);
    ASSERT_NE(dlg, nullptr);
    ui::SkCar* car = dlg->Handler().CarView();
    QPoint p(car->SpeakerPx(2).x + 40, car->SpeakerPx(2).y - 60);
    car->OnThumbMoved(p, 3);
    moved = car->SpeakerMm(2);
    Click(*dlg, "btn_close");
  });
  OpenDelaySettings(app, app.MainWindow());
  EXPECT_NE(moved, (CarPoint{0, 0}));
  EXPECT_TRUE(folders.ReadConfig().contains("Delay"));
  EXPECT_EQ(app.Config().CarDelay().positionsValid, 1);
  EXPECT_EQ(app.Config().CarDelay().speakers[2], moved);
  // CH3 drives Box 4.
  EXPECT_EQ(app.Store().GetParam(param::Delay(4)),
            static_cast<uint16_t>(std::min(app.Config().CarDelay().delays[2] / 346.0, 20.0) * 48));

  CarPoint shown{};
  WhenModal([&](QWidget* w) {
    auto* dlg = dynamic_cast<CDlgDelaySettings*>(w);
    ASSERT_NE(dlg, nullptr);
    shown = dlg->Handler().CarView()->SpeakerMm(2);
    dlg->reject();  // the window manager's close keeps them too
  });
  OpenDelaySettings(app, app.MainWindow());
  EXPECT_EQ(shown, moved);
  EXPECT_EQ(app.Config().CarDelay().speakers[2], moved);
}

TEST(MixDialog, ShowsTheBlockGreysInputsAndEditsOverTheLinkRange) {
  PrivateFolders folders;
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  CEffectStore& store = console.app->Store();
  store.SetLinkFlag(0, 3);  // the front pair, Box 2 and 3
  store.SetCurrentChannel(2);
  store.SetParam(param::kMuteCtrl, 0x3F);
  CDlgMixSound dlg(QString::fromLatin1(layout::mixsoundwd::kLayout), nullptr, store);
  ASSERT_TRUE(dlg.Create());
  EXPECT_EQ(dlg.size(), QSize(1202, 702));
  EXPECT_TRUE(dlg.Find<ui::SkCheckButton>(layout::mixsoundwd::kMasterMute)->IsChecked());
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(dlg.Find<ui::SkCheckButton>(layout::mixsoundwd::kChannelLabel + k)->IsChecked(), k == 2 || k == 3);
    EXPECT_EQ(dlg.Find<ui::SkCheckButton>(layout::mixsoundwd::kCoupling + k)->IsChecked(), k == 2 || k == 3);
  }
  for (int id : {7000, 7053, 8000, 8053, 7800, 7853}) {
    QWidget* w = dlg.FindById(id);
    ASSERT_NE(w, nullptr) << id;
    EXPECT_FALSE(w->isEnabled()) << id;
    EXPECT_EQ(ui::AsElement(w)->SourceTip(), "Not available on this processor");
  }
  // and the caption says so where it is seen.
  const ui::Element* note = ui::AsElement(dlg.FindByName("txt_inputs_note"));
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->SourceText().contains("not available")) << note->SourceText().toStdString();
  // The greyed texts are drawn fainter than the usable ones.
  const QPalette greyed = dlg.FindById(8000)->palette();
  EXPECT_LT(greyed.color(QPalette::Disabled, QPalette::Text).alpha(), greyed.color(QPalette::Active, QPalette::Text).alpha());
  // At opening no control holds the focus, so none shows a focus frame.
  dlg.show();
  dlg.activateWindow();
  QApplication::processEvents();
  EXPECT_EQ(dlg.focusWidget(), dlg.Root());
  dlg.hide();
  ui::RaiseEvent(dlg.FindById(layout::mixsoundwd::kChannelLevel + 3), ui::SliderPosArgs{40});
  EXPECT_EQ(store.GetParam(param::Volume(2)), 40);
  EXPECT_EQ(dlg.Find<ui::SkSlider>(layout::mixsoundwd::kChannelLevel + 2)->Value(), 40);
  EXPECT_EQ(dlg.Find<QLineEdit>(layout::mixsoundwd::kChannelText + 2)->text(), "-20dB");

  auto* master = dlg.Find<QLineEdit>(layout::mixsoundwd::kMasterText);
  master->setText(" -3.7\n");
  ui::RaiseEvent(master, ui::KillFocusArgs{});
  EXPECT_EQ(store.GetParam(param::kMainVol), 57);
  EXPECT_EQ(master->text(), "-3dB");
  EXPECT_EQ(dlg.Find<ui::SkSlider>(layout::mixsoundwd::kMasterLevel)->Value(), 57);

  auto* mute = dlg.Find<ui::SkCheckButton>(layout::mixsoundwd::kMute + 1);
  mute->SetChecked(false);
  ui::RaiseEvent(mute, ui::CmdArgs{});
  EXPECT_EQ(store.GetParam(param::kMuteCtrl), 0x3D);
  EXPECT_FALSE(dlg.Find<ui::SkCheckButton>(layout::mixsoundwd::kMasterMute)->IsChecked());
}

TEST(MixDialog, ClosingRefreshesTheMainWindow) {
  PrivateFolders folders;
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  int full = 0;
  QObject::connect(&console.app->Refresher(), &RefreshNotifier::Refresh,
                   [&](RefreshKind k) { full += k == RefreshKind::kFull; });
  WhenModal([&](QWidget* w) {
    auto* dlg = dynamic_cast<CDlgMixSound*>(w);
    ASSERT_NE(dlg, nullptr);
    Click(*dlg, "btn_close");
  });
  EXPECT_EQ(OpenMixSound(*console.app, console.app->MainWindow()), ui::HostWindow::kCancelButtonId);
  EXPECT_EQ(full, 1);
  // The Config menu offers the dialog in both languages.
  bool offered = false;
  for (const auto& [command, text] : CMainDlg::ConfigMenuItems(1)) offered |= command == kCmdMixing && text == "混音调节";
  EXPECT_TRUE(offered);
}

}  // namespace
}  // namespace brisvel::app

namespace brisvel::app {
namespace {

using test::PrivateFolders;
using test::StartedConsole;

TEST(AboutBox, TellsWhatTheProcessorReportsAskedAfreshOrWhyItCannot) {
  PrivateFolders folders;
  folders.WriteConfig("[Config]\nLang=1\n");
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  CApplication& app = *console.app;
  ASSERT_TRUE(app.IsConnected());
  // Reply bytes 4 to 36: the date 2025-03-17, items 3, 2, 4 and 6, then item 7.
  std::array<uint8_t, 33> info{};
  info[0] = 0x7E;  // year 2025 = 0x7E9: 0x7E << 4 | 0x9
  info[1] = 0x93;  // ... and month 3
  info[2] = 17;
  info[3] = 2;     // item 3
  info[4] = 1;     // item 2
  info[5] = 4;     // item 4
  info[6] = 7;     // item 6
  info[7] = 0x02;  // item 7 = 258
  info[8] = 0x01;
  app.Simulator()->Processor()->SetDeviceInformation(info);
  EXPECT_EQ(ProcessorInformationText(app), "Processor 1.2.4.7 (258), dated 2025-03-17");

  CAboutDlg about(QString::fromLatin1(layout::about::kLayout), nullptr, ProcessorInformationText(app));
  ASSERT_TRUE(about.Create());
  const ui::Element* line = ui::AsElement(about.FindByName(QString::fromLatin1(layout::about::kProcessor)));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->ShownText(), "Processor 1.2.4.7 (258), dated 2025-03-17");
  const ui::Element* version = ui::AsElement(about.FindByName(QString::fromLatin1(layout::about::kVersion)));
  ASSERT_NE(version, nullptr);
  EXPECT_FALSE(version->ShownText().startsWith("V")) << "the version string as it stands";

  // The main window shows the active device mode beside "Memory" while connected.
  const ui::Element* mode = ui::AsElement(app.MainWindow()->FindByName(QStringLiteral("device_mode")));
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->ShownText(), DeviceModeText(app.Store().CurrentDeviceMode()));
  EXPECT_TRUE(mode->ShownText().startsWith("USER-")) << mode->ShownText().toStdString();
  EXPECT_EQ(DeviceModeText(2), "USER-3 (C)");

  app.Simulator()->Unplug();
  ASSERT_TRUE(test::WaitUntil([&] { return !app.IsConnected(); }, 10000));
  EXPECT_EQ(ProcessorInformationText(app), "No processor is connected");
  EXPECT_TRUE(test::WaitUntil([&] { return mode->ShownText().isEmpty(); }, 5000));
}

}  // namespace
}  // namespace brisvel::app
