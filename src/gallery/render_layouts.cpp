// Renders every built-in layout to PNG files, offscreen, with sample data:
// render_layouts OUTDIR. The gallery is rendered in both translations.

#include "controls/car_view.h"
#include "controls/controls.h"
#include "controls/eq_graph.h"
#include "core/car_geometry.h"
#include "gallery/sample_data.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/layout_loader.h"
#include "ui/toolkit.h"
#include "ui/translation.h"
#include "ui/widget_snapshot.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <cstdio>

using namespace brisvel;
using namespace brisvel::ui;

namespace {

void FillSamples(HostWindow& w, CEqResponse& model) {
  if (auto* eq = w.Find<SkEQ>("eq_curve")) {
    eq->SetResponse(&model);
    eq->ShowQHandles(true);
  }
  if (auto* car = w.Find<SkCar>("car_delay")) {
    const CarPositions pos = DefaultCarPositions(car->Metrics().carWidth, car->Metrics().zhouJu);
    car->SetSpeakers(pos.speakers, pos.listener);
  }
  if (auto* text = AsElement(w.FindByName("txt_tip"))) text->SetText("Delay changed: CH1 0.350 ms");
  if (auto* text = AsElement(w.FindByName("msgtext"))) text->SetText("No device detected!");
  if (auto* text = AsElement(w.FindByName("msgtitle"))) text->SetText("Prompt");
  if (auto* bar = w.Find<SkProgress>("progress_bar")) bar->SetValue(64);
  if (w.LayoutName() == "XML_MSGBOX") {
    if (QWidget* no = w.FindById(7)) no->hide();
    if (QWidget* yes = w.FindById(6)) yes->hide();
  }
  w.FitToContent(w.LayoutName() == "XML_MSGBOX" ? QSize(320, 0) : QSize());
  // Show the car view's geometry overlay as during a drag of the listener.
  if (auto* car = w.Find<SkCar>("car_delay"); car && car->SpeakerCount() > 0) {
    QPoint at(car->ListenerPx().x, car->ListenerPx().y);
    car->OnThumbMoved(at, 0);
  }
}

bool Render(const QString& layout, const QString& file) {
  HostWindow w;
  if (layout == "XML_TOOLTIP") w.setAttribute(Qt::WA_TranslucentBackground, true);
  if (!w.LoadLayout(layout)) return false;
  CEqResponse model;
  FillSampleChannel(model);
  FillSamples(w, model);
  w.Root()->Relayout();
  return SaveWidgetImage(w, file);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: render_layouts OUTDIR\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(out)) return 1;
  InitToolkit();
  RegisterConsoleControls();
  int failures = 0;
  SetTranslation("translator:en");
  for (const QString& name : LayoutNames())
    if (!Render(name, out + "/" + name + ".png")) ++failures;
  SetTranslation("translator:cn");
  if (!Render("XML_GALLERY", out + "/XML_GALLERY_cn.png")) ++failures;
  if (!Render("XML_MSGBOX", out + "/XML_MSGBOX_cn.png")) ++failures;
  return failures == 0 ? 0 : 1;
}
