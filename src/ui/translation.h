// Translations: the Linguist resources "translator:cn" and "translator:en"
// compiled into the program. Every text of the layouts and message boxes is
// written in the source language and passes through the active translation;
// switching re-applies the texts of every open window at once.
#pragma once

#include <QString>

class QWidget;

namespace brisvel::ui {

// Loads "translator:cn" or "translator:en" and makes it current, then
// re-applies the texts of all open windows. Returns false when the name is
// unknown or the resource does not load (the previous translation stays).
bool SetTranslation(const QString& resourceName);
// "translator:cn" for language 0, "translator:en" otherwise.
QString TranslatorForLanguage(int lang);
QString CurrentTranslation();

// The translation of a source text in a context; the global context is the fallback.
QString Tr(const QString& source, const QString& context = QString());
// Re-applies texts of every element of every top-level window.
void RetranslateAllWindows();
void RetranslateTree(QWidget* root);

}  // namespace brisvel::ui
