// End-to-end tests of the delay settings and input mixing dialogs: the real
// console on the simulated processor under the X server, real mouse drags and
// typing, and the processor's parameters read back through the control channel.

#include <QRegularExpression>

#include "core/car_geometry.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr char kDelay[] = "XML_DELAYSETTINGS";
constexpr char kMix[] = "XML_MIXSOUNDWD";

// "Advanced" (9002) of the main window, clicked with the mouse.
bool OpenDelay(Console& c) {
  const Control advanced = c.Ctrl(kMain, "9002");
  EXPECT_TRUE(advanced.found && advanced.visible);
  if (!advanced.found || !advanced.visible) return false;
  ClickAt(advanced.Centre());
  return Console::WaitFor([&] { return c.HasWindow(kDelay); }, 10000);
}

// Where the view draws a car point (mm), in screen pixels.
QPoint ScreenPoint(Console& c, CarPoint mm) {
  const Control view = c.Ctrl(kDelay, "car_delay");
  return {view.rect.x() + 45 + (mm.x + 2000) / 10, view.rect.y() + view.rect.height() - 40 - (mm.y + 2000) / 10};
}

void ExpectAt(Console& c, const QString& thumb, CarPoint mm) {
  const Control t = c.Ctrl(kDelay, thumb);
  ASSERT_TRUE(t.found && t.visible) << thumb.toStdString();
  const QPoint want = ScreenPoint(c, mm);
  const QPoint centre(t.rect.x() + t.rect.width() / 2, t.rect.y() + t.rect.height() / 2);
  EXPECT_LE((centre - want).manhattanLength(), 2) << thumb.toStdString() << " at " << centre.x() << "," << centre.y()
                                                 << " not " << want.x() << "," << want.y();
}

QByteArray ConfigWithDelay(const std::string& text) { return QByteArray("[Config]\nLang=1\nDelay=") + text.c_str() + "\n"; }

// Each test starts the console itself, with the config text it needs.
class EndToEndDialogs : public MainWindowSession {
 protected:
  bool StartsInSetUp() const override { return false; }
};

