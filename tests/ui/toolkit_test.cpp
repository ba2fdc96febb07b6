// Tests of the toolkit: attribute parsing, layouts and fragments, element
// registry, skins, event routing, message boxes, translations,
// the timed tip and the progress dialog.

#include "ui/basic_controls.h"
#include "ui/layout_loader.h"
#include "ui/message_box.h"
#include "ui/popup_menu.h"
#include "ui/progress_dialog.h"
#include "ui/skin.h"
#include "ui/tip_window.h"
#include "ui/translation.h"
#include "ui_test_support.h"

#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace brisvel::ui::test {
namespace {

TEST(AttributeTest, ColoursAndPositions) {
  EXPECT_EQ(ParseColor("#273444"), QColor(0x27, 0x34, 0x44));
  EXPECT_EQ(ParseColor("#c027c0ff"), QColor(0xc0, 0x27, 0xc0, 0xff));
  EXPECT_EQ(ParseColor("#80808050")->alpha(), 0x50);
  EXPECT_FALSE(ParseColor("red"));
  EXPECT_FALSE(ParseColor("#12345"));
  EXPECT_FALSE(ParseColor("#zz0000"));
  const PosSpec p = PosSpec::Parse("10,-5,|3,50%");
  ASSERT_EQ(p.count, 4);
  EXPECT_EQ(p.c[0].Resolve(200), 10);
  EXPECT_EQ(p.c[1].Resolve(200), 195);
  EXPECT_EQ(p.c[2].Resolve(200), 103);
  EXPECT_EQ(p.c[3].Resolve(200), 100);
  EXPECT_EQ(PosSpec::Parse("1,2,3").count, 0);
}

TEST(AttributeTest, FontsFallBackToACjkFaceWhenTheFaceIsMissing) {
  const QFont base;
  const QFont f = ParseFont("face:Arial,size:11,bold:1", base);
  EXPECT_EQ(f.pixelSize(), 11);
  EXPECT_TRUE(f.bold());
  EXPECT_EQ(f.families().front(), "Arial");
  EXPECT_EQ(ParseFont("size:13,adding:24", base).pixelSize(), 37);
  if (CjkFontFamily().isEmpty()) GTEST_SKIP() << "no CJK font installed";
  const QFont song = ParseFont(QString::fromUtf8("face:宋体,size:12"), base);
  if (!QFontDatabase::hasFamily(QString::fromUtf8("宋体"))) {
    EXPECT_EQ(song.families().front(), CjkFontFamily());
  }
  // Latin faces keep the CJK face behind them for Chinese texts.
  if (!QFontDatabase::hasFamily("Arial")) {
    EXPECT_TRUE(f.families().contains(CjkFontFamily()));
  }
}

TEST(LayoutTest, LinearLayoutsPlaceBySizeWeightSpacingAndMargins) {
  auto host = MakeHost(R"(<layout width="300" height="200" layout="vbox" padding="5" spacing="4">
    <window name="top" size="-2,30"/>
    <window name="mid" size="-2,-2" weight="1" layout="hbox" spacing="10" gravity="vcenter">
      <button name="a" size="50,20"/>
      <button name="b" size="-2,20" weight="1" margin="3,0,7,0"/>
      <button name="c" size="40,-2" show="0"/>
    </window>
    <text name="t" text="abc" size="100,20" layout_gravity="right"/>
  </layout>)");
  ASSERT_TRUE(host);
  EXPECT_EQ(host->size(), QSize(300, 200));
  EXPECT_EQ(host->FindByName("top")->geometry(), QRect(5, 5, 290, 30));
  const QRect mid = host->FindByName("mid")->geometry();
  EXPECT_EQ(mid, QRect(5, 39, 290, 200 - 5 - 5 - 30 - 20 - 8));
  EXPECT_EQ(host->FindByName("a")->geometry(), QRect(0, (mid.height() - 20) / 2, 50, 20));
  // b takes what a, c, the spacing and its margins leave; hidden c keeps its place.
  EXPECT_EQ(host->FindByName("b")->geometry().width(), 290 - 50 - 40 - 20 - 10);
  EXPECT_EQ(host->FindByName("b")->geometry().left(), 63);
  EXPECT_EQ(host->FindByName("c")->geometry().left(), 250);
  EXPECT_FALSE(host->FindByName("c")->isVisible());
  EXPECT_EQ(host->FindByName("t")->geometry(), QRect(195, 175, 100, 20));
}

TEST(LayoutTest, AbsolutePositionsAndLookupByNameAndId) {
  auto host = MakeHost(R"(<layout width="200" height="100">
    <text id="801" name="caption" text="CH 1" pos="50,30"/>
    <window name="box" pos="10,-40,-10,-0"><img name="pic" pos="|0,|0" size="20,10" offset="-0.5,-0.5"/></window>
    <unknownthing id="5"/>
  </layout>)");
  ASSERT_TRUE(host);
  EXPECT_EQ(host->FindById(801), host->FindByName("caption"));
  EXPECT_EQ(host->FindById(801)->pos(), QPoint(50, 30));
  EXPECT_EQ(host->FindByName("box")->geometry(), QRect(10, 60, 180, 40));
  EXPECT_EQ(host->FindByName("pic")->geometry(), QRect(80, 15, 20, 10));
  EXPECT_EQ(host->FindById(5), nullptr);
  EXPECT_EQ(host->Find<Button>(801), nullptr);  // wrong type: not found
}

// A dialog opens centred over its owner's window, even when the owner is a
// control inside it; without an owner it stays where it is.
TEST(LayoutTest, DialogsCentreOnTheirOwnersWindow) {
  auto owner = MakeHost(R"(<layout width="400" height="300"><window name="inner" pos="10,10" size="50,50"/></layout>)");
  auto dialog = MakeHost(R"(<layout width="100" height="80"/>)");
  ASSERT_TRUE(owner && dialog);
  owner->setGeometry(200, 100, 400, 300);
  dialog->CentreOn(owner->FindByName("inner"));
  EXPECT_EQ(dialog->geometry().center(), owner->geometry().center());
  const QPoint placed = dialog->pos();
  dialog->CentreOn(nullptr);
  EXPECT_EQ(dialog->pos(), placed);
}

TEST(LayoutTest, BuiltInLayoutsAndFragments) {
  EXPECT_FALSE(LayoutResource("XML_PROGRESS").isEmpty());
  EXPECT_EQ(LayoutResource("LAYOUT:XML_TOOLTIP"), LayoutResource("XML_TOOLTIP"));
  EXPECT_TRUE(LayoutResource("XML_NOPE").isEmpty());
  EXPECT_TRUE(LayoutResource("_styles").isEmpty());
  const QStringList names = LayoutNames();
  for (const char* n : {"XML_MSGBOX", "XML_PROGRESS", "XML_TOOLTIP"}) EXPECT_TRUE(names.contains(n)) << n;
  EXPECT_FALSE(names.contains("XML_GALLERY"));  // only in programs that link the gallery

  auto host = MakeHost(R"(<layout width="400" height="40">
    <window name="show_eq_band_freq" pos="0,0,-0,-0" layout="hbox" spacing="2"><text text="1"/><text text="2"/></window>
  </layout>)");
  QWidget* row = host->FindByName("show_eq_band_freq");
  EXPECT_FALSE(BuildFragment(row, "<root><text text='x'", true));
  EXPECT_EQ(row->findChildren<TextLabel*>().size(), 2);
  EXPECT_TRUE(BuildFragment(row, R"(<root><text name="f1" text="20Hz-100Hz" size="141,18" colorBkgnd="#ff000055"/>
      <text name="f2" text="125Hz" size="64,18"/></root>)", true));
  QApplication::processEvents();
  EXPECT_EQ(row->findChildren<TextLabel*>().size(), 2);
  EXPECT_EQ(host->FindByName("f2")->geometry(), QRect(143, 0, 64, 18));
}

TEST(LayoutTest, TabPagesHoldTheirControlsAndReportTheSelection) {
  EventLog log;
  auto host = MakeHost(R"(<layout width="300" height="200">
    <tabctrl name="tabs" id="300" pos="0,0,-0,-0">
      <page title="Memory" layout="vbox"><combobox name="combo_devmode" size="-2,23"/></page>
      <page title="My Preset"><button name="btnSave" id="301" text="Save" pos="10,10" size="60,24"/></page>
    </tabctrl>
  </layout>)", &log);
  auto* tabs = host->Find<TabControl>("tabs");
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_NE(host->Find<ComboBox>("combo_devmode"), nullptr);
  EXPECT_NE(host->FindById(301), nullptr);
  tabs->setCurrentIndex(1);  // by code: no event
  EXPECT_EQ(log.Count(EventSelChanged), 0);
  QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(0).center());
  EXPECT_EQ(tabs->currentIndex(), 0);
  ASSERT_EQ(log.Count(EventSelChanged), 1);
  EXPECT_EQ(log.Last(EventSelChanged)->As<SelChangedArgs>()->index, 0);
  EXPECT_EQ(log.Last(EventSelChanged)->senderId, 300);
}

TEST(RegistryTest, TheLoaderKnowsOnlyTheToolkitsElementsByItself) {
  for (const char* name : {"window", "div", "caption", "text", "img", "button", "imgbtn", "check", "radio", "edit",
                           "combobox", "tabctrl", "progress", "gifplayer", "skprogress", "skcheckbtn", "skradiobtn"})
    EXPECT_TRUE(ElementRegistry::Instance().Has(name)) << name;
  // The console's controls come from the controls library, which these tests do not link.
  for (const char* name : {"skslider", "slider", "skrotaryknob", "edit2", "skeq", "skcar", "sknothing"})
    EXPECT_FALSE(ElementRegistry::Instance().Has(name)) << name;
  auto host = MakeHost(R"(<layout width="100" height="50"><skrotaryknob id="3" pos="0,0" size="40,40"/></layout>)");
  ASSERT_TRUE(host);
  EXPECT_EQ(host->FindById(3), nullptr);  // skipped, not a crash
}

TEST(SkinTest, EverySkinOfTheLayoutsExists) {
  for (const char* name :
       {"image_tip2_bg_png", "skin_btn_2_bg_png", "skin_btn_3_bg_png", "skin_btn_add_value", "skin_btn_menu_bar",
        "skin_btn_minus_value", "skin_btn_mute_2", "skin_caption_bg_png", "skin_car_png", "skin_carbk_png",
        "skin_check_mute", "skin_chk_bottom", "skin_chk_bypass_png", "skin_chk_left", "skin_chk_phase", "skin_chk_right",
        "skin_left_thumb_png", "skin_logo_png", "skin_main_menu_bg_png", "skin_main_menu_wnd_bg_png", "skin_people_png",
        "skin_right_thumb_png", "skin_slider3_scale_bg_png", "skin_slider_bg_png", "skin_slider_fg_png",
        "skin_slider_thumb_png", "skin_volume_rotrayknob_bg", "skin_volume_rotrayknob_bg1",
        "skin_volume_rotrayknob_pos", "skin_watermark_png", "skin_yuan_png"})
    EXPECT_NE(SkinRegistry::Instance().Find(name), nullptr) << name;
  // Every state draws.
  QImage img(40, 30, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  for (int s = 0; s < 8; ++s) SkinRegistry::Instance().Find("skin_check_mute")->Draw(p, img.rect(), SkinState(s));
}

TEST(SkinTest, LogoReplacementKeepsTheBuiltInOnACorruptFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkpath("skin"));
  const Skin* builtIn = SkinRegistry::Instance().Find("skin_watermark_png");
  QFile bad(dir.path() + "/skin/watermark.png");
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("\x89PNG not really");
  bad.close();
  QImage logo(64, 16, QImage::Format_ARGB32);
  logo.fill(Qt::red);
  ASSERT_TRUE(logo.save(dir.path() + "/skin/logo.png"));
  LoadReplacementImages(dir.path());
  EXPECT_EQ(SkinRegistry::Instance().Find("skin_watermark_png"), builtIn);
  EXPECT_EQ(SkinRegistry::Instance().Find("skin_logo_png")->NaturalSize(), QSize(64, 16));
}

TEST(EventTest, RoutingByNameIdAndRangeIgnoresOtherWindows) {
  EventRouter router;
  std::vector<QString> hits;
  router.OnName(EventCmd, "btn_close", [&](const Event&) { hits.push_back("close"); });
  router.OnIdRange(EventCmd, 1400, 1405, [&](const Event& e) { hits.push_back(QString::number(e.senderId)); });
  router.OnId(0, 2000, [&](const Event& e) { hits.push_back(e.Name()); });
  Event e;
  e.args = CmdArgs{};
  e.senderName = "btn_close";
  EXPECT_TRUE(router.Dispatch(e));
  e.senderName.clear();
  e.senderId = 1403;
  EXPECT_TRUE(router.Dispatch(e));
  e.senderId = 1406;
  EXPECT_FALSE(router.Dispatch(e));
  e.args = SliderPosArgs{3};
  e.senderId = 2000;
  EXPECT_TRUE(router.Dispatch(e));
  EXPECT_EQ(hits, std::vector<QString>({"close", "1403", "on_slider_pos"}));

  // Typed routes see only their kind of event, with its fields.
  std::vector<int> positions;
  router.On<SliderPosArgs>(2000, 2001, [&](const Event&, const SliderPosArgs& a) { positions.push_back(a.position); });
  router.Dispatch(MakeEvent(nullptr, SliderPosArgs{42}));  // no sender: id 0, outside the range
  e.args = SliderPosArgs{17};
  router.Dispatch(e);
  e.args = StateChangedArgs{true};
  router.Dispatch(e);
  EXPECT_EQ(positions, std::vector<int>({17}));

  EventLog first, second;
  auto a = MakeHost(R"(<layout width="100" height="50"><button id="5" pos="0,0" size="40,20"/></layout>)", &first);
  auto b = MakeHost(R"(<layout width="100" height="50"><button id="5" pos="0,0" size="40,20"/></layout>)", &second);
  QTest::mouseClick(b->FindById(5), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(first.Count(EventCmd), 0);
  EXPECT_EQ(second.Count(EventCmd), 1);
  EXPECT_FALSE(a->DispatchEvent(second.events.back()));
}

TEST(MessageBoxTest, AnswersAndDefaultCaption) {
  QApplication::setApplicationDisplayName("BRISVEL DSP CONTROL PANNEL");
  std::vector<MessageBoxRequest> seen;
  SetMessageBoxResponder([&](const MessageBoxRequest& r) {
    seen.push_back(r);
    return r.buttons == MessageButtons::YesNo ? kIdYes : kIdOk;
  });
  EXPECT_EQ(MessageBox(nullptr, "Device not connected"), kIdOk);
  EXPECT_EQ(MessageBox(nullptr, "Replace?", "Prompt", MessageButtons::YesNo), kIdYes);
  EXPECT_EQ(MessageBox(nullptr, "Done", ""), kIdOk);
  SetMessageBoxResponder({});
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].caption, "BRISVEL DSP CONTROL PANNEL");
  EXPECT_EQ(seen[1].caption, "Prompt");
  EXPECT_EQ(seen[2].caption, "");

