// Every file name, section, key and default value of the program's settings
// files in one place, so readers and writers cannot drift apart.
#pragma once

#include <cstdint>

namespace brisvel::settings {

// Files and folders.
inline constexpr char kDataFolderName[] = "RezUriruBrisvel";  // inside the user's data folder
inline constexpr char kConfigFileName[] = "config.ini";       // data folder
inline constexpr char kCaeDataFileName[] = "caedata.dat";     // beside the executable
inline constexpr char kFreqStyleFileName[] = "freqstyle.xml"; // beside the executable

// config.ini [Config]
inline constexpr char kSectionConfig[] = "Config";
inline constexpr char kKeyLang[] = "Lang";
inline constexpr int32_t kDefaultLang = 0;  // 0 Chinese, anything else English
inline constexpr char kKeyDelay[] = "Delay";  // car-geometry record as hex text
inline constexpr char kKeyChannelNames[] = "ChannelNames";  // "CH1 name|CH2 name|...|CH6 name"

// config.ini [CrossoverPresets] 0..N-1: the installer's crossover presets ("HP,2,3,63").
inline constexpr char kSectionCrossoverPresets[] = "CrossoverPresets";

// config.ini PC modes: [PCMode] Count and 0..N-1 (hex blocks), [PCModeName] 0..N-1.
inline constexpr char kSectionPCMode[] = "PCMode";
inline constexpr char kSectionPCModeName[] = "PCModeName";
inline constexpr char kKeyPCModeCount[] = "Count";
// [PCModeChannels] 0..N-1: the channel names kept with each PC mode, in the
// form of [Config] ChannelNames; a PC mode without one has unnamed channels.
inline constexpr char kSectionPCModeChannels[] = "PCModeChannels";

// config.ini [Folders]: the folder each kind of file dialog opened last.
inline constexpr char kSectionFolders[] = "Folders";
inline constexpr char kFolderScene[] = "scene";              // .cae and .bae files
inline constexpr char kFolderMeasurement[] = "measurement";  // measurements and target curves
inline constexpr char kFolderFilters[] = "filters";          // filter sets
inline constexpr char kFolderReport[] = "report";            // reports written for the customer
inline constexpr const char* kFolderKinds[] = {kFolderScene, kFolderMeasurement, kFolderFilters, kFolderReport};

// config.ini [RecentScenes] 0..7: the scene files opened or saved last, the
// latest first.
inline constexpr char kSectionRecentScenes[] = "RecentScenes";
inline constexpr int kRecentSceneCount = 8;

// caedata.dat [param]
inline constexpr char kSectionParam[] = "param";
inline constexpr char kKeyScale[] = "scale";
inline constexpr int32_t kDefaultScale = 0;  // hundredths
inline constexpr char kKeyMaxVol[] = "maxvol";
inline constexpr int32_t kDefaultMaxVol = 20;  // dB
inline constexpr char kKeyMinVol[] = "minvol";
inline constexpr int32_t kDefaultMinVol = -20;  // dB
inline constexpr char kKeyShowFreqId[] = "ShowFreqID";
inline constexpr int32_t kDefaultShowFreqId = 1;
inline constexpr char kKeyId1[] = "id1";
inline constexpr int32_t kDefaultId1 = 0;
inline constexpr char kKeyId2[] = "id2";
inline constexpr int32_t kDefaultId2 = 0;

// caedata.dat [alert]
inline constexpr char kSectionAlert[] = "alert";
inline constexpr char kKeyAlertEnable[] = "enable";
inline constexpr int32_t kDefaultAlertEnable = 0;
inline constexpr char kKeyAlertDelay[] = "delay";
inline constexpr int32_t kDefaultAlertDelayMs = 8000;
inline constexpr char kKeyAlertMsg[] = "msg";
inline constexpr char kDefaultAlertMsg[] = "EQ增益调得太大，可能会爆音！";

}  // namespace brisvel::settings