TEST_F(EndToEndDialogs, DelayDragsReachTheProcessorAndClosingKeepsThePositions) {
  Start();
  ASSERT_TRUE(OpenDelay(*c));
  // First use: the default positions.
  const CarPositions def = DefaultCarPositions(1825, 2680);
  for (int i = 0; i < 6; ++i) ExpectAt(*c, QString("speaker_%1").arg(i + 1), def.speakers[static_cast<size_t>(i)]);
  ExpectAt(*c, "listener", def.listener);

  // Undo right after opening applies the opening positions: CH4 (rear right, Box 5) is the farthest.
  c->Click(kDelay, "btnUndo");
  ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Delay_2") > 0 && SimParam(*c, "Delay_3") > 0; }, 5000));
  EXPECT_EQ(SimParam(*c, "Delay_5"), 0);
  EXPECT_EQ(c->Ctrl(kDelay, "ch4_tip").text, "0.000ms");
  EXPECT_EQ(c->Ctrl(kMain, "4105").text, "0.000");
  EXPECT_EQ(c->Ctrl(kMain, "4102").text + "ms", c->Ctrl(kDelay, "ch1_tip").text);

  // The listener dragged forward and to the right leaves CH3 (Box 4, rear left) the farthest
  // speaker: it gets 0 ms, and CH4 now gets a delay.
  Drag(c->Ctrl(kDelay, "listener").Centre(), ScreenPoint(*c, {1300, 2200}));
  ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Delay_4") == 0 && SimParam(*c, "Delay_5") > 0; }, 5000))
      << SimParam(*c, "Delay_4") << " " << SimParam(*c, "Delay_5");
  ASSERT_TRUE(InSync(5000));
  EXPECT_EQ(c->Ctrl(kDelay, "ch3_tip").text, "0.000ms");
  EXPECT_EQ(c->Ctrl(kMain, "4104").text, "0.000");
  EXPECT_EQ(c->Ctrl(kMain, "4105").text + "ms", c->Ctrl(kDelay, "ch4_tip").text);

  // Dragging CH1 (Box 2) onto the listener gives it the most delay; CH3 stays the farthest at 0 ms.
  const int before = SimParam(*c, "Delay_2");
  Drag(c->Ctrl(kDelay, "speaker_1").Centre(), c->Ctrl(kDelay, "listener").Centre());
  ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Delay_2") > before; }, 5000));
  ASSERT_TRUE(InSync(5000));
  for (const char* other : {"Delay_0", "Delay_1", "Delay_3", "Delay_5"}) EXPECT_LT(SimParam(*c, other), SimParam(*c, "Delay_2"));
  EXPECT_EQ(SimParam(*c, "Delay_4"), 0);
  const QString tip = c->Ctrl(kDelay, "ch1_tip").text;
  EXPECT_NE(tip, "0.000ms");
  // The main window's delay edit of CH1 (Box 2) shows the new delay at once.
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kMain, "4102").text + "ms" == tip; }, 3000))
      << c->Ctrl(kMain, "4102").text.toStdString() << " vs " << tip.toStdString();
  const QString lastTip = c->Ctrl(kDelay, "ch1_tip").text;
  const QRect moved = c->Ctrl(kDelay, "speaker_1").rect;
  const QRect listener = c->Ctrl(kDelay, "listener").rect;

  // The title-bar button stores the positions; reopening shows them.
  c->Click(kDelay, "btn_close");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kDelay); }, 5000));
  EXPECT_TRUE(folders.ReadConfig().contains("Delay = ") || folders.ReadConfig().contains("Delay="));
  ASSERT_TRUE(OpenDelay(*c));
  EXPECT_EQ(c->Ctrl(kDelay, "speaker_1").rect, moved);
  EXPECT_EQ(c->Ctrl(kDelay, "listener").rect, listener);
  EXPECT_EQ(c->Ctrl(kDelay, "ch1_tip").text, lastTip);
}

// In centimetres the view tells delays in cm, and a dragged speaker's
// position tip says its distance to the listener and the delay it gets;
// opening the view sends nothing.
TEST_F(EndToEndDialogs, TheCarViewTellsDistancesAndDelaysInTheMainWindowsUnit) {
  Start();
  c->Click(kMain, "7001");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Ctrl(kMain, "7001").checked == 1; }, 5000));
  const QString before = c->Query("block device");
  ASSERT_TRUE(OpenDelay(*c));
  QThread::msleep(600);
  EXPECT_EQ(c->Query("block device"), before);
  EXPECT_TRUE(c->Ctrl(kDelay, "ch1_tip").text.endsWith("cm")) << c->Ctrl(kDelay, "ch1_tip").text.toStdString();

  QString tip;
  QString delayTip;
  const Control speaker = c->Ctrl(kDelay, "speaker_1");
  Drag(speaker.Centre(), speaker.Centre() + QPoint(30, 40), [&] {
    tip = c->Query("tip");
    delayTip = c->Ctrl(kDelay, "ch1_tip").text;
  });
  const QStringList lines = tip.split("\\n");
  ASSERT_EQ(lines.size(), 2) << tip.toStdString();
  EXPECT_TRUE(lines[0].contains(QRegularExpression("^-?\\d+\\.\\d{3}m,-?\\d+\\.\\d{3}m$"))) << tip.toStdString();
  EXPECT_TRUE(lines[1].contains(QRegularExpression("^CH1 \\d+\\.\\dcm, delay \\d+\\.\\dcm$"))) << tip.toStdString();
  EXPECT_TRUE(lines[1].endsWith("delay " + delayTip)) << tip.toStdString() << " / " << delayTip.toStdString();
  // The release hides the position tip.
  EXPECT_TRUE(Console::WaitFor([&] { return c->Query("tip").isEmpty(); }, 5000));
}

