// The frequency-caption row from freqstyle.xml.

#include "app/freq_style.h"

#include <QFile>
#include <QWidget>
#include <pugixml.hpp>
#include <sstream>

#include "settings/file_safety.h"
#include "settings/freq_style.h"
#include "spdlog/spdlog.h"
#include "ui/layout_loader.h"

namespace brisvel::app {

namespace {

bool BuildCaptions(QWidget* row, const pugi::xml_document& doc) {
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

}  // namespace

bool ReplaceFrequencyCaptions(QWidget* row, const QByteArray& xml) {
  if (!row) return false;
  std::string why;
  const auto doc = settings::ParseFreqStyle(std::string_view(xml.constData(), static_cast<size_t>(xml.size())), &why);
  if (!doc) {
    spdlog::warn("frequency captions refused: {}", why);
    return false;
  }
  return BuildCaptions(row, *doc);
}

bool ReplaceFrequencyCaptionsFromFile(QWidget* row, const QString& file) {
  if (!row) return false;
  // Only a regular file of bounded size is read: a link to a device or a FIFO
  // neither aborts nor blocks the console.
  const std::filesystem::path path(QFile::encodeName(file).toStdString());
  const settings::FileContent content = settings::ReadRegularFile(path, settings::kMaxFreqStyleBytes);
  if (content.status == settings::ReadStatus::kMissing) return false;
  if (content.status != settings::ReadStatus::kOk) {
    spdlog::warn("{}; the built-in frequency captions stay", content.error);
    return false;
  }
  std::string why;
  const auto doc = settings::ParseFreqStyle(content.data, &why);
  if (doc && BuildCaptions(row, *doc)) return true;
  spdlog::warn("{}: {}; the built-in frequency captions stay", file.toStdString(), why.empty() ? "not built" : why);
  return false;
}

}  // namespace brisvel::app
