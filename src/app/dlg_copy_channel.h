// "Copy channel to...": which parts of a channel go to which other channels.
#pragma once

#include <vector>

#include "core/channel_names.h"
#include "editing/channel_editor.h"
#include "ui/host_window.h"

namespace brisvel::app {

inline constexpr char kCopyChannelLayout[] = "LAYOUT:XML_COPYCHANNEL";

class CDlgCopyChannelHandler : public ui::DialogEventHandler {
 public:
  // from: the Box channel copied.
  CDlgCopyChannelHandler(int from, ChannelNames names) : from_(from), names_(std::move(names)) {}
  void OnInit(ui::HostWindow& dlg) override;

  // After "Copy": the parts chosen and the Box channels to write them to.
  const editing::CopyParts& Parts() const { return parts_; }
  const std::vector<int>& Targets() const { return targets_; }

 private:
  void Take(ui::HostWindow& dlg);

  int from_;
  ChannelNames names_;
  editing::CopyParts parts_;
  std::vector<int> targets_;
};
using CDlgCopyChannel = ui::CCommonDlg<CDlgCopyChannelHandler>;

}  // namespace brisvel::app