  // The real window: clicking "No" answers 7.
  QTimer::singleShot(50, [] {
    auto* box = dynamic_cast<HostWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->FindById(kIdYes)->isVisible());
    EXPECT_FALSE(box->FindById(kIdOk)->isVisible());
    QTest::mouseClick(box->FindById(kIdNo), Qt::LeftButton, {}, QPoint(5, 5));
  });
  EXPECT_EQ(MessageBox(nullptr, "Overwrite the scene?", "Prompt", MessageButtons::YesNo), kIdNo);
  QTimer::singleShot(50, [] {
    auto* box = dynamic_cast<HostWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->FindById(kIdOk), Qt::LeftButton, {}, QPoint(5, 5));
  });
  EXPECT_EQ(MessageBox(nullptr, "No device detected!", "Prompt"), kIdOk);
}

TEST(ControlContractTest, UserChoicesInListsAreReportedOnceWithTheNewIndex) {
  EventLog log;
  auto host = MakeHost(R"(<layout width="200" height="60">
    <combobox id="8004" pos="0,0" size="120,23" curSel="0">
      <items><item text="Atk*2"/><item text="Atk*4"/><item text="Atk*6"/></items>
    </combobox>
  </layout>)", &log);
  ASSERT_TRUE(host);
  auto* list = host->Find<ComboBox>(8004);
  ASSERT_NE(list, nullptr);
  list->setCurrentIndex(1);
  EXPECT_EQ(log.Count(EventSelChanged), 0);
  QTest::keyClick(list, Qt::Key_Down);
  ASSERT_EQ(log.Count(EventSelChanged), 1);
  EXPECT_EQ(log.Last(EventSelChanged)->As<SelChangedArgs>()->index, 2);
  QTest::keyClick(list, Qt::Key_Down);  // already the last: no change, no event
  EXPECT_EQ(log.Count(EventSelChanged), 1);
  list->setCurrentIndex(0);
  QTest::keyClick(list, Qt::Key_Down);
  ASSERT_EQ(log.Count(EventSelChanged), 2);
  EXPECT_EQ(log.Last(EventSelChanged)->As<SelChangedArgs>()->index, 1);
}

