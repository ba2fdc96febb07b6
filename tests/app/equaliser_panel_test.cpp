// The equaliser panel of the main window on the offscreen platform: the gain
// range on the graph and the sliders, the two rows above the band columns
// with an installer's caption fragment, GEQ/PEQ, the bypass display, the
// volumes after the gain compensation, and the gain alert's timer and box.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "app/freq_style.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/ui_event_handler.h"
#include "app_test_support.h"
#include "controls/eq_graph.h"
#include "controls/value_controls.h"
#include "core/scales.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/message_box.h"
#include "ui/translation.h"
#include "ui/ui_event.h"

namespace brisvel::app {
namespace {

namespace ids = layout::mainwnd;

// The main window's layout with the controller, its timer 1014 handed to the
// controller as the main window does.
class PanelWindow : public ui::HostWindow {
 public:
  CUIEventHandler* handler = nullptr;

 protected:
  void OnTimer(int id) override {
    if (id == CUIEventHandler::kGainAlertTimerId && handler) handler->OnGainAlertTimer();
    else HostWindow::OnTimer(id);
  }
};

class EqualiserPanel : public ::testing::Test {
 protected:
  // The texts are checked in English, whatever an earlier console left set.
  void SetUp() override { ui::SetTranslation(ui::TranslatorForLanguage(1)); }
  void Open(editing::EqSettings eq, EqWindowSettings windowSettings = {}) {
    store.RebuildResponses();
    ASSERT_TRUE(window.LoadLayout(QString::fromLatin1(ids::kLayout)));
    window.show();
    handler = std::make_unique<CUIEventHandler>(window, store, nullptr, eq, nullptr);
    handler->SetEqWindowSettings(std::move(windowSettings));
    window.handler = handler.get();
    handler->Init();
    graph = window.Find<ui::SkEQ>(QString::fromLatin1(ids::kGraph));
    ASSERT_NE(graph, nullptr);
  }
  template <class T>
  T* C(int id) {
    T* c = window.Find<T>(id);
    EXPECT_NE(c, nullptr) << id;
    return c;
  }
  QString Text(int id) { return C<ui::SEdit2>(id)->text(); }
  void Type(int id, const QString& text) {
    auto* e = C<ui::SEdit2>(id);
    e->setText(text);
    ui::RaiseEvent(e, ui::KillFocusArgs{});
  }
  void Click(int id, bool checkTo) {
    auto* b = C<ui::SkCheckButton>(id);
    b->SetChecked(checkTo);
    ui::RaiseEvent(b, ui::CmdArgs{});
  }
  bool Checked(int id) { return C<ui::SkCheckButton>(id)->IsChecked(); }
  QWidget* Row(const char* name) { return window.FindByName(QString::fromLatin1(name)); }

