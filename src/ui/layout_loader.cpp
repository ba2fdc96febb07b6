// The layout loader: element registry, style classes, built-in layout
// resources and the building of controls from XML.

#include "ui/layout_loader.h"

#include "ui/basic_controls.h"
#include "ui/panel.h"

#include <QDir>
#include <QFile>
#include <pugixml.hpp>

namespace brisvel::ui {

namespace {
template <class T>
ElementRegistry::Factory Make() {
  return [](QWidget* parent) -> QWidget* { return new T(parent); };
}

template <class T>
ElementRegistry::Factory MakeWithIcon(const char* iconSkin) {
  return [iconSkin](QWidget* parent) -> QWidget* {
    auto* w = new T(parent);
    w->SetAttribute("iconSkin", iconSkin);
    w->SetAttribute("align", "left");
    return w;
  };
}

QString Str(const char* s) { return QString::fromUtf8(s); }
}  // namespace

ElementRegistry& ElementRegistry::Instance() {
  static ElementRegistry registry;
  return registry;
}

ElementRegistry::ElementRegistry() {
  // The toolkit's elements.
  Register("window", Make<Panel>());
  Register("div", Make<Panel>());
  Register("caption", Make<Caption>());
  Register("text", Make<TextLabel>());
  Register("img", Make<ImageView>());
  Register("button", Make<Button>());
  Register("imgbtn", Make<ImageButton>());
  Register("check", MakeWithIcon<SkCheckButton>("_check_box"));
  Register("radio", MakeWithIcon<SkRadioButton>("_radio_box"));
  Register("edit", Make<Edit>());
  Register("combobox", Make<ComboBox>());
  Register("tabctrl", Make<TabControl>());
  Register("progress", Make<SkProgress>());
  Register("gifplayer", Make<GifPlayer>());
  Register("skprogress", Make<SkProgress>());
  Register("skcheckbtn", Make<SkCheckButton>());
  Register("skradiobtn", Make<SkRadioButton>());
  // Controls built on the toolkit register themselves (see controls/controls.h).
}

void ElementRegistry::Register(const QString& element, Factory factory) {
  factories_[element.toLower()] = std::move(factory);
}

bool ElementRegistry::Has(const QString& element) const { return factories_.count(element.toLower()) != 0; }

QWidget* ElementRegistry::Create(const QString& element, QWidget* parent) const {
  auto it = factories_.find(element.toLower());
  return it == factories_.end() ? nullptr : it->second(parent);
}

QStringList ElementRegistry::Names() const {
  QStringList out;
  for (const auto& [name, f] : factories_) out.push_back(name);
  return out;
}

StyleRegistry& StyleRegistry::Instance() {
  static StyleRegistry registry;
  return registry;
}

StyleRegistry::StyleRegistry() {
  QFile file(":/layouts/_styles.xml");
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray xml = file.readAll();
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size()))) return;
  for (const pugi::xml_node cls : doc.document_element().children("class")) {
    std::map<QString, QString> attrs;
    for (const pugi::xml_attribute a : cls.attributes())
      if (std::string_view(a.name()) != "name") attrs[Str(a.name())] = Str(a.value());
    Define(Str(cls.attribute("name").value()), std::move(attrs));
  }
}

void StyleRegistry::Define(const QString& className, std::map<QString, QString> attributes) {
  classes_[className] = std::move(attributes);
}

const std::map<QString, QString>* StyleRegistry::Find(const QString& className) const {
  auto it = classes_.find(className);
  return it == classes_.end() ? nullptr : &it->second;
}

