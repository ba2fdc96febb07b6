// The sum overlay's state and its sum.
#include "app/sum_view.h"

#include <QStringList>
#include <algorithm>

#include "core/channel_names.h"
#include "core/scales.h"
#include "ui/translation.h"

namespace brisvel::app {

namespace {
bool ByLabel(int a, int b) { return ChannelLabelNumber(a) < ChannelLabelNumber(b); }
}  // namespace

void SumView::SetChannels(const std::vector<int>& boxes) {
  std::vector<int> chosen;
  for (int b : boxes)
    if (b >= 0 && b < kChannelCount && std::find(chosen.begin(), chosen.end(), b) == chosen.end()) chosen.push_back(b);
  std::sort(chosen.begin(), chosen.end(), ByLabel);
  channels_ = std::move(chosen);
}

void SumView::ToggleChannel(int box) {
  std::vector<int> next = channels_;
  if (Has(box)) {
    std::erase(next, box);
  } else {
    next.push_back(box);
  }
  SetChannels(next);
}

bool SumView::Has(int box) const { return std::find(channels_.begin(), channels_.end(), box) != channels_.end(); }

const CSystemSum* SumView::Current(QString* legend) {
  if (!shown_ || channels_.empty() || !store_.FrequencyGrid().Built()) return nullptr;
  if (!sum_) {
    std::vector<double> hz(kGridPoints);
    for (int k = 0; k < kGridPoints; ++k) hz[static_cast<size_t>(k)] = store_.FrequencyGrid().FrequencyHz(k);
    sum_ = std::make_unique<CSystemSum>(std::move(hz));
  }
  sum_->SetChannels(channels_);
  bool anyMeasured = false;
  for (int box : channels_) {
    const Measured m = measured_ ? measured_(box) : Measured{};
    Used& used = used_[static_cast<size_t>(box)];
    if (m.curve != used.curve || m.level != used.level || m.revision != used.revision) {
      sum_->SetMeasurement(box, m.curve, m.level);
      used = {m.curve, m.level, m.revision};
    }
    anyMeasured = anyMeasured || sum_->UsesMeasurement(box);
  }
  sum_->Update(store_.Block());
  if (legend) {
    *legend = ui::Tr(QStringLiteral("Sum %1")).arg(ChannelsLegend());
    if (anyMeasured) *legend += QLatin1Char(' ') + ui::Tr(QStringLiteral("(with the measured phases)"));
  }
  return sum_.get();
}

QString SumView::ChannelsText() const {
  if (channels_.empty()) return QStringLiteral("none");
  return QString::fromStdString(ChannelLabelsText(channels_));
}

QString SumView::ChannelsLegend() const {
  QStringList labels;
  for (int box : channels_) labels << QString::fromStdString(NamedChannelLabel(store_.Names(), box));
  return labels.join(QStringLiteral(" + "));
}

}  // namespace brisvel::app