TEST_F(EndToEndDialogs, ATypedListenerPositionInCentimetresGivesTheDelaysAndTheSeatsMoveIt) {
  Start();
  c->Click(kMain, "7001");  // CM
  ASSERT_TRUE(Console::WaitFor([&] { return c->Ctrl(kMain, "7001").checked == 1; }, 5000));
  ASSERT_TRUE(OpenDelay(*c));
  EXPECT_TRUE(c->Ctrl(kDelay, "delay_state").text.contains("computed only")) << c->Ctrl(kDelay, "delay_state").text.toStdString();
  EXPECT_EQ(c->Ctrl(kDelay, "pos_x").text, "53.0cm");
  EXPECT_EQ(c->Ctrl(kDelay, "pos_y").text, "158.0cm");

  // The listener typed onto CH3 (the rear left corner, 0 cm across and along):
  // CH3 waits for the farthest speaker, CH2 at the front right corner, by
  // their whole distance (3.24 m, 450 samples at 48 kHz); CH2 waits for none.
  for (const char* field : {"pos_x", "pos_y"}) {
    c->Click(kDelay, field);
    PressKey("ctrl+a");
    TypeText("0");
    PressKey("Return");
  }
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kDelay, "pos_y").text == "0.0cm"; }, 5000));
  EXPECT_TRUE(Console::WaitFor([&] { return std::abs(SimParam(*c, "Delay_4") - 450) <= 3; }, 5000))
      << SimParam(*c, "Delay_4");
  EXPECT_EQ(SimParam(*c, "Delay_3"), 0);
  EXPECT_EQ(c->Ctrl(kDelay, "pos_x").text, "0.0cm");
  EXPECT_TRUE(c->Ctrl(kDelay, "delay_state").text.contains("applied:")) << c->Ctrl(kDelay, "delay_state").text.toStdString();

  // A text without a number moves nothing; the passenger's seat mirrors the driver's.
  const QString block = c->Query("block device");
  c->Click(kDelay, "pos_x");
  PressKey("ctrl+a");
  TypeText("far");
  PressKey("Return");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kDelay, "pos_x").text == "0.0cm"; }, 5000));
  EXPECT_EQ(c->Query("block device"), block);
  c->Click(kDelay, "btn_seat_passenger");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kDelay, "pos_x").text == "129.5cm"; }, 5000));
  EXPECT_EQ(c->Ctrl(kDelay, "pos_y").text, "158.0cm");
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Delay_3") > 0; }, 5000)) << "CH2 is nearer now";
  c->Click(kDelay, "btn_seat_driver");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kDelay, "pos_x").text == "53.0cm"; }, 5000));
}

