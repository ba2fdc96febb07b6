// The tuning report's pages: the processor and setting with a table of the
// channels, one page per channel with its values, its EQ curve and its bands,
// then the sums and the measurements with their predictions.
#include "report/tuning_report_pdf.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include "core/channel_names.h"
#include "core/crossover_presets.h"
#include "core/scales.h"
#include "core/system_sum.h"
#include "ui/translation.h"

namespace brisvel::report {

namespace {

QString Tr(const char* text) { return ui::Tr(QString::fromUtf8(text)); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

// Values the report words itself; numbers and units stay as the windows show them.
QString ShownValue(const std::string& value) {
  static const char* const kWords[] = {"muted",    "not muted", "inverted", "normal", "bypassed", "off",
                                       "No processor is connected", "The processor did not report its information",
                                       "factory setting"};
  for (const char* w : kWords)
    if (value == w) return Tr(w);
  return Q(value);
}

struct Series {
  QString name;
  QColor color;
  std::vector<double> hz, db;
  bool dashed = false;
};

constexpr double kLowHz = 20.0, kHighHz = 20000.0;

// A log-frequency plot with a dB axis and a legend; the range fits the curves
// (at least 24 dB), in 6 dB steps.
void DrawPlot(QPainter& p, const QRectF& area, const QString& title, const std::vector<Series>& series) {
  double lo = 1e9, hi = -1e9;
  for (const Series& s : series)
    for (double v : s.db)
      if (v > kSilentDb) lo = std::min(lo, v), hi = std::max(hi, v);
  if (lo > hi) lo = hi = 0;
  hi = std::ceil((hi + 3) / 6.0) * 6.0;
  lo = std::max(std::floor((lo - 3) / 6.0) * 6.0, hi - 60.0);
  if (hi - lo < 24) lo = hi - 24;
  QFont f = p.font();
  f.setPointSizeF(8);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::black);
  p.drawText(QRectF(area.left(), area.top(), area.width(), 12), Qt::AlignLeft | Qt::AlignVCenter, title);
  f.setBold(false);
  f.setPointSizeF(6.5);
  p.setFont(f);
  const QRectF plot(area.left() + 28, area.top() + 26, area.width() - 32, area.height() - 40);
  const auto x = [&](double hz) {
    return plot.left() + plot.width() * std::log(std::clamp(hz, kLowHz, kHighHz) / kLowHz) / std::log(kHighHz / kLowHz);
  };
  const auto y = [&](double db) { return plot.bottom() - plot.height() * (std::clamp(db, lo, hi) - lo) / (hi - lo); };
  p.setPen(QPen(QColor(0xcc, 0xcc, 0xcc), 0.5));
  for (double db = lo; db <= hi + 1e-9; db += 6) {
    p.drawLine(QPointF(plot.left(), y(db)), QPointF(plot.right(), y(db)));
    p.save();
    p.setPen(QColor(0x55, 0x55, 0x55));
    p.drawText(QRectF(area.left(), y(db) - 5, 25, 10), Qt::AlignRight | Qt::AlignVCenter, QString::number(db, 'f', 0));
    p.restore();
  }
  for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0}) {
    p.drawLine(QPointF(x(hz), plot.top()), QPointF(x(hz), plot.bottom()));
    p.save();
    p.setPen(QColor(0x55, 0x55, 0x55));
    const QString label = hz >= 1000 ? QStringLiteral("%1k").arg(hz / 1000) : QString::number(hz);
    p.drawText(QRectF(x(hz) - 15, plot.bottom() + 1, 30, 10), Qt::AlignCenter, label);
    p.restore();
  }
  p.setPen(QPen(Qt::black, 0.6));
  p.drawRect(plot);
  p.drawText(QRectF(area.left(), plot.top() - 11, 25, 10), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("dB"));
  p.drawText(QRectF(plot.right() - 30, plot.bottom() + 10, 30, 10), Qt::AlignRight | Qt::AlignVCenter,
             QStringLiteral("Hz"));
  p.save();
  p.setClipRect(plot);
  for (const Series& s : series) {
    QPainterPath path;
    for (size_t i = 0; i < s.hz.size() && i < s.db.size(); ++i) {
      const QPointF at(x(s.hz[i]), y(s.db[i]));
      if (i == 0) path.moveTo(at);
      else path.lineTo(at);
    }
    p.setPen(QPen(s.color, 1.2, s.dashed ? Qt::DashLine : Qt::SolidLine));
    p.drawPath(path);
  }
  p.restore();
  // The legend, top right inside the plot.
  double ly = plot.top() + 4;
  const QFontMetricsF fm(p.font());
  double width = 0;
  for (const Series& s : series) width = std::max(width, fm.horizontalAdvance(s.name));
  for (const Series& s : series) {
    const double lx = plot.right() - width - 26;
    p.setPen(QPen(s.color, 1.5, s.dashed ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(QPointF(lx, ly + 4), QPointF(lx + 14, ly + 4));
    p.setPen(Qt::black);
    p.drawText(QRectF(lx + 18, ly, width + 4, 9), Qt::AlignLeft | Qt::AlignVCenter, s.name);
    ly += 10;
  }
}

// Rows of cells at fixed column widths; returns the y below them.
double DrawTable(QPainter& p, double left, double top, const std::vector<double>& widths,
                 const std::vector<QStringList>& rows, double rowHeight = 11) {
  QFont f = p.font();
  f.setPointSizeF(7);
  for (size_t r = 0; r < rows.size(); ++r) {
    f.setBold(r == 0);
    p.setFont(f);
    double x = left;
    const double y = top + static_cast<double>(r) * rowHeight;
    if (r % 2 == 1) p.fillRect(QRectF(left, y, std::accumulate(widths.begin(), widths.end(), 0.0), rowHeight),
                               QColor(0xf2, 0xf2, 0xf2));
    p.setPen(Qt::black);
    for (int c = 0; c < rows[r].size() && c < static_cast<int>(widths.size()); ++c) {
      const QRectF cell(x + 2, y, widths[static_cast<size_t>(c)] - 4, rowHeight);
      p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter,
                 p.fontMetrics().elidedText(rows[r][c], Qt::ElideRight, static_cast<int>(cell.width())));
      x += widths[static_cast<size_t>(c)];
    }
  }
  return top + static_cast<double>(rows.size()) * rowHeight;
}


// "LR 24dB/Oct 80Hz" for the table of all channels, "OFF" for a filter that is off.
QString ShortFilter(const EffectBlock& block, int typeIndex, int freqIndex, bool highPass) {
  const auto type = static_cast<uint8_t>(ReadParam(block, typeIndex));
  const int hz = ReadParam(block, freqIndex);
  const std::string freq = highPass ? HighPassText(hz) : LowPassText(hz);
  if (SlopeIndexOf(type) >= kSlopeCount - 1 || freq == "OFF") return QStringLiteral("OFF");
  return QStringLiteral("%1 %2 %3").arg(QLatin1String(ShortCharacteristicText(CharacteristicOf(type))),
                                        QString::fromLatin1(SlopeText(SlopeIndexOf(type))), Q(freq));
}

// The value rows by channel and item.
using Values = std::map<std::pair<std::string, std::string>, ReportRow>;

QString Value(const Values& v, const std::string& channel, const std::string& item) {
  const auto it = v.find({channel, item});
  return it == v.end() ? QString() : ShownValue(it->second.value);
}

const QColor kCurveColors[] = {QColor(0xc0, 0x27, 0xc0), QColor(0x20, 0x70, 0xd0), QColor(0xd0, 0x70, 0x10),
                               QColor(0x10, 0x90, 0x40), QColor(0xb0, 0x20, 0x30), QColor(0x50, 0x50, 0x50)};

class Pages {
 public:
  Pages(QPdfWriter& writer, QPainter& painter) : writer_(writer), p_(painter) {
    page_ = writer.pageLayout().paintRectPoints();
  }
  const QRectF& Page() const { return page_; }
  void NewPage() {
    writer_.newPage();
    ++number_;
  }
  void Footer(const QString& date) {
    QFont f = p_.font();
    f.setPointSizeF(6.5);
    f.setBold(false);
    p_.setFont(f);
    p_.setPen(QColor(0x55, 0x55, 0x55));
    p_.drawText(QRectF(0, page_.height() - 10, page_.width(), 10), Qt::AlignLeft | Qt::AlignVCenter,
                Tr("Tuning report") + QStringLiteral("  ·  ") + date);
    p_.drawText(QRectF(0, page_.height() - 10, page_.width(), 10), Qt::AlignRight | Qt::AlignVCenter,
                QString::number(number_));
  }
  double Heading(const QString& text, double y, double size = 13) {
    QFont f = p_.font();
    f.setPointSizeF(size);
    f.setBold(true);
    p_.setFont(f);
    p_.setPen(Qt::black);
    p_.drawText(QRectF(0, y, page_.width(), size + 6), Qt::AlignLeft | Qt::AlignVCenter, text);
    return y + size + 10;
  }

