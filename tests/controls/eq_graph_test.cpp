// Tests of the EQ graph: layout metrics, grid line values and labels, handle
// placement for bands, parked filters and Q handles, the inverse mappings,
// and the drag report of a handle.

#include "controls/eq_graph.h"

#include "core/scales.h"
#include "ui/ui_test_support.h"

#include <cmath>
#include <gtest/gtest.h>

namespace brisvel::ui::test {
namespace {

QByteArray GraphLayout() {
  QByteArray xml = R"(<layout width="1340" height="215">
  <skeq name="eq_curve" pos="5,5" size="1330,205" colorBkgnd="#000000ff" ldist="36" tdist="13" rdist="5" bdist="15"
       dbMax="24" dbMin="-24" nKedu="8" dbKeduVal="12" zeroXFreq="17">
    <skeqgrid colorBorder="#ffffffdd" colorText="#ccccccff" font="face:Arial,size:11"/>
    <skeqcurve colorLine="#c027c0ff" colorCurrLine="#80808050" lineWidth="2"/>)";
  for (int i = 0; i < 31; ++i)
    xml += QString(R"(<moveThumb id="%1" data="%2" text="%3" size="25,25"/>)").arg(900 + i).arg(i).arg(i + 1).toUtf8();
  xml += R"(<moveThumb id="931" data="-1" text="H" tip="HPF" canYMove="0" size="25,25"/>
    <moveThumb id="932" data="-2" text="L" tip="LPF" canYMove="0" size="25,25"/>
    <moveThumb id="933" data="-5" skin="skin_left_thumb_png" size="20,17" canYMove="0"/>
    <moveThumb id="934" data="-6" skin="skin_right_thumb_png" size="20,17" canYMove="0"/>
    <moveThumb id="935" data="-3" size="25,25"/>
  </skeq></layout>)";
  return xml;
}

std::array<EqBandValue, 31> FlatBands() {
  std::array<EqBandValue, 31> bands{};
  const double f[31] = {20,   25,   32,   40,   50,   63,   80,   100,  125,   160,   200,   250,   315,  400,   500,  630,
                        800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
  for (int i = 0; i < 31; ++i) bands[i] = {f[i], 0.0, 420 / 300.0};
  return bands;
}

class EqGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<HostWindow>();
    host->Router().OnIdRange(0, INT_MIN, INT_MAX, [this](const Event& e) { log.events.push_back(e); });
    ASSERT_TRUE(host->LoadLayoutXml(GraphLayout()));
    host->show();
    eq = host->Find<SkEQ>("eq_curve");
    ASSERT_NE(eq, nullptr);
    ASSERT_EQ(eq->size(), QSize(1330, 205));
    model.Init(FlatBands());
    model.SetHighPass(10, -24, 1);     // off: parked at 17 Hz
    model.SetLowPass(20000, -12, 1);   // above 19 999: parked at 22 kHz
    model.SetBand(17, 1000, 6.0, 141 / 300.0);
    eq->SetResponse(&model);
  }
  QPoint Centre(int data) const {
    const QWidget* t = eq->Handle(data);
    return {t->x() + t->width() / 2, t->y() + t->height() / 2};
  }
  // Placement written out from the graph's attributes, independent of the graph.
  int ExpectedX(double hz) const {
    const EqMetrics& m = eq->Metrics();
    return m.plotLeft + static_cast<int>(std::trunc((std::log10(hz) - std::log10(17.0)) * m.pxPerDecade + 0.5));
  }
  int ExpectedY(double db) const {
    const EqMetrics& m = eq->Metrics();
    return m.plotTop + static_cast<int>(std::trunc((24 - db) * m.pxPerDb + 0.5));
  }

  EventLog log;
  std::unique_ptr<HostWindow> host;
  SkEQ* eq = nullptr;
  CEqResponse model;
};

TEST_F(EqGraphTest, MetricsOfTheMainWindowGraph) {
  const EqMetrics& m = eq->Metrics();
  EXPECT_EQ(m.plotLeft, 36);
  EXPECT_EQ(m.plotTop, 13);
  EXPECT_EQ(m.step, 22);  // (205 - 13 - 15) / 8
  EXPECT_EQ(m.height, 176);
  EXPECT_EQ(m.bottomMargin, 16);
  EXPECT_EQ(m.width, 1289);
  EXPECT_NEAR(m.pxPerDb, 176.0 / 48.0, 1e-12);
  EXPECT_NEAR(m.pxPerPoint, 1289.0 / 1024.0, 1e-12);
}

