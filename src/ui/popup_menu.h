// Pop-up menus: built from a menu template resource ("smenu:XML_LANGMENU",
// "smenu:menu_joint0", the empty "smenu:XML_MENUEMPTY"), with items appended
// at run time, texts passed through the active translation, shown at a
// screen point. Choosing an item answers its command id.
#pragma once

#include <QMenu>
#include <QString>
#include <memory>

namespace pugi {
class xml_node;
}

namespace brisvel::ui {

class PopupMenu {
 public:
  PopupMenu();
  // Loads a template; returns false when the resource is missing or does not parse.
  bool Load(const QString& resourceName);
  // Appends an item given in the source language.
  void AppendItem(int commandId, const QString& sourceText);
  void AppendSeparator();
  // Shows the menu at the screen point and waits; answers the chosen command
  // id, or 0 when the menu was dismissed.
  int Exec(const QPoint& screenPoint);
  QMenu* Menu() const { return menu_.get(); }
  // Command ids of the items, depth first.
  QList<int> CommandIds() const;

 private:
  void Build(QMenu* menu, const pugi::xml_node& node);
  std::unique_ptr<QMenu> menu_;
};

// The XML text of a menu template; accepts "NAME" and "smenu:NAME".
QByteArray MenuResource(const QString& name);

}  // namespace brisvel::ui
