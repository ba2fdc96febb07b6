// Steps from the user's input, undo and redo, the A/B switch, and the
// question when a processor connects after edits made without it.
#include "app/edit_history.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/block_diff.h"
#include "spdlog/spdlog.h"
#include "ui/translation.h"

namespace brisvel::app {

namespace {

std::function<OfflineChoice(const QString&)>& Responder() {
  static std::function<OfflineChoice(const QString&)> responder;
  return responder;
}

// The history command of a key: 0 none, 1 undo, 2 redo.
int HistoryKeyCommand(const QKeyEvent* key) {
  const QKeySequence pressed(key->keyCombination());
  if (pressed == UndoKeys().front()) return 1;
  for (const QKeySequence& redo : RedoKeys())
    if (pressed == redo) return 2;
  return 0;
}

void AfterHistoryMove(IConsole& app, const editing::Changes& c) {
  if (!c.full) return;
  app.Refresher().Send(RefreshKind::kFull);
}

void LogEnd(const char* reason) { spdlog::info("Edit history ended: {}", reason); }

OfflineChoice AskOffline(QWidget* owner, const QString& differences) {
  if (Responder()) return Responder()(differences);
  QMessageBox box(owner);
  box.setWindowTitle(ui::Tr(QStringLiteral("Prompt")));
  box.setText(ui::Tr(QStringLiteral(
      "The settings were changed while no processor was connected, and the processor holds other settings.")));
  QPushButton* keep = box.addButton(ui::Tr(QStringLiteral("Keep the processor's settings")), QMessageBox::RejectRole);
  QPushButton* send = box.addButton(ui::Tr(QStringLiteral("Send my settings to the processor")), QMessageBox::AcceptRole);
  QPushButton* show = box.addButton(ui::Tr(QStringLiteral("Show differences")), QMessageBox::HelpRole);
  box.setDefaultButton(send);
  box.exec();
  if (box.clickedButton() == send) return OfflineChoice::kSendMine;
  if (box.clickedButton() == show) return OfflineChoice::kShowDifferences;
  (void)keep;
  return OfflineChoice::kKeepProcessor;
}

void ShowDifferences(QWidget* owner, const QString& text) {
  if (Responder()) return;  // automated runs read the text from the responder's argument
  QDialog dlg(owner);
  dlg.setObjectName(QStringLiteral("offline_differences"));
  dlg.setWindowTitle(ui::Tr(QStringLiteral("Show differences")));
  auto* layout = new QVBoxLayout(&dlg);
  auto* view = new QPlainTextEdit(text, &dlg);
  view->setReadOnly(true);
  view->setMinimumSize(520, 360);
  layout->addWidget(view);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  layout->addWidget(buttons);
  dlg.exec();
}

}  // namespace

QList<QKeySequence> UndoKeys() { return {QKeySequence(Qt::CTRL | Qt::Key_Z)}; }
QList<QKeySequence> RedoKeys() {
  return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)};
}

bool EditStepFilter::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
    // The history keys belong to the console's history in its editing
    // windows, also while a field has the focus (which would undo its own text).
    const int command = HistoryKeyCommand(static_cast<QKeyEvent*>(event));
    if (command != 0 && ownsHistoryKeys_ && ownsHistoryKeys_(static_cast<QWidget*>(watched))) {
      event->accept();
      // The override only claims the key; the key press that follows runs it.
      if (event->type() == QEvent::KeyPress && runHistory_) runHistory_(command == 2);
      return true;
    }
  }
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      // The same press reaches each parent in turn: one step for it.
      const unsigned long time = static_cast<QInputEvent*>(event)->timestamp();
      if (pressOpen_ && time == pressTime_) break;
      if (pressOpen_) history_.End();  // its release never came
      history_.Begin("");
      pressOpen_ = true;
      pressTime_ = time;
      break;
    }
    case QEvent::MouseButtonRelease:
      if (pressOpen_) {
        // After the release's own handling (buttons act on the release).
        pressOpen_ = false;
        QTimer::singleShot(0, this, [this] { history_.End(); });
      }
      break;
    case QEvent::KeyPress:
    case QEvent::Wheel:
      if (event->type() == QEvent::KeyPress && HistoryKeyCommand(static_cast<QKeyEvent*>(event)) != 0) break;
      if (!pressOpen_ && !shortOpen_) {
        history_.Begin("");
        shortOpen_ = true;
        QTimer::singleShot(0, this, [this] {
          shortOpen_ = false;
          history_.End();
        });
      }
      break;
    default: break;
  }
  return false;
}

void UndoStep(IConsole& app) {
  editing::CEditHistory* history = app.History();
  if (!history) return;
  history->CloseAll();
  AfterHistoryMove(app, history->Undo());
}

void RedoStep(IConsole& app) {
  editing::CEditHistory* history = app.History();
  if (!history) return;
  history->CloseAll();
  AfterHistoryMove(app, history->Redo());
}

