// End-to-end test of the measurement window: the real console on the
// simulated processor under the X server; a measurement imported through the
// file dialog with real typing, a fit and Apply with real clicks, and the
// processor's block read back through the control channel.

#include <cmath>
#include <cstring>

#include "core/eq_fit.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr char kWindow[] = "XML_MEASUREMENT";

std::optional<EffectBlock> Block(Console& c, const QString& which) {
  const QByteArray bytes = QByteArray::fromHex(c.Query("block " + which).toLatin1());
  EffectBlock block{};
  if (bytes.size() != static_cast<int>(block.size())) return std::nullopt;
  std::memcpy(block.data(), bytes.constData(), block.size());
  return block;
}

// The console on the simulated processor, logged in to the main window.
using EndToEndMeasurement = MainWindowSession;

TEST_F(EndToEndMeasurement, AFitAppliedFromTheWindowReachesTheProcessor) {
  // A 9 dB room mode at 63 Hz, as a measurement program exports it.
  QByteArray text = "* room mode\nFreq(Hz);SPL(dB)\n";
  for (double hz = 10; hz < 24000; hz *= std::pow(2.0, 1.0 / 24)) {
    const double o = std::log2(hz / 63.0) * 4;
    text += QByteArray::number(hz, 'f', 2).replace('.', ',') + ";" +
            QByteArray::number(80 + 9 * std::exp(-o * o), 'f', 2).replace('.', ',') + "\n";
  }
  const QString path = folders.dir.path() + "/room.txt";
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }

  // Config > Measurement and fit.
  c->Click(kMain, "9004");
  ASSERT_TRUE(ChooseMenuItem(*c, "Measurement and fit", 5000));
  ASSERT_TRUE(Console::WaitFor([&] { return c->HasWindow(kWindow); }, 10000));
  int channel = -1;
  for (int k = 0; k < 6; ++k)
    if (c->Ctrl(kWindow, QString::number(9500 + k)).checked == 1) channel = k;
  ASSERT_GE(channel, 0);

  // The file dialog opens with the focus in its file name: the path is typed.
  c->Click(kWindow, "btn_import");
  QThread::msleep(2500);
  TypeText(path);
  QThread::msleep(300);
  PressKey("Return");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Ctrl(kWindow, "9510").text == "room.txt"; }, 15000))
      << c->Ctrl(kWindow, "9560").text.toStdString();

  const std::optional<EffectBlock> before = Block(*c, "device");
  ASSERT_TRUE(before.has_value());
  c->Click(kWindow, "btn_fit");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->Ctrl(kWindow, "9551").text.isEmpty(); }, 15000));
  c->Click(kWindow, "btn_apply");
  // The effect sender carries the bands to the processor.
  std::optional<EffectBlock> store, device;
  EXPECT_TRUE(Console::WaitFor(
      [&] {
        store = Block(*c, "store");
        device = Block(*c, "device");
        return store && device && BandsFromBlock(*store, channel) == BandsFromBlock(*device, channel) &&
               BandsFromBlock(*device, channel) != BandsFromBlock(*before, channel);
      },
      20000));
  ASSERT_TRUE(device.has_value());
  int cut = 0;
  for (const BandRaw& b : BandsFromBlock(*device, channel)) cut = std::min(cut, b.gain);
  EXPECT_LE(cut, -300);  // the room mode is cut
  c->Click(kWindow, "btn_done");
  EXPECT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kWindow); }, 5000));
}

}  // namespace
}  // namespace brisvel::app::e2e