TEST_F(EndToEndDialogs, DelaysBeyondTwentyMillisecondsAndLowerCaseRecords) {
  // CH6 9 m behind the listener: every other speaker would need more than 20 ms.
  CarDelaySettings far = CarDelaySettings::Default();
  const CarPositions def = DefaultCarPositions(far.carWidth, far.zhouJu);
  far.speakers = def.speakers;
  far.listener = def.listener;
  far.speakers[5] = {530, -9000};
  far.positionsValid = 1;
  {
    Start(ConfigWithDelay(EncodeCarDelayText(far)));
      ASSERT_TRUE(OpenDelay(*c));
    c->Click(kDelay, "btnUndo");
    ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Delay_2") == 960; }, 5000));
    EXPECT_EQ(SimParam(*c, "Delay_1"), 0);  // CH6 is the farthest
    for (const char* p : {"Delay_0", "Delay_3", "Delay_4", "Delay_5"})
      EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, p) == 960; }, 5000)) << p << " " << SimParam(*c, p);
    EXPECT_EQ(c->Ctrl(kMain, "4102").text, "20.000");
    EXPECT_EQ(c->Ctrl(kMain, "4101").text, "0.000");
    c->Click(kDelay, "btn_close");
    ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kDelay); }, 5000));

    // In the other units the dialog writes the same 20 ms as 692.00 cm and 272.44 in.
    const auto limitInUnit = [&](const char* radio, const QString& limit, const QString& zero) {
      c->Click(kMain, radio);
      ASSERT_TRUE(Console::WaitFor([&] { return c->Ctrl(kMain, radio).checked == 1; }, 5000)) << radio;
      ASSERT_TRUE(OpenDelay(*c));
      c->Click(kDelay, "btnDefault");  // nearer positions first, so that Undo visibly writes the limit
      ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Delay_2") < 960; }, 5000));
      EXPECT_NE(c->Ctrl(kMain, "4102").text, limit);
      c->Click(kDelay, "btnUndo");
      ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Delay_2") == 960; }, 5000));
      EXPECT_EQ(c->Ctrl(kMain, "4102").text, limit) << radio;
      EXPECT_EQ(c->Ctrl(kMain, "4100").text, limit) << radio;
      EXPECT_EQ(c->Ctrl(kMain, "4101").text, zero) << radio;
      c->Click(kDelay, "btn_close");
      ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kDelay); }, 5000));
    };
    limitInUnit("7001", "692.00", "0.00");
    limitInUnit("7002", "272.44", "0.00");
  }
  {
    // The same record in lower-case digits is not accepted: the default positions show.
    c.reset();
    Folders lowerFolders;
    lowerFolders.WriteConfig(ConfigWithDelay(QString::fromStdString(EncodeCarDelayText(far)).toLower().toStdString()));
    Console lower(lowerFolders, {"-hide", "--simulate"});
    ASSERT_TRUE(LogInToMainWindow(lower));
    ASSERT_TRUE(OpenDelay(lower));
    ExpectAt(lower, "speaker_6", def.speakers[5]);
  }
}

// Types into an edit box of the mixing dialog and moves the focus on.
void TypeInto(Console& c, int id, const QString& text) {
  c.Click(kMix, QString::number(id));
  PressKey("ctrl+a");
  TypeText(text);
  PressKey("Tab");
  QThread::msleep(150);
}

// Drags a level slider (0 ... 66) of the mixing dialog by its thumb from one value to another.
void DragSlider(Console& c, const QString& id, int from, int to) {
  const Control slider = c.Ctrl(kMix, id);
  ASSERT_TRUE(slider.found && slider.visible) << id.toStdString();
  const auto at = [&](int value) {
    return QPoint(slider.Centre().x(), slider.rect.bottom() - value * (slider.rect.height() - 1) / 66);
  };
  Drag(at(from), at(to));
}

