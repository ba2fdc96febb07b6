// Where the file dialogs start and what an import does with a PC mode whose
// name exists: shared by the settings dialog, the main window's scene files,
// the measurement window and scene files opened from outside.
#pragma once

#include <QString>
#include <functional>
#include <string_view>

#include "editing/presets.h"

class QWidget;

namespace brisvel::settings {
class ConfigIni;
}

namespace brisvel::presets {

// The folder the next file dialog of the kind (settings::kFolderKinds) opens
// in: the one last used for that kind, the home folder the first time or when
// it is gone.
QString StartFolder(const settings::ConfigIni& config, std::string_view kind);
// Keeps the folder of a chosen file (or of the first of several) for the kind.
void RememberFolder(settings::ConfigIni& config, std::string_view kind, const QString& chosenFile);

// Texts of the duplicate question (source language; the translations carry them).
inline constexpr char kDuplicateQuestionText[] =
    "A PC mode named \"%1\" already exists. Replace it, keep both (the new one as \"%2\"), or skip this scene?";
inline constexpr char kDuplicateReplaceText[] = "Replace";
inline constexpr char kDuplicateKeepBothText[] = "Keep both";
inline constexpr char kDuplicateSkipText[] = "Skip";

// Asks what becomes of a scene whose name is the PC mode existing's; the
// window closed without an answer skips. keptName is the name "keep both" gives.
editing::DuplicateChoice AskDuplicatePCMode(QWidget* owner, const QString& existing, const QString& keptName);
// Replaces the question by a function (for automated runs); an empty function
// restores the window.
void SetDuplicateResponder(std::function<editing::DuplicateChoice(const QString& existing)> responder);

}  // namespace brisvel::presets