QByteArray LayoutResource(const QString& name) {
  QString n = name;
  if (n.startsWith("LAYOUT:", Qt::CaseInsensitive)) n = n.mid(7);
  if (n.isEmpty() || n.contains('/') || n.startsWith('_')) return {};
  QFile file(":/layouts/" + n + ".xml");
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QStringList LayoutNames() {
  QStringList out;
  for (const QString& f : QDir(":/layouts").entryList({"*.xml"}, QDir::Files, QDir::Name))
    if (!f.startsWith('_')) out.push_back(f.chopped(4));
  return out;
}

static void ApplyAttributes(Element* e, const pugi::xml_node& node) {
  if (const pugi::xml_attribute cls = node.attribute("class")) {
    for (const QString& name : Str(cls.value()).split(' ', Qt::SkipEmptyParts))
      if (const auto* attrs = StyleRegistry::Instance().Find(name))
        for (const auto& [k, v] : *attrs) e->SetAttribute(k, v);
  }
  for (const pugi::xml_attribute a : node.attributes()) {
    const QString name = Str(a.name());
    if (name == "class") continue;
    if (!e->SetAttribute(name, Str(a.value())))
      qDebug("layout: attribute %s ignored on <%s>", a.name(), node.name());
  }
}

namespace {
// Deeper layouts are not built: each level is a call here and a nested
// widget, and a fragment from a file may nest without end.
constexpr int kMaxBuildDepth = 64;

int BuildChildrenAt(QWidget* container, const pugi::xml_node& node, int depth);
}  // namespace

int BuildChildren(QWidget* container, const pugi::xml_node& node) { return BuildChildrenAt(container, node, 1); }

namespace {
int BuildChildrenAt(QWidget* container, const pugi::xml_node& node, int depth) {
  if (depth > kMaxBuildDepth) {
    qWarning("layout: elements nested deeper than %d levels skipped under <%s>", kMaxBuildDepth, node.name());
    return 0;
  }
  int created = 0;
  for (const pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    const QString tag = Str(child.name());
    if (tag == "items" || tag == "item" || tag == "page") continue;  // read by their owner
    QWidget* w = ElementRegistry::Instance().Create(tag, container);
    Element* e = AsElement(w);
    if (!e) {
      delete w;
      qWarning("layout: unknown element <%s> skipped", child.name());
      continue;
    }
    ++created;
    ApplyAttributes(e, child);
    if (auto* combo = dynamic_cast<ComboBox*>(w)) {
      const int sel = combo->currentIndex();
      for (const pugi::xml_node item : child.children("item"))
        combo->AddItem(Str(item.attribute("text").value()), item.attribute("data").as_int());
      for (const pugi::xml_node item : child.child("items").children("item"))
        combo->AddItem(Str(item.attribute("text").value()), item.attribute("data").as_int());
      const pugi::xml_attribute cur = child.attribute("curSel");
      combo->setCurrentIndex(cur ? cur.as_int() : sel);
    } else if (auto* tabs = dynamic_cast<TabControl*>(w)) {
      for (const pugi::xml_node pageNode : child.children("page")) {
        auto* page = new Panel();
        ApplyAttributes(page, pageNode);
        tabs->AddPage(page, Str(pageNode.attribute("title").value()));
        created += BuildChildrenAt(page, pageNode, depth + 1);
        page->OnChildrenCreated();
      }
    } else if (child.first_child()) {
      created += BuildChildrenAt(w, child, depth + 1);
    }
    e->OnChildrenCreated();
    if (!child.attribute("show") || ParseBool(Str(child.attribute("show").value()))) w->setVisible(true);
  }
  if (auto* panel = dynamic_cast<Panel*>(container)) panel->Relayout();
  return created;
}
}  // namespace

bool BuildFragment(QWidget* container, const QByteArray& xml, bool replace) {
  if (!container) return false;
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size()))) return false;
  if (replace) {
    std::vector<QWidget*> old;
    for (QObject* o : container->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w && AsElement(w) && !w->isWindow()) old.push_back(w);
    }
    for (QWidget* w : old) delete w;
  }
  BuildChildren(container, doc.document_element());
  if (auto* e = AsElement(container)) e->OnChildrenCreated();
  return true;
}

}  // namespace brisvel::ui
