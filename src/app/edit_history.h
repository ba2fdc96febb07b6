// The console's side of the edit history and the A/B comparison: input
// gathered into steps, undo and redo with the window refresh, the A/B switch
// and copies, and what happens to the history when the processor's block
// replaces the editor's (a connection, a device-mode recall).
#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "app/console.h"
#include "editing/ab_compare.h"
#include "editing/history.h"

class QWidget;

namespace brisvel::app {

// The keys of the history: Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo.
QList<QKeySequence> UndoKeys();
QList<QKeySequence> RedoKeys();

// Gathers the user's input into steps: a mouse press opens one and its
// release closes it (so a whole drag is one step); a key press or a wheel
// turn is a step of its own. Installed on the application, it sees every
// window of the console (main, compact, dialogs). The history keys run the
// history in the windows ownsHistoryKeys names, whatever has the focus there
// (a text field's own undo never gets them).
class EditStepFilter : public QObject {
 public:
  EditStepFilter(editing::CEditHistory& history, std::function<bool(QWidget*)> ownsHistoryKeys,
                 std::function<void(bool redo)> runHistory)
      : history_(history), ownsHistoryKeys_(std::move(ownsHistoryKeys)), runHistory_(std::move(runHistory)) {}
  explicit EditStepFilter(editing::CEditHistory& history) : history_(history) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  editing::CEditHistory& history_;
  std::function<bool(QWidget*)> ownsHistoryKeys_;
  std::function<void(bool)> runHistory_;
  bool pressOpen_ = false;
  bool shortOpen_ = false;
  unsigned long pressTime_ = 0;
};

// Undo and redo of the side shown; the processor gets the values at once and
// every window refreshes. Nothing happens when there is nothing to undo.
void UndoStep(IConsole& app);
void RedoStep(IConsole& app);
// The other side of the A/B comparison goes to the processor whole and shows.
void SwitchAbSide(IConsole& app);
void CopyAbSide(IConsole& app, editing::AbSide from, editing::AbSide to);

// The processor's block was read into the store (a connection). With offline
// edits the installer chooses which settings stay (see OfflineChoice);
// otherwise the history ends if the block changed. Text typed into a field
// and not applied yet is dropped first: nothing but the installer's answer
// changes the block while the question is open.
void AfterProcessorBlockRead(IConsole& app, QWidget* owner);
// Applies the text typed into the focused field (as leaving it would) and
// closes the open step, so it is an edit of its own before a connection.
void ApplyTypingAsOfflineEdit(IConsole& app);
// A device-mode recall replaced the block: the history ends.
void AfterDeviceModeRecall(IConsole& app);

enum class OfflineChoice { kKeepProcessor, kSendMine, kShowDifferences };
// The question's answer; the default asks with a message window. A function
// stands in for the window in automated runs (an empty one restores it).
void SetOfflineQuestionResponder(std::function<OfflineChoice(const QString& differences)> responder);
// The differences as shown: per channel, my value -> the processor's value.
QString OfflineDifferencesText(const EffectBlock& mine, const EffectBlock& processor,
                               const ChannelNames& names = ChannelNames{});

// A step's name in the language shown.
QString StepNameText(const editing::StepName& name);
// Texts of the File pop-up's items ("Undo CH1 volume", or "Undo" when empty).
QString UndoItemText(const editing::CEditHistory* history);
QString RedoItemText(const editing::CEditHistory* history);

}  // namespace brisvel::app