TEST_F(EqGraphTest, AValueThatMovesLeavesTheGridAloneAndANewSizeDrawsItAgain) {
  const int layouts = eq->Layouts();
  for (int i = 0; i < 5; ++i) {
    model.SetBand(17, 1000, i, 141 / 300.0);
    eq->SetResponse(&model);  // what a drag does on every move
  }
  EXPECT_EQ(eq->Layouts(), layouts);
  eq->SetAttribute("dbMax", "12");
  eq->SetResponse(&model);
  EXPECT_EQ(eq->Layouts(), layouts + 1);
  eq->resize(eq->width() - 40, eq->height());
  EXPECT_EQ(eq->Layouts(), layouts + 2);
}

TEST_F(EqGraphTest, GridLinesAndLabelsFollowTheRange) {
  const auto& lines = eq->Grid()->DbLines();
  ASSERT_EQ(lines.size(), 9u);
  const int values[9] = {24, 18, 12, 6, 0, -6, -12, -18, -24};
  QStringList labels;
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(lines[i].value, values[i]);
    EXPECT_EQ(lines[i].pos, 13 + static_cast<int>(i) * 22);
    if (!lines[i].label.isEmpty()) labels << lines[i].label;
  }
  EXPECT_EQ(labels, QStringList({"24dB", "12dB", "0dB", "-12dB", "-24dB"}));

  // Run-time range; takes effect at the next SetResponse.
  eq->SetAttribute("dbMax", "20");
  eq->SetAttribute("dbMin", "-20");
  eq->SetAttribute("dbKeduVal", "10");
  EXPECT_EQ(eq->Grid()->DbLines().front().value, 24);
  eq->SetResponse(&model);
  labels.clear();
  QList<int> got;
  for (const auto& l : eq->Grid()->DbLines()) {
    got << l.value;
    if (!l.label.isEmpty()) labels << l.label;
  }
  EXPECT_EQ(got, QList<int>({20, 15, 10, 5, 0, -5, -10, -15, -20}));
  EXPECT_EQ(labels, QStringList({"20dB", "10dB", "0dB", "-10dB", "-20dB"}));
}

TEST_F(EqGraphTest, FrequencyLinesStartAtPlotLeftWithoutLabel) {
  const auto& lines = eq->Grid()->FrequencyLines();
  ASSERT_EQ(lines.size(), 29u);
  EXPECT_EQ(lines.front().pos, eq->Metrics().plotLeft);
  EXPECT_EQ(lines.front().value, 17);
  EXPECT_TRUE(lines.front().label.isEmpty());
  QStringList labels;
  for (const auto& l : lines)
    if (!l.label.isEmpty()) labels << l.label;
  EXPECT_EQ(labels, QStringList({"20Hz", "50Hz", "100Hz", "200Hz", "500Hz", "1kHz", "2kHz", "5kHz", "10kHz", "20kHz"}));
  for (size_t i = 1; i < lines.size(); ++i) EXPECT_GT(lines[i].pos, lines[i - 1].pos);
}

TEST_F(EqGraphTest, BandHandlesStandAtFrequencyAndGain) {
  EXPECT_EQ(Centre(17), QPoint(ExpectedX(1000), ExpectedY(6.0)));
  // A band at 0 dB sits on the 0 dB line.
  EXPECT_EQ(Centre(0), QPoint(ExpectedX(20), ExpectedY(0)));
  EXPECT_EQ(Centre(0).y(), 13 + 88);
  for (int i = 0; i < 31; ++i) EXPECT_TRUE(eq->Handle(i)->isVisible()) << i;
  // Data values outside the known ones stay hidden.
  EXPECT_FALSE(host->FindById(935)->isVisible());
}

TEST_F(EqGraphTest, FiltersOutsideTheRangeAreParkedOnTheMinus15Line) {
  ASSERT_TRUE(eq->Handle(-1)->isVisible());
  ASSERT_TRUE(eq->Handle(-2)->isVisible());
  const int y = 13 + static_cast<int>(std::trunc(39 * 176.0 / 48.0 + 0.5));
  EXPECT_EQ(Centre(-1), QPoint(ExpectedX(17), y));
  EXPECT_EQ(Centre(-1).x(), eq->Metrics().plotLeft);
  EXPECT_EQ(Centre(-2), QPoint(ExpectedX(22000), y));
  model.SetHighPass(80, -24, 1);
  eq->Refresh();
  EXPECT_EQ(Centre(-1), QPoint(ExpectedX(80), y));
}

