// The main window's channel editing controller: the binders of the editing
// panels and the refresh routines that span them.

#include "app/ui_event_handler.h"

#include "ui/host_window.h"

namespace brisvel::app {

CUIEventHandler::CUIEventHandler(ui::HostWindow& window, CEffectStore& store, editing::IEditLink* link,
                                 editing::EqSettings settings, RefreshNotifier* refresher)
    : editor_(store, link, settings),
      strip_(window, store, editor_, *this),
      equaliser_(window, store, editor_, *this),
      crossovers_(window, store, editor_, *this, [this] { equaliser_.RefreshGraph(); }),
      limiter_(window, store, editor_, *this),
      delays_(window, store, editor_, *this),
      sum_(window, store, editor_, *this) {
  if (refresher) {
    connect(refresher, &RefreshNotifier::Refresh, this, [this](RefreshKind kind) {
      if (ReloadsAll(kind)) FullRefresh();
      else equaliser_.RefreshGraph();
    });
  }
}

void CUIEventHandler::Init() {
  for (PanelBinder* binder : std::initializer_list<PanelBinder*>{&strip_, &equaliser_, &crossovers_, &limiter_, &delays_, &sum_})
    binder->Bind();
  FullRefresh();
}

void CUIEventHandler::FullRefresh() {
  strip_.Refresh();
  delays_.Refresh();
  sum_.Refresh();
  TabRefresh();
  ChannelRefresh();
}

void CUIEventHandler::ChannelRefresh() {
  crossovers_.Refresh();
  limiter_.Refresh();
  equaliser_.Refresh();
}

}  // namespace brisvel::app
