// Reading the installer's tuning data file into its values, key by key with
// each key's own default.
#include "settings/cae_data.h"

#include "settings/settings_store.h"

namespace brisvel::settings {

CaeData LoadCaeData(const std::filesystem::path& file) {
  CaeData d;
  SettingsStore store;
  if (!store.LoadFromFile(file)) return d;
  d.scale = store.ReadInteger(kSectionParam, kKeyScale, kDefaultScale) / 100.0;
  d.maxVol = store.ReadInteger(kSectionParam, kKeyMaxVol, kDefaultMaxVol);
  d.minVol = store.ReadInteger(kSectionParam, kKeyMinVol, kDefaultMinVol);
  d.showFreqId = store.ReadInteger(kSectionParam, kKeyShowFreqId, kDefaultShowFreqId);
  d.id1 = store.ReadInteger(kSectionParam, kKeyId1, kDefaultId1);
  d.id2 = store.ReadInteger(kSectionParam, kKeyId2, kDefaultId2);
  d.alertEnable = store.ReadInteger(kSectionAlert, kKeyAlertEnable, kDefaultAlertEnable);
  d.alertDelayMs = store.ReadInteger(kSectionAlert, kKeyAlertDelay, kDefaultAlertDelayMs);
  d.alertMsg = store.ReadString(kSectionAlert, kKeyAlertMsg).value_or(kDefaultAlertMsg);
  // The gain range sizes the EQ graph (its grid step is maxvol / 2) and bounds
  // band gains stored as hundredths of a dB in 16 bits: a range that is empty,
  // has no grid step or does not fit falls back to the defaults.
  if (d.maxVol < 2 || d.minVol >= d.maxVol || d.maxVol > kMaxGainRangeDb || d.minVol < -kMaxGainRangeDb) {
    d.maxVol = kDefaultMaxVol;
    d.minVol = kDefaultMinVol;
  }
  return d;
}

}  // namespace brisvel::settings