TEST(DialogKeysTest, MessageBoxTakesEnterAsOkAndEscapeAsItsCloseButton) {
  auto press = [](Qt::Key key) {
    QTimer::singleShot(50, [key] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      QTest::keyClick(box, key);
    });
  };
  press(Qt::Key_Return);
  EXPECT_EQ(MessageBox(nullptr, "Device not connected"), kIdOk);
  press(Qt::Key_Escape);
  EXPECT_EQ(MessageBox(nullptr, "Device not connected"), kIdOk);
  // Yes/No has no OK: Enter does nothing, Escape answers No as the close button does.
  QTimer::singleShot(50, [] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(box->isVisible());
    QTest::keyClick(box, Qt::Key_Escape);
  });
  EXPECT_EQ(MessageBox(nullptr, "Overwrite the scene?", "Prompt", MessageButtons::YesNo), kIdNo);
}

TEST(TranslationTest, SwitchingReappliesTextsOfOpenWindowsBothWays) {
  ASSERT_TRUE(SetTranslation("translator:en"));
  auto host = MakeHost(R"(<layout width="300" height="100">
    <skcheckbtn name="state" text="Connected" pos="0,0" size="90,23"/>
    <text name="title" text="进度" pos="0,30" size="90,20" tip="Close"/>
    <combobox name="list" pos="100,0" size="120,23"><items><item text="出厂配置"/><item text="USER-1"/></items></combobox>
    <skcheckbtn name="geq" pos="100,40" size="60,23" multitext="1" text1="GEQ" text2="Progress"/>
  </layout>)");
  ASSERT_TRUE(host);
  auto* state = AsElement(host->FindByName("state"));
  auto* title = AsElement(host->FindByName("title"));
  auto* list = host->Find<ComboBox>("list");
  auto* geq = host->Find<SkCheckButton>("geq");
  EXPECT_EQ(state->ShownText(), "Connected");
  EXPECT_EQ(title->ShownText(), "Progress");
  EXPECT_EQ(list->itemText(0), "Factory allocation");

  ASSERT_TRUE(SetTranslation("translator:cn"));
  EXPECT_EQ(CurrentTranslation(), "translator:cn");
  EXPECT_EQ(state->ShownText(), QString::fromUtf8("已连接设备"));
  EXPECT_EQ(title->ShownText(), QString::fromUtf8("进度"));
  EXPECT_EQ(host->FindByName("title")->toolTip(), QString::fromUtf8("关闭"));
  EXPECT_EQ(list->itemText(0), QString::fromUtf8("出厂配置"));
  EXPECT_EQ(list->itemText(1), "USER-1");
  geq->SetChecked(true);
  EXPECT_EQ(geq->ShownText(), QString::fromUtf8("进度"));

  ASSERT_TRUE(SetTranslation("translator:en"));
  EXPECT_EQ(state->ShownText(), "Connected");
  EXPECT_EQ(title->ShownText(), "Progress");
  EXPECT_EQ(geq->ShownText(), "Progress");
  EXPECT_FALSE(SetTranslation("translator:fr"));
  EXPECT_EQ(CurrentTranslation(), "translator:en");
  EXPECT_EQ(TranslatorForLanguage(0), "translator:cn");
  EXPECT_EQ(TranslatorForLanguage(5), "translator:en");
}