void SwitchAbSide(IConsole& app) {
  editing::CAbCompare* ab = app.AbCompare();
  if (!ab) return;
  ab->Switch();
  spdlog::info("A/B: side {} shown{}", editing::AbSideName(ab->Shown()),
               app.IsConnected() ? (ab->LastSendOk() ? " and sent" : ", sending failed") : "");
  app.Refresher().Send(RefreshKind::kFull);
}

void CopyAbSide(IConsole& app, editing::AbSide from, editing::AbSide to) {
  editing::CAbCompare* ab = app.AbCompare();
  if (!ab) return;
  const editing::Changes c = ab->Copy(from, to);
  spdlog::info("A/B: {} copied to {}", editing::AbSideName(from), editing::AbSideName(to));
  if (c.full) app.Refresher().Send(RefreshKind::kFull);
}

QString OfflineDifferencesText(const EffectBlock& mine, const EffectBlock& processor, const ChannelNames& names) {
  const QString head = ui::Tr(QStringLiteral("My settings -> the processor's settings"));
  return head + QStringLiteral("\n\n") + QString::fromStdString(DiffText(DiffBlocks(mine, processor, names)));
}

void ApplyTypingAsOfflineEdit(IConsole& app) {
  if (QWidget* focused = QApplication::focusWidget(); qobject_cast<QLineEdit*>(focused)) focused->clearFocus();
  if (editing::CEditHistory* history = app.History()) history->CloseAll();
}

void AfterProcessorBlockRead(IConsole& app, QWidget* owner) {
  // The question takes the focus: a field left with unapplied typing must
  // not write into the block just read, nor send it.
  if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) edit->setModified(false);
  editing::CEditHistory* history = app.History();
  if (!history) return;
  CEffectStore& store = app.Store();
  // Whatever a press that connected had changed is the processor's doing.
  history->ForgetOpenChanges();
  if (!app.IsConnected()) return;
  const EffectBlock mine = history->KnownBlock();
  if (!history->OfflineEdits() || store.Block() == mine) {
    if (history->BlockReplaced()) LogEnd("the processor's settings were read at connection");
    history->ClearOfflineEdits();
    return;
  }
  history->ClearOfflineEdits();
  const EffectBlock processor = store.Block();
  spdlog::info("the processor connected with other settings than the ones edited without it");
  OfflineChoice choice;
  while ((choice = AskOffline(owner, OfflineDifferencesText(mine, processor, store.Names()))) == OfflineChoice::kShowDifferences)
    ShowDifferences(owner, OfflineDifferencesText(mine, processor, store.Names()));
  // The processor may have gone or the block changed while the question was up.
  if (store.Block() != processor) return;
  // Either choice is one step; undoing it brings back the other settings.
  if (choice == OfflineChoice::kKeepProcessor) {
    history->KeepReadBlock("Keep the processor's settings");
    spdlog::info("the processor's settings were kept");
  } else {
    const bool sent = history->SendKnownBlock("Send my settings to the processor");
    spdlog::info("my settings were {} to the processor", sent ? "sent" : "not all sent");
  }
  app.Refresher().Send(RefreshKind::kFull);
  // The window the question came from takes the keys again (undo is there).
  if (owner && owner->isVisible()) owner->activateWindow();
}

void AfterDeviceModeRecall(IConsole& app) {
  editing::CEditHistory* history = app.History();
  if (!history) return;
  if (history->EndHistory()) LogEnd("a device mode was recalled into the editor");
  history->ClearOfflineEdits();
}

void SetOfflineQuestionResponder(std::function<OfflineChoice(const QString& differences)> responder) {
  Responder() = std::move(responder);
}

QString StepNameText(const editing::StepName& name) {
  const QString pattern = ui::Tr(QString::fromStdString(name.pattern));
  QStringList args;
  for (const std::string& a : name.args) args << QString::fromStdString(a);
  // One pass over the pattern, so a part that holds "%2" itself stays as it is.
  switch (args.size()) {
    case 0: return pattern;
    case 1: return pattern.arg(args[0]);
    case 2: return pattern.arg(args[0], args[1]);
    default: return pattern.arg(args[0], args[1], args[2]);
  }
}

QString UndoItemText(const editing::CEditHistory* history) {
  if (!history || !history->CanUndo()) return ui::Tr(QStringLiteral("Undo"));
  return ui::Tr(QStringLiteral("Undo %1")).arg(StepNameText(history->UndoStepName()));
}

QString RedoItemText(const editing::CEditHistory* history) {
  if (!history || !history->CanRedo()) return ui::Tr(QStringLiteral("Redo"));
  return ui::Tr(QStringLiteral("Redo %1")).arg(StepNameText(history->RedoStepName()));
}

}  // namespace brisvel::app
