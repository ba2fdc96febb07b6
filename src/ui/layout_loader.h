// Layouts: XML resources compiled into the program under their names
// ("XML_MAINWND", "LAYOUT:XML_PROGRESS", ...), built into host windows or, as
// fragments, into an existing container. The element registry maps element
// names to the controls that implement them: the toolkit's own elements are
// there from the start, other controls register themselves.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <map>

namespace pugi {
class xml_node;
}

namespace brisvel::ui {

class ElementRegistry {
 public:
  using Factory = std::function<QWidget*(QWidget* parent)>;
  // The registry, holding the toolkit's elements from the start.
  static ElementRegistry& Instance();
  // Adds or replaces the factory of an element name (case-insensitive).
  void Register(const QString& element, Factory factory);
  bool Has(const QString& element) const;
  // nullptr for an unknown element name (names are case-insensitive).
  QWidget* Create(const QString& element, QWidget* parent) const;
  QStringList Names() const;

 private:
  ElementRegistry();
  std::map<QString, Factory> factories_;
};

// Named attribute sets applied before an element's own attributes (attribute "class").
class StyleRegistry {
 public:
  static StyleRegistry& Instance();
  void Define(const QString& className, std::map<QString, QString> attributes);
  const std::map<QString, QString>* Find(const QString& className) const;

 private:
  StyleRegistry();
  std::map<QString, std::map<QString, QString>> classes_;
};

// The XML text of a built-in layout; accepts "NAME" and "LAYOUT:NAME". Empty when unknown.
QByteArray LayoutResource(const QString& name);
// Names of all built-in layouts.
QStringList LayoutNames();

// Builds the children of node into container (which must be a panel or another
// element container). Unknown elements, and elements nested more than 64
// levels deep, are skipped and logged. Returns the number of controls created.
int BuildChildren(QWidget* container, const pugi::xml_node& node);
// Builds a layout fragment (XML text whose root's children are the controls)
// into container, first deleting the container's children when replace is set.
// Returns false when the text does not parse; the container is then unchanged.
bool BuildFragment(QWidget* container, const QByteArray& xml, bool replace);

}  // namespace brisvel::ui