TEST_F(EqGraphTest, QHandlesStandBesideTheCurrentBandOnlyInPeqMode) {
  EXPECT_FALSE(eq->Handle(-5)->isVisible());
  eq->ShowQHandles(true);
  ASSERT_TRUE(eq->Handle(-5)->isVisible());
  ASSERT_TRUE(eq->Handle(-6)->isVisible());
  const auto& table = QStepTable();
  for (int idx : {0, 37, 100}) {
    model.SetBand(17, 1000, 6.0, table[idx] / 300.0);
    eq->Refresh();
    const QPoint band = Centre(17);
    EXPECT_EQ(Centre(-5), QPoint(band.x() + idx - 120, band.y())) << idx;
    EXPECT_EQ(Centre(-6), QPoint(band.x() - idx + 120, band.y())) << idx;
    EXPECT_EQ(eq->Handle(-5)->OwnerBand(), 17);
  }
  // Back to 0 dB: no current band, the pair hides at the next placement.
  model.SetBand(17, 1000, 0.0, 1.0);
  eq->Refresh();
  EXPECT_FALSE(eq->Handle(-5)->isVisible());
  EXPECT_EQ(eq->Handle(-6)->OwnerBand(), -1);
  model.SetBand(5, 63, -3.0, 1.0);
  eq->ShowQHandles(false);
  eq->Refresh();
  EXPECT_FALSE(eq->Handle(-5)->isVisible());
}

TEST_F(EqGraphTest, InverseMappingsReturnToTheSamePixel) {
  for (double hz : {20.0, 31.5, 100.0, 999.0, 4321.0, 19999.0}) {
    const int x = ExpectedX(hz);
    EXPECT_NEAR(eq->FrequencyToX(eq->XToFrequency(x)), x, 1) << hz;
    EXPECT_NEAR(eq->XToFrequency(x), hz, hz * 0.01) << hz;
  }
  for (double db : {-20.0, -7.5, 0.0, 3.3, 24.0}) {
    const int y = ExpectedY(db);
    EXPECT_NEAR(eq->GainToY(eq->YToGain(y)), y, 1) << db;
    EXPECT_NEAR(eq->YToGain(y), db, 0.3) << db;
  }
  EXPECT_NEAR(eq->XToFrequency(eq->Metrics().plotLeft), 17.0, 1e-9);
  EXPECT_NEAR(eq->YToGain(eq->Metrics().plotTop), 24.0, 1e-12);
}

TEST_F(EqGraphTest, DraggingAHandleReportsWithoutMovingIt) {
  SMoveThumb* band = eq->Handle(17);
  const QPoint before = band->pos();
  QTest::mousePress(band, Qt::LeftButton, {}, QPoint(10, 8));
  QTest::mouseMove(band, QPoint(40, -12));
  ASSERT_EQ(log.Count(EventThumbMoving), 1);
  const Event& e = *log.Last(EventThumbMoving);
  EXPECT_EQ(e.Name(), "on_thumb_moving");
  EXPECT_EQ(e.senderId, 917);
  const ThumbMovingArgs* moving = e.As<ThumbMovingArgs>();
  ASSERT_NE(moving, nullptr);
  EXPECT_EQ(moving->ownerBand, -1);
  EXPECT_EQ(moving->proposed, before + QPoint(30, -20));
  EXPECT_EQ(moving->current, before);
  EXPECT_EQ(band->pos(), before);
  QTest::mouseRelease(band, Qt::LeftButton, {}, QPoint(40, -12));

  // The high-pass handle cannot move vertically: the proposed top stays.
  SMoveThumb* hp = eq->Handle(-1);
  QTest::mousePress(hp, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(hp, QPoint(25, 45));
  const Event& f = *log.Last(EventThumbMoving);
  EXPECT_EQ(f.As<ThumbMovingArgs>()->proposed, QPoint(hp->x() + 20, hp->y()));
  QTest::mouseRelease(hp, Qt::LeftButton, {}, QPoint(25, 45));
  // Moves after release report nothing.
  const int count = log.Count(EventThumbMoving);
  QTest::mouseMove(hp, QPoint(30, 30));
  EXPECT_EQ(log.Count(EventThumbMoving), count);
}

TEST_F(EqGraphTest, ControllerRoundTripPlacesTheHandleUnderThePointer) {
  // What the editor does with a drag: proposed centre -> values -> placed again.
  SMoveThumb* band = eq->Handle(17);
  host->Router().OnIdRange(EventThumbMoving, 900, 930, [&](const Event& e) {
    const QPoint proposed = e.As<ThumbMovingArgs>()->proposed;
    const double hz = eq->XToFrequency(proposed.x() + band->width() / 2);
    const double db = eq->YToGain(proposed.y() + band->height() / 2);
    model.SetBand(17, hz, db, 141 / 300.0);
    eq->Refresh();
  });
  const QPoint before = band->pos();
  QTest::mousePress(band, Qt::LeftButton, {}, QPoint(12, 12));
  QTest::mouseMove(band, QPoint(112, -38));
  EXPECT_NEAR(band->x(), before.x() + 100, 1);
  EXPECT_NEAR(band->y(), before.y() - 50, 1);
  QTest::mouseRelease(band, Qt::LeftButton, {}, QPoint(112, -38));
}

TEST_F(EqGraphTest, PaintsWithAndWithoutModel) {
  QImage image(eq->size(), QImage::Format_ARGB32_Premultiplied);
  eq->render(&image);
  // The summed curve crosses the 1 kHz band's peak in the curve colour.
  const QPoint peak(ExpectedX(1000), ExpectedY(6.0));
  bool found = false;
  for (int dy = -3; dy <= 3 && !found; ++dy) {
    const QColor c = image.pixelColor(peak.x(), peak.y() + dy);
    found = c.red() > 150 && c.blue() > 150 && c.green() < 120;
  }
  EXPECT_TRUE(found);
  eq->SetResponse(nullptr);
  eq->render(&image);
  EXPECT_EQ(eq->Model(), nullptr);
}

}  // namespace
}  // namespace brisvel::ui::test

