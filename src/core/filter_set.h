// Exchange of a channel's bands with other tools: the parametric-filter text
// ("Preamp: -6.0 dB", "Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.41"), the
// configuration of system-wide equalisers (unnumbered "Filter:" lines with
// "Channel:", "Device:", "Include:"), a measurement program's filter table
// and CSV (band, frequency, gain, Q). Import maps peaking filters to the bands
// in order, quantises every value to what the block holds and reports each
// change and each filter it could not take, for a preview the user confirms.
//
// The Q of these files is the standard biquad Q of a peaking filter, which
// the response model draws as raw / 300: a file's Q is stored as the Q-table
// entry nearest to Q x 300 and written back as raw / 300. The band table of
// the console shows raw / 100, three times the files' Q.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/eq_fit.h"

namespace brisvel {

// The Q of the files for a raw Q, and the raw Q (a Q-table entry) for a file's Q.
double FileQ(int raw);
int RawQFromFileQ(double q);
// "1.40", "2.533": the file's Q as written and reported.
std::string FileQText(int raw);

// Every band, in band order; Q as the files take it (raw / 300).
std::string FilterSetText(const ChannelBands& bands);
std::string FilterSetCsv(const ChannelBands& bands);

// One filter taken into a band: what the file said and what the band holds.
struct TakenFilter {
  std::string label;  // "Filter 3", "Filter 2 (line 7)", "Row 4"
  int line = 0;
  double freq = 0, gain = 0, q = 0;  // as read (q as the file's Q)
  int band = 0;                      // 0-based
  BandRaw value;
};

struct FilterSetImport {
  bool ok = false;
  std::string error;  // when !ok: names the line and what was expected
  ChannelBands bands{};
  int filtersTaken = 0;
  std::vector<TakenFilter> taken;
  std::vector<std::string> changes;  // values adjusted to fit the block
  std::vector<std::string> skipped;  // filters or lines not taken
  std::vector<std::string> notes;    // what was understood: format, encoding, sections not read
  enum Format { kText, kTable, kCsv };
  Format format = kText;
};

// Reads any of the formats from the file's bytes (decoded as DecodeText does).
// Bands without a filter keep frequency and Q and get 0 dB.
FilterSetImport ImportFilterSet(std::string_view bytes, const ChannelBands& current, int minGainDb, int maxGainDb);

}  // namespace brisvel