TEST(PopupMenuTest, TemplatesAppendedItemsAndTranslatedTexts) {
  ASSERT_TRUE(SetTranslation("translator:en"));
  PopupMenu lang;
  ASSERT_TRUE(lang.Load("SMENU:XML_LANGMENU"));
  EXPECT_EQ(lang.CommandIds(), QList<int>({50, 51, 52}));
  EXPECT_EQ(lang.Menu()->actions().front()->text(), "Sound mixing");
  PopupMenu file;
  ASSERT_TRUE(file.Load("smenu:XML_MENUEMPTY"));
  file.AppendItem(64, "My Preset");
  file.AppendItem(10, "Exit");
  EXPECT_EQ(file.CommandIds(), QList<int>({64, 10}));
  PopupMenu joint;
  ASSERT_TRUE(joint.Load("smenu:menu_joint3"));
  EXPECT_EQ(joint.CommandIds(), QList<int>({200, 201, 202}));
  EXPECT_FALSE(PopupMenu().Load("smenu:menu_nothing"));
  // Choosing an item answers its command; dismissing answers 0.
  QTimer::singleShot(50, [&] {
    joint.Menu()->setActiveAction(joint.Menu()->actions().at(1));
    QTest::keyClick(joint.Menu(), Qt::Key_Return);
  });
  EXPECT_EQ(joint.Exec(QPoint(100, 100)), 201);
  QTimer::singleShot(50, [&] { joint.Menu()->close(); });
  EXPECT_EQ(joint.Exec(QPoint(100, 100)), 0);
}

