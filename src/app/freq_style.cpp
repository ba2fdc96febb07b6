// The frequency-caption row from freqstyle.xml.

#include "app/freq_style.h"

#include <QFile>
#include <QWidget>
#include <pugixml.hpp>
#include <sstream>

#include "spdlog/spdlog.h"
#include "ui/layout_loader.h"

namespace brisvel::app {

bool ReplaceFrequencyCaptions(QWidget* row, const QByteArray& xml) {
  if (!row) return false;
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size())) || !doc.document_element()) return false;
  // The root element, whatever its name, becomes a plain container: wrap it
  // so that the fragment builder creates it as the row's only child.
  pugi::xml_document wrapped;
  pugi::xml_node holder = wrapped.append_child("fragment");
  pugi::xml_node box = holder.append_copy(doc.document_element());
  box.set_name("window");
  std::ostringstream text;
  wrapped.save(text, "", pugi::format_raw);
  const std::string s = text.str();
  return ui::BuildFragment(row, QByteArray(s.data(), static_cast<qsizetype>(s.size())), true);
}

bool ReplaceFrequencyCaptionsFromFile(QWidget* row, const QString& file) {
  QFile f(file);
  if (!f.exists()) return false;
  if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxFreqStyleBytes) {
    spdlog::warn("{} is unreadable or too large; the built-in frequency captions stay", file.toStdString());
    return false;
  }
  if (ReplaceFrequencyCaptions(row, f.readAll())) return true;
  spdlog::warn("{} does not parse; the built-in frequency captions stay", file.toStdString());
  return false;
}

}  // namespace brisvel::app