  CEffectStore store;
  PanelWindow window;
  std::unique_ptr<CUIEventHandler> handler;
  ui::SkEQ* graph = nullptr;
};

TEST_F(EqualiserPanel, TheGainRangeSizesTheGraphAndTheSliders) {
  Open({-12, 12, 0.0, false});
  EXPECT_EQ(graph->DbMax(), 12);
  EXPECT_EQ(graph->DbMin(), -12);
  EXPECT_EQ(graph->DbLabelStep(), 6);
  EXPECT_DOUBLE_EQ(graph->YToGain(graph->Metrics().plotTop), 12.0);
  auto* slider = C<ui::SkSlider>(ids::kBandSlider + 4);
  EXPECT_EQ(slider->Min(), -120);
  EXPECT_EQ(slider->Max(), 120);
  Type(ids::kBandGain + 4, "15");
  EXPECT_EQ(Text(ids::kBandGain + 4), "12.0");
  EXPECT_EQ(slider->Value(), 120);
}

TEST_F(EqualiserPanel, TheRowSwitchAndAnInstallersCaptionFragment) {
  QTemporaryDir dir;
  const QString file = dir.path() + "/freqstyle.xml";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("<row size=\"991,18\" layout=\"hbox\"><text name=\"cap_low\" text=\"Low\" size=\"400,18\"/>"
          "<text name=\"cap_high\" text=\"High\" size=\"591,18\"/></row>");
  f.close();
  Open({}, {8000, {}, false, file});
  QWidget* ids = Row(layout::mainwnd::kBandIdRow);
  QWidget* captions = Row(layout::mainwnd::kBandFreqRow);
  ASSERT_TRUE(ids && captions);
  EXPECT_FALSE(ids->isVisible());
  EXPECT_TRUE(captions->isVisible());
  EXPECT_FALSE(Checked(layout::mainwnd::kRowSwitch));
  // One plain container holds the fragment's controls.
  int containers = 0;
  for (QObject* o : captions->children())
    if (ui::AsElement(qobject_cast<QWidget*>(o))) ++containers;
  EXPECT_EQ(containers, 1);
  auto* low = ui::AsElement(window.FindByName("cap_low"));
  ASSERT_NE(low, nullptr);
  EXPECT_EQ(low->SourceText(), "Low");
  EXPECT_TRUE(window.FindByName("cap_low")->isVisible());

  Click(layout::mainwnd::kRowSwitch, true);
  EXPECT_TRUE(ids->isVisible());
  EXPECT_FALSE(captions->isVisible());
  Click(layout::mainwnd::kRowSwitch, false);
  EXPECT_FALSE(ids->isVisible());
  EXPECT_TRUE(captions->isVisible());
}

TEST_F(EqualiserPanel, ABrokenCaptionFragmentKeepsTheBuiltInCaptions) {
  QTemporaryDir dir;
  const QString file = dir.path() + "/freqstyle.xml";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("<row><text text=\"Low\"></row>");
  f.close();
  Open({}, {8000, {}, true, file});
  QWidget* captions = Row(layout::mainwnd::kBandFreqRow);
  ASSERT_NE(captions, nullptr);
  int texts = 0;
  for (QObject* o : captions->children())
    if (dynamic_cast<ui::TextLabel*>(o)) ++texts;
  EXPECT_EQ(texts, 7);
  EXPECT_FALSE(captions->isVisible());
  EXPECT_TRUE(Row(layout::mainwnd::kBandIdRow)->isVisible());
  EXPECT_TRUE(Checked(layout::mainwnd::kRowSwitch));  // every click switches the rows
  EXPECT_FALSE(ReplaceFrequencyCaptions(captions, "no xml"));
  EXPECT_FALSE(ReplaceFrequencyCaptionsFromFile(captions, dir.path() + "/missing.xml"));
}

TEST_F(EqualiserPanel, PeqEnablesTheTypedValuesAndTheQHandles) {
  Open({});
  EXPECT_FALSE(C<ui::SEdit2>(ids::kBandFreq + 9)->isEnabled());
  EXPECT_FALSE(C<ui::SEdit2>(ids::kBandQ + 9)->isEnabled());
  EXPECT_TRUE(C<ui::SEdit2>(ids::kBandGain + 9)->isEnabled());
  Type(ids::kBandGain + 9, "6");  // band 10 becomes the current section
  EXPECT_FALSE(graph->Handle(ui::SkEQ::kDataLeftQ)->isVisible());
  Click(ids::kPeq, true);
  EXPECT_TRUE(C<ui::SEdit2>(ids::kBandFreq + 9)->isEnabled());
  EXPECT_TRUE(C<ui::SEdit2>(ids::kBandQ + 30)->isEnabled());
  ASSERT_TRUE(graph->Handle(ui::SkEQ::kDataLeftQ)->isVisible());
  EXPECT_EQ(graph->Handle(ui::SkEQ::kDataRightQ)->OwnerBand(), 9);
  Click(ids::kPeq, false);
  EXPECT_FALSE(graph->Handle(ui::SkEQ::kDataRightQ)->isVisible());
  EXPECT_FALSE(C<ui::SEdit2>(ids::kBandQ + 9)->isEnabled());
}

TEST_F(EqualiserPanel, BypassShowsZeroesAndTheGraphFollowsEveryBandEdit) {
  Open({});
  const int ch = store.CurrentChannel();
  for (int b = 0; b < kBandCount; ++b) store.SetParam(param::EqGain(ch, b), 300);
  store.RebuildResponses();
  handler->FullRefresh();
  EXPECT_EQ(Text(ids::kBandGain), "3.0");
  EXPECT_GT(store.Response(ch).Peak(), 3.0);
  Click(ids::kBypass, true);
  for (int b = 0; b < kBandCount; ++b) {
    EXPECT_EQ(Text(ids::kBandGain + b), "0.0") << b;
    EXPECT_TRUE(Checked(ids::kBandHold + b)) << b;
  }
  EXPECT_EQ(graph->Model(), &store.Response(ch));
  EXPECT_NEAR(graph->Model()->Peak(), 0.0, 1e-9);
  // The band handle sits on the 0 dB line.
  const ui::SMoveThumb* h = graph->Handle(4);
  EXPECT_EQ(h->y() + h->height() / 2, graph->GainToY(0));
  Click(ids::kBypass, false);
  EXPECT_EQ(Text(ids::kBandGain + 30), "3.0");
  EXPECT_FALSE(Checked(ids::kBandHold + 30));
  EXPECT_FALSE(Checked(ids::kBypass));
  EXPECT_EQ(h->y() + h->height() / 2, graph->GainToY(3.0));
  // A band box of a band at 0 dB stays checked.
  Type(ids::kBandGain + 7, "0");
  EXPECT_TRUE(Checked(ids::kBandHold + 7));
  Click(ids::kBandHold + 7, false);
  EXPECT_TRUE(Checked(ids::kBandHold + 7));
}

TEST_F(EqualiserPanel, TheCompensatedVolumeShowsAtOnce) {
  Open({-20, 20, 1.0, false});
  store.SetCurrentChannel(2);  // CH1
  store.SetParam(param::kMainVol, 60);
  store.SetParam(param::Volume(2), 60);
  handler->FullRefresh();
  Type(ids::kBandGain + 3, "6");
  EXPECT_EQ(store.GetParam(param::Volume(2)), 54);
  EXPECT_EQ(Text(ids::kChannelEdit + 2), QString::fromStdString(VolumeText(54)));
  EXPECT_EQ(C<ui::SkSlider>(ids::kChannelSlider + 2)->Value(), 54);
  Type(ids::kBandGain + 3, "0");
  EXPECT_EQ(Text(ids::kChannelEdit + 2), QString::fromStdString(VolumeText(60)));
}

TEST_F(EqualiserPanel, TheGainAlertWaitsOutItsDelayAndALowerEditCancelsIt) {
  std::optional<ui::MessageBoxRequest> shown;
  ui::SetMessageBoxResponder([&](const ui::MessageBoxRequest& r) {
    shown = r;
    return ui::kIdOk;
  });
  Open({-20, 20, 0.0, true}, {150, QStringLiteral("Too loud"), true, {}});
  store.SetCurrentChannel(2);
  handler->FullRefresh();
  Type(ids::kBandGain + 17, "20");
  EXPECT_FALSE(window.HasTimer(CUIEventHandler::kGainAlertTimerId));
  Type(ids::kBandGain + 18, "20");  // the summed response peaks above 25.5 dB
  EXPECT_TRUE(window.HasTimer(CUIEventHandler::kGainAlertTimerId));
  Type(ids::kBandGain + 18, "10");
  EXPECT_FALSE(window.HasTimer(CUIEventHandler::kGainAlertTimerId));
  test::WaitUntil([] { return false; }, 400);
  EXPECT_FALSE(shown.has_value());

  // Raised again, the box shows once the delay has passed.
  Type(ids::kBandGain + 18, "20");
  ASSERT_TRUE(test::WaitUntil([&] { return shown.has_value(); }, 5000));
  EXPECT_EQ(shown->caption, "Notice");
  EXPECT_EQ(shown->text, "Too loud");
  EXPECT_FALSE(window.HasTimer(CUIEventHandler::kGainAlertTimerId));  // shown once
  ui::SetMessageBoxResponder({});
}

}  // namespace
}  // namespace brisvel::app