TEST(TipTest, OneTipAtATimeStandsAboveThePointAndGoesAway) {
  ShowTip(300, 400, "Saved", 10000);
  CTipWnd* tip = CurrentTip();
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->isVisible());
  EXPECT_EQ(tip->Text(), "Saved");
  EXPECT_EQ(tip->geometry().bottomLeft() + QPoint(0, 1), QPoint(300, 400));
  EXPECT_TRUE(tip->HasTimer(CTipWnd::kTimerId));
  ShowTip(100, 200, "A longer text that wraps onto more than one line because it is wide", 150);
  EXPECT_EQ(CurrentTip(), tip);
  EXPECT_LE(tip->width(), 300 + 40);
  EXPECT_EQ(tip->geometry().bottomLeft() + QPoint(0, 1), QPoint(100, 200));
  QTRY_VERIFY_WITH_TIMEOUT(CurrentTip() == nullptr, 3000);
}

TEST(ProgressDialogTest, ClosesItselfAtTheTickAfterTheMaximum) {
  CDlgProgress dlg;
  ASSERT_TRUE(dlg.Create());
  ASSERT_NE(dlg.Bar(), nullptr);
  EXPECT_EQ(AsElement(dlg.FindByName("txt_title"))->SourceText(), QString::fromUtf8("进度"));
  dlg.show();
  dlg.SetProgress(40);
  QTRY_COMPARE_WITH_TIMEOUT(dlg.Bar()->Value(), 40, 3000);
  dlg.SetProgress(100);
  QTRY_COMPARE_WITH_TIMEOUT(dlg.Bar()->Value(), 100, 3000);
  EXPECT_TRUE(dlg.isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!dlg.isVisible(), 3000);
  EXPECT_EQ(dlg.result(), CDlgProgress::kCancel);
  EXPECT_FALSE(dlg.HasTimer(CDlgProgress::kTimerId));
}

TEST(ProgressDialogTest, AWorkerThatEndsEarlyStillClosesIt) {
  CDlgProgress dlg;
  ASSERT_TRUE(dlg.Create());
  dlg.show();
  dlg.SetProgress(25);
  dlg.Finish();
  QTRY_VERIFY_WITH_TIMEOUT(!dlg.isVisible(), 4000);
  EXPECT_EQ(dlg.Bar()->Value(), 100);
}

}  // namespace
}  // namespace brisvel::ui::test
