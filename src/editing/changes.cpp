// Queries on the changes an operation reports.
#include "editing/changes.h"

#include <algorithm>

namespace brisvel::editing {

bool Changes::Touched(int channel) const {
  return std::find(channels.begin(), channels.end(), channel) != channels.end();
}

bool Changes::Changed(int param) const { return std::find(params.begin(), params.end(), param) != params.end(); }

}  // namespace brisvel::editing
