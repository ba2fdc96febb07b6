// Pop-up menus from templates.

#include "ui/popup_menu.h"

#include "ui/translation.h"

#include <QFile>
#include <pugixml.hpp>

namespace brisvel::ui {

QByteArray MenuResource(const QString& name) {
  QString n = name;
  if (n.startsWith("smenu:", Qt::CaseInsensitive)) n = n.mid(6);
  if (n.isEmpty() || n.contains('/')) return {};
  QFile file(":/layouts/menus/" + n + ".xml");
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

PopupMenu::PopupMenu() : menu_(std::make_unique<QMenu>()) {}

bool PopupMenu::Load(const QString& resourceName) {
  const QByteArray xml = MenuResource(resourceName);
  if (xml.isEmpty()) return false;
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size()))) return false;
  menu_->clear();
  Build(menu_.get(), doc.document_element());
  return true;
}

void PopupMenu::Build(QMenu* menu, const pugi::xml_node& node) {
  for (const pugi::xml_node child : node.children()) {
    const std::string_view tag = child.name();
    const QString text = Tr(QString::fromUtf8(child.attribute("text").value()));
    if (tag == "item") {
      QAction* a = menu->addAction(text);
      a->setData(child.attribute("id").as_int());
      a->setEnabled(child.attribute("disable").as_int() == 0);
    } else if (tag == "sep") {
      menu->addSeparator();
    } else if (tag == "menu") {
      Build(menu->addMenu(text), child);
    }
  }
}

void PopupMenu::AppendItem(int commandId, const QString& sourceText) {
  QAction* a = menu_->addAction(Tr(sourceText));
  a->setData(commandId);
}

void PopupMenu::AppendSeparator() { menu_->addSeparator(); }

int PopupMenu::Exec(const QPoint& screenPoint) {
  const QAction* chosen = menu_->exec(screenPoint);
  return chosen ? chosen->data().toInt() : 0;
}

static void CollectIds(const QMenu* menu, QList<int>& out) {
  for (const QAction* a : menu->actions()) {
    if (a->menu()) CollectIds(a->menu(), out);
    else if (!a->isSeparator()) out.push_back(a->data().toInt());
  }
}

QList<int> PopupMenu::CommandIds() const {
  QList<int> out;
  CollectIds(menu_.get(), out);
  return out;
}

}  // namespace brisvel::ui