 private:
  QPdfWriter& writer_;
  QPainter& p_;
  QRectF page_;
  int number_ = 1;
};

void PaintReport(QPdfWriter& writer, const TuningReport& r) {
  QPainter p(&writer);
  p.setRenderHint(QPainter::Antialiasing);
  // Latin text in a plain sans serif; Chinese from a simplified-Chinese face
  // where the system has one (Qt falls back to any face with the glyphs).
  QFont font = p.font();
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei"),
                    QStringLiteral("SimSun")});
  p.setFont(font);
  Pages pages(writer, p);
  const double width = pages.Page().width();
  const std::vector<ReportRow> rows = ReportValueRows(r);
  Values values;
  for (const ReportRow& row : rows) values[{row.channel, row.item}] = row;
  const std::vector<double> hz = ReportFrequencies();

  // Page 1: the processor, the setting and every channel at a glance.
  double y = pages.Heading(Tr("Tuning report"), 0, 18);
  std::vector<QStringList> info;
  for (const char* item : {"Date", "Processor", "Device mode", "PC mode", "Master volume", "Noise gate"}) {
    QString v = Value(values, "", item);
    if (v.isEmpty()) v = QStringLiteral("–");
    info.push_back({Tr(item), v});
  }
  info.insert(info.begin(), {Tr("Item"), Tr("Value")});
  y = DrawTable(p, 0, y, {110, width - 110}, info, 13) + 16;
  y = pages.Heading(Tr("Channels"), y, 11);
  std::vector<QStringList> table{{Tr("Channel"), Tr("Name"), Tr("Volume"), Tr("Mute"), Tr("Polarity"), Tr("Delay"),
                                  Tr("High-pass"), Tr("Low-pass"), Tr("Limiter")}};
  for (int box : ReportChannelOrder()) {
    const std::string ch = ChannelLabel(box);
    table.push_back({Q(ch), Value(values, ch, "Name"), Value(values, ch, "Volume"), Value(values, ch, "Mute"),
                     Value(values, ch, "Polarity"), Value(values, ch, "Delay"),
                     ShortFilter(r.block, param::HpType(box), param::HpFreq(box), true),
                     ShortFilter(r.block, param::LpType(box), param::LpFreq(box), false),
                     Value(values, ch, "Limiter threshold")});
  }
  const double rest = width - 38 - 62 - 36 - 42 - 38 - 70 - 44;
  y = DrawTable(p, 0, y, {38, 62, 36, 42, 38, 70, rest / 2, rest / 2, 44}, table, 13) + 16;
  std::vector<Series> all;
  for (int box : ReportChannelOrder()) {
    all.push_back({Q(NamedChannelLabel(r.names, box)), kCurveColors[ChannelLabelNumber(box) - 1],
                   hz, ReportEqCurve(r.block, box, hz)});
  }
  DrawPlot(p, QRectF(0, y, width, 250), Tr("EQ curves of all channels"), all);
  pages.Footer(Q(r.date));

  // One page per channel.
  for (int box : ReportChannelOrder()) {
    pages.NewPage();
    const std::string ch = ChannelLabel(box);
    y = pages.Heading(Q(NamedChannelLabel(r.names, box)), 0, 14);
    std::vector<QStringList> own{{Tr("Item"), Tr("Value")}};
    for (const char* item : {"Volume", "Mute", "Polarity", "EQ bypass", "Delay", "High-pass", "High-pass frequency",
                             "Low-pass", "Low-pass frequency", "Limiter threshold", "Limiter attack", "Limiter release"}) {
      own.push_back({Tr(item), Value(values, ch, item)});
    }
    y = DrawTable(p, 0, y, {120, width / 2 - 120}, own, 12);
    y = std::max(y, 0.0) + 12;
    DrawPlot(p, QRectF(0, y, width, 200), Tr("EQ curve"),
             {{Q(NamedChannelLabel(r.names, box)), kCurveColors[0], hz, ReportEqCurve(r.block, box, hz)}});
    y += 212;
    // The 31 bands in two columns.
    for (int half = 0; half < 2; ++half) {
      std::vector<QStringList> bands{{Tr("Band"), Tr("Frequency"), Tr("Q"), Tr("Gain")}};
      for (int b = half * 16; b < std::min(kBandCount, half * 16 + 16); ++b) {
        const std::string band = "Band " + std::to_string(b + 1);
        bands.push_back({QString::number(b + 1), Value(values, ch, band + " frequency") + QStringLiteral(" Hz"),
                         Value(values, ch, band + " Q"), Value(values, ch, band + " gain") + QStringLiteral(" dB")});
      }
      DrawTable(p, half * (width / 2 + 6), y, {34, 80, 60, width / 2 - 180}, bands, 11.5);
    }
    pages.Footer(Q(r.date));
  }

  // The sums and the measurements, two plots to a page.
  std::vector<std::pair<QString, std::vector<Series>>> plots;
  for (const std::vector<int>& boxes : r.sums) {
    std::vector<int> ordered = boxes;
    std::sort(ordered.begin(), ordered.end(), [](int a, int b) { return ChannelLabelNumber(a) < ChannelLabelNumber(b); });
    QStringList names;
    for (int box : ordered) names << Q(NamedChannelLabel(r.names, box));
    plots.push_back({ui::Tr(QStringLiteral("Sum %1")).arg(names.join(QStringLiteral(" + "))),
                     {{Tr("Sum"), QColor(0xd0, 0x90, 0x00), hz, ReportSumCurve(r.block, boxes, hz)}}});
  }
  for (const ReportMeasurement& m : r.measurements) {
    plots.push_back({Tr("Measurement") + QStringLiteral(" ") + Q(NamedChannelLabel(r.names, m.box)) +
                         (m.source.empty() ? QString() : QStringLiteral(" (%1)").arg(QFileInfo(Q(m.source)).fileName())),
                     {{Tr("Measurement"), QColor(0xe0, 0x80, 0x10), m.hz, m.measured},
                      {Tr("Target"), QColor(0x60, 0x60, 0x60), m.hz, m.target, true},
                      {Tr("Predicted result"), QColor(0x20, 0x80, 0xd0), m.hz, m.predicted}}});
  }
  for (size_t i = 0; i < plots.size(); ++i) {
    if (i % 2 == 0) {
      pages.NewPage();
      y = pages.Heading(i < r.sums.size() ? Tr("Summed responses") : Tr("Measurements"), 0, 14);
    }
    DrawPlot(p, QRectF(0, y, width, 300), plots[i].first, plots[i].second);
    y += 320;
    if (i % 2 == 1 || i + 1 == plots.size()) pages.Footer(Q(r.date));
  }
  p.end();
}

