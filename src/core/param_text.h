// What kind of value each parameter holds, the channel it belongs to and the
// text it is shown with: shared by brisvelctl and the comparison of blocks.
#pragma once

#include <string>

#include "core/param_table.h"

namespace brisvel {

inline ParamKind ParamKindOf(int index) { return LocateParam(index).kind; }

// The output channel (Box 0-5) a parameter belongs to; -1 for the ones all
// channels share (the control masks, MainVol, the noise gate).
inline int ParamChannel(int index) { return LocateParam(index).channel; }

// Display text of one parameter ("-3dB", "1000", "7.60", "OFF"); delays in ms.
std::string ParamDisplayText(const EffectBlock& block, int index);

}  // namespace brisvel