namespace brisvel::ui::test {
namespace {

TEST_F(EqGraphTest, FilterWithoutSlopeStillBecomesCurrentAndClosesOnThePlotBottom) {
  model.SetHighPass(100, 0, 1);
  ASSERT_EQ(model.CurrentSection(), model.HighPassIndex());
  eq->ShowQHandles(true);
  eq->Refresh();
  EXPECT_FALSE(eq->Handle(-5)->isVisible());
  const int y = 13 + static_cast<int>(std::trunc(39 * 176.0 / 48.0 + 0.5));
  EXPECT_EQ(Centre(-1), QPoint(ExpectedX(100), y));
  // The flat section's highlight fills from the 0 dB line to the plot bottom.
  QImage image(eq->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::black);
  eq->Curve()->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  const int x = ExpectedX(300) + 3;
  const QColor below = image.pixelColor(x, 13 + 176 - 3);
  const QColor above = image.pixelColor(x, 13 + 40);
  EXPECT_GT(below.red(), 20);
  EXPECT_EQ(above.red(), 0);
}

TEST_F(EqGraphTest, ResizeKeepsHandlesWhereTheGraphPlacesThem) {
  eq->setFixedSize(1000, 205);
  QApplication::processEvents();
  EXPECT_EQ(eq->Metrics().width, 1000 - 36 - 5);
  EXPECT_EQ(Centre(17), QPoint(ExpectedX(1000), ExpectedY(6.0)));
  EXPECT_EQ(eq->Grid()->geometry(), eq->rect());
}

TEST_F(EqGraphTest, AxisFollowsZeroFrequencyOutsideTheGridRange) {
  eq->SetAttribute("zeroXFreq", "5");
  eq->SetResponse(&model);
  EXPECT_EQ(eq->Grid()->FrequencyLines().front().value, 5);
  EXPECT_NEAR(eq->XToFrequency(eq->Metrics().plotLeft), 5.0, 1e-9);
  // The curve still comes from the grid that was built at the clamped start.
  ASSERT_NE(model.Grid(), nullptr);
  EXPECT_EQ(model.Grid()->StartFrequency(), 17.0);
}

}  // namespace
}  // namespace brisvel::ui::test

namespace brisvel::ui::test {
namespace {

// The overlay: the measurement lined up by its level, and the prediction that
// moves with the next band edit without the overlay being set again.
TEST_F(EqGraphTest, OverlayDrawsMeasurementAndAPredictionThatFollowsEdits) {
  auto overlay = std::make_shared<EqOverlay>();
  overlay->measurement = FrequencyCurve{{10, 24000}, {80, 80}, {}};
  overlay->level = 70;  // measured at +10 dB
  eq->Curve()->SetOverlay(overlay);
  model.SetBand(17, 1000, -6.0, 760 / 300.0);
  eq->Refresh();
  const auto paint = [&] {
    QImage image(eq->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    eq->Curve()->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
  };
  const auto near = [](const QImage& img, int x, int y, const QColor& c) {
    for (int dy = -2; dy <= 2; ++dy) {
      const QColor p = img.pixelColor(x, y + dy);
      if (std::abs(p.red() - c.red()) < 40 && std::abs(p.green() - c.green()) < 40 && std::abs(p.blue() - c.blue()) < 40)
        return true;
    }
    return false;
  };
  const int x = ExpectedX(1000);
  QImage img = paint();
  EXPECT_TRUE(near(img, x, ExpectedY(10), overlay->measurementColor));
  EXPECT_TRUE(near(img, x, ExpectedY(4), overlay->predictionColor));
  model.SetBand(17, 1000, 0.0, 760 / 300.0);
  img = paint();
  EXPECT_TRUE(near(img, x, ExpectedY(10), overlay->predictionColor));
  EXPECT_FALSE(near(img, x, ExpectedY(4), overlay->predictionColor));
  eq->Curve()->SetOverlay(nullptr);
  img = paint();
  EXPECT_FALSE(near(img, x, ExpectedY(10), overlay->predictionColor));
}

}  // namespace
}  // namespace brisvel::ui::test
