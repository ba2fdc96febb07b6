// The active translation and the re-application of texts to open windows.

#include "ui/translation.h"

#include "ui/element.h"

#include <QApplication>
#include <QTranslator>
#include <QWidget>
#include <memory>

namespace brisvel::ui {

namespace {
std::unique_ptr<QTranslator>& ActiveTranslator() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}
QString& ActiveName() {
  static QString name;
  return name;
}
constexpr const char* kGlobalContext = "brisvel";
}  // namespace

QString TranslatorForLanguage(int lang) { return lang == 0 ? "translator:cn" : "translator:en"; }

QString CurrentTranslation() { return ActiveName(); }

bool SetTranslation(const QString& resourceName) {
  QString file;
  if (resourceName.compare("translator:cn", Qt::CaseInsensitive) == 0) file = ":/translations/translator_cn.qm";
  else if (resourceName.compare("translator:en", Qt::CaseInsensitive) == 0) file = ":/translations/translator_en.qm";
  else return false;
  auto next = std::make_unique<QTranslator>();
  if (!next->load(file)) {
    qWarning("translation %s does not load", qPrintable(resourceName));
    return false;
  }
  auto& active = ActiveTranslator();
  if (active) QCoreApplication::removeTranslator(active.get());
  if (!QCoreApplication::installTranslator(next.get())) return false;
  active = std::move(next);
  ActiveName() = resourceName.toLower();
  RetranslateAllWindows();
  return true;
}

QString Tr(const QString& source, const QString& context) {
  if (source.isEmpty()) return source;
  const QByteArray key = source.toUtf8();
  if (!context.isEmpty()) {
    const QString t = QCoreApplication::translate(context.toUtf8().constData(), key.constData());
    if (t != source) return t;
  }
  return QCoreApplication::translate(kGlobalContext, key.constData());
}

void RetranslateTree(QWidget* root) {
  if (!root) return;
  if (Element* e = AsElement(root)) e->Retranslate();
  for (QObject* o : root->children())
    if (auto* w = qobject_cast<QWidget*>(o)) RetranslateTree(w);
}

void RetranslateAllWindows() {
  for (QWidget* w : QApplication::topLevelWidgets()) RetranslateTree(w);
}

}  // namespace brisvel::ui
