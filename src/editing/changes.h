// What an editing operation changed, so that a window refreshes only that.
#pragma once

#include <string>
#include <vector>

namespace brisvel::editing {

struct Changes {
  // Output channels (Box indices 0-5, ascending) the operation applied to:
  // their controls show new values.
  std::vector<int> channels;
  // Parameters whose value in the block changed, in the order they changed.
  std::vector<int> params;
  // The text the edited control shows now (a parsed or stepped value), when
  // the operation edits a text.
  std::string text;
  bool currentChannel = false;  // the current channel changed: channel and tab refresh
  bool links = false;           // the link groups changed
  bool delays = false;          // the six delay texts are to be rewritten
  bool graph = false;           // a response model changed: the EQ graph places its handles and redraws
  bool full = false;            // the whole block changed behind the controls: full refresh

  bool Any() const { return !channels.empty() || !params.empty() || currentChannel || links || delays || graph || full; }
  bool Touched(int channel) const;
  bool Changed(int param) const;
};

}  // namespace brisvel::editing