bool Commit(QSaveFile& file, QString* error) {
  if (file.commit()) return true;
  if (error) *error = ui::Tr(QStringLiteral("%1 could not be written: %2")).arg(file.fileName(), file.errorString());
  return false;
}

bool Open(QSaveFile& file, QString* error) {
  if (file.open(QIODevice::WriteOnly)) return true;
  if (error) *error = ui::Tr(QStringLiteral("%1 could not be written: %2")).arg(file.fileName(), file.errorString());
  return false;
}

}  // namespace

bool WriteTuningReportPdf(const TuningReport& report, const QString& path, QString* error) {
  QSaveFile file(path);
  if (!Open(file, error)) return false;
  {
    QPdfWriter writer(&file);
    writer.setResolution(72);  // one unit is one point
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(40, 36, 40, 30),
                                     QPageLayout::Point));
    writer.setTitle(ui::Tr(QStringLiteral("Tuning report")));
    writer.setCreator(QStringLiteral("Brisvel console"));
    PaintReport(writer, report);
  }
  return Commit(file, error);
}

bool WriteTuningReportCsv(const TuningReport& report, const QString& path, QString* error) {
  QSaveFile file(path);
  if (!Open(file, error)) return false;
  const std::string csv = TuningReportCsv(report);
  if (file.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size())) {
    file.cancelWriting();
    if (error) *error = ui::Tr(QStringLiteral("%1 could not be written: %2")).arg(path, file.errorString());
    return false;
  }
  return Commit(file, error);
}

QString CsvBeside(const QString& pdfPath) {
  const QFileInfo info(pdfPath);
  const QString base = info.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0
                           ? info.completeBaseName()
                           : info.fileName();
  return info.dir().filePath(base + QStringLiteral(".csv"));
}

}  // namespace brisvel::report