TEST_F(EndToEndDialogs, MixingEditsReachTheProcessorAndTheMainWindowRefreshes) {
  Start();
  // The front pair linked in the main window (CH1&CH2 grouping, based on CH1).
  c->Click(kMain, "1100");
  ASSERT_TRUE(ChooseMenuItem(*c, "Base of CH1", 5000));
  ASSERT_TRUE(Console::WaitFor([&] { return c->Ctrl(kMain, "1100").checked == 1; }, 5000));
  // Config > Sound mixing.
  c->Click(kMain, "9004");
  ASSERT_TRUE(ChooseMenuItem(*c, "Sound mixing", 5000));
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kMix); }, 10000));
  const Control input = c->Ctrl(kMix, "7000");
  EXPECT_TRUE(input.found && input.visible);
  // The coupling checks show the linked pair.
  for (int k = 0; k < 6; ++k) EXPECT_EQ(c->Ctrl(kMix, QString::number(8200 + k)).checked, k == 2 || k == 3 ? 1 : 0) << k;

  TypeInto(*c, 7912, "off");  // CH1, Box 2
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Volume_2") == 0; }, 5000));
  EXPECT_EQ(c->Ctrl(kMix, "7912").text, "OFF");
  EXPECT_EQ(c->Ctrl(kMix, "7913").text, "OFF");  // CH2 is linked
  TypeInto(*c, 7900, "12");
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "MainVol") == 66; }, 5000));
  EXPECT_EQ(c->Ctrl(kMix, "7900").text, "6dB");
  TypeInto(*c, 7900, "-3.7");
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "MainVol") == 57; }, 5000));

  // The six mutes one by one switch the master mute on; one off switches it off.
  for (int k = 0; k < 6; ++k) {
    if (c->Ctrl(kMix, QString::number(7700 + k)).checked == 1) continue;
    EXPECT_EQ(c->Ctrl(kMix, "7400").checked, 0) << k;
    c->Click(kMix, QString::number(7700 + k));
    ASSERT_TRUE(Console::WaitFor([&] { return c->Ctrl(kMix, QString::number(7700 + k)).checked == 1; }, 3000));
  }
  EXPECT_EQ(c->Ctrl(kMix, "7400").checked, 1);
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "MuteCtrl") == 63; }, 5000));
  c->Click(kMix, "7703");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kMix, "7400").checked == 0; }, 3000));

  // CH1's level slider, OFF since "off" was typed for the linked pair, dragged up moves CH2 with it,
  // on the processor and on screen.
  ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Volume_3") == 0; }, 5000));
  const int rear = SimParam(*c, "Volume_5");
  DragSlider(*c, "7102", 0, 40);
  ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Volume_2") > 20; }, 5000)) << SimParam(*c, "Volume_2");
  const int raised = SimParam(*c, "Volume_2");
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Volume_3") == raised; }, 5000)) << SimParam(*c, "Volume_3");
  EXPECT_EQ(c->Ctrl(kMix, "7102").value, raised);
  EXPECT_EQ(c->Ctrl(kMix, "7103").value, raised);
  EXPECT_EQ(c->Ctrl(kMix, "7912").text, QString("%1dB").arg(raised - 60));
  EXPECT_EQ(c->Ctrl(kMix, "7913").text, QString("%1dB").arg(raised - 60));

  // CH3's slider is not linked: only its own volume follows.
  const int volume = SimParam(*c, "Volume_4");
  DragSlider(*c, "7104", volume, 10);
  EXPECT_TRUE(Console::WaitFor([&] { return SimParam(*c, "Volume_4") < volume; }, 5000));
  EXPECT_EQ(SimParam(*c, "Volume_5"), rear);

  // Two phases inverted, then the dialog closed with its title-bar button.
  c->Click(kMix, "7600");
  c->Click(kMix, "7605");
  ASSERT_TRUE(Console::WaitFor([&] { return SimParam(*c, "PhaseCtrl") == 0x21; }, 5000)) << SimParam(*c, "PhaseCtrl");
  QStringList texts;
  for (int k = 0; k < 6; ++k) texts << c->Ctrl(kMix, QString::number(7910 + k)).text;
  c->Click(kMix, "btn_close");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kMix); }, 5000));

  // The main window shows the new master volume, volumes, phases and mutes.
  EXPECT_EQ(c->Status("mainvol"), "57");
  EXPECT_TRUE(Console::WaitFor([&] { return c->Ctrl(kMain, "4000").text == "-3dB"; }, 5000)) << c->Ctrl(kMain, "4000").text.toStdString();
  EXPECT_EQ(c->Ctrl(kMain, "2000").value, 57);
  EXPECT_EQ(c->Ctrl(kMain, "1106").checked, 0);
  const int phases = SimParam(*c, "PhaseCtrl");
  const int mutes = SimParam(*c, "MuteCtrl");
  EXPECT_EQ(mutes, 63 & ~(1 << 3));
  for (int i = 0; i < 6; ++i) {
    const QString n = QString::number(i);
    EXPECT_EQ(c->Ctrl(kMain, QString::number(2200 + i)).value, SimParam(*c, "Volume_" + n)) << i;
    EXPECT_EQ(c->Ctrl(kMain, QString::number(6000 + i)).text, texts[i]) << i;
    EXPECT_EQ(c->Ctrl(kMain, QString::number(1200 + i)).checked, (phases >> i) & 1) << i;
    EXPECT_EQ(c->Ctrl(kMain, QString::number(1300 + i)).checked, (mutes >> i) & 1) << i;
  }
}

}  // namespace
}  // namespace brisvel::app::e2e
