// Commands of the test and demo control channel.

#include "app/demo/control_channel.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLocalSocket>
#include <QAbstractButton>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <cstring>

#include "app/console.h"
#include "app/demo/demo_host.h"
#include "app/demo/simulated_device.h"
#include "controls/eq_graph.h"
#include "controls/value_controls.h"
#include "core/effect_store.h"
#include "core/scales.h"
#include "device/device_manager.h"
#include "device/sim_processor.h"
#include "editing/ab_compare.h"
#include "editing/history.h"
#include "presets/file_choice.h"
#include "settings/config_ini.h"
#include "settings/settings_keys.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/tip_window.h"

namespace brisvel::app::demo {

namespace {

// Longest command line taken, its line end included.
constexpr qint64 kMaxCommandBytes = 64 * 1024;

QString Rect(const QRect& r) { return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); }

ui::HostWindow* FindWindow(const QString& layout) {
  // The top-most visible one first: a message box over another message box.
  ui::HostWindow* found = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* host = dynamic_cast<ui::HostWindow*>(w);
    if (!host || host->LayoutName().compare(layout, Qt::CaseInsensitive) != 0) continue;
    if (host->isVisible()) return host;
    if (!found) found = host;
  }
  return found;
}

QString DescribeControl(QWidget* w) {
  const QRect global(w->mapToGlobal(QPoint(0, 0)), w->size());
  int checked = -1, value = 0;
  if (auto* c = dynamic_cast<ui::SkCheckButton*>(w)) checked = c->IsChecked() ? 1 : 0;
  if (auto* k = dynamic_cast<ui::SkRotaryKnob*>(w)) value = k->Value();
  if (auto* s = dynamic_cast<ui::SkSlider*>(w)) value = s->Value();
  if (auto* list = dynamic_cast<QComboBox*>(w)) value = list->currentIndex();
  QString text;
  if (auto* edit = dynamic_cast<QLineEdit*>(w)) text = edit->text();
  else if (auto* combo = dynamic_cast<QComboBox*>(w)) text = combo->currentText();
  else if (const ui::Element* e = ui::AsElement(w)) text = e->ShownText();
  return QStringLiteral("%1 %2 %3 %4 %5 %6 %7|%8")
      .arg(global.x()).arg(global.y()).arg(global.width()).arg(global.height())
      .arg(w->isVisible() ? 1 : 0).arg(checked).arg(value).arg(text);
}

// The simulated processor's state while it is plugged in.
std::optional<sim::SimState> PluggedSimState(const SimulatedDevice* simulator) {
  if (!simulator || !simulator->IsPlugged()) return std::nullopt;
  return simulator->Processor()->State();
}

QString Hex(const EffectBlock& block) {
  return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(block.data()), block.size()).toHex());
}

}  // namespace

QString ControlSocketPathProblem(const QString& path) {
  struct stat st {};
  const QByteArray native = QFile::encodeName(path);
  if (::lstat(native.constData(), &st) != 0) {
    if (errno == ENOENT) return {};
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
  }
  if (S_ISSOCK(st.st_mode)) return {};
  return QStringLiteral("%1 exists and is not a socket; it is left alone").arg(path);
}

ControlChannel::ControlChannel(IDemoHost& host) : host_(host) {
  connect(&server_, &QLocalServer::newConnection, this, &ControlChannel::OnConnection);
}

bool ControlChannel::Listen(const QString& path) {
  if (!ControlSocketPathProblem(path).isEmpty()) return false;
  QLocalServer::removeServer(path);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(path);
}

void ControlChannel::OnConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      while (socket->canReadLine()) {
        const QByteArray raw = socket->readLine(kMaxCommandBytes + 1);
        if (!raw.endsWith('\n')) {
          socket->abort();  // a line longer than any command
          return;
        }
        const QString line = QString::fromUtf8(raw).trimmed();
        socket->write(Execute(line).toUtf8() + "\n");
        socket->flush();
      }
      // A peer that sends more than a command without a line end is dropped.
      if (socket->bytesAvailable() > kMaxCommandBytes) socket->abort();
    });
  }
}

namespace {

// What a verb works on.
struct Context {
  IDemoHost& host;
  IConsole& console;
  SimulatedDevice* simulator;
  const QStringList& words;  // the verb first
};

// An answer, or nothing when the words are not a command.
using Answer = std::optional<QString>;

std::shared_ptr<sim::SimProcessor> Processor(const Context& c) {
  return c.simulator ? c.simulator->Processor() : nullptr;
}

Answer Plug(const Context& c) { return c.simulator && c.simulator->Plug() ? "ok" : "error"; }
Answer Unplug(const Context& c) { return c.simulator && c.simulator->Unplug() ? "ok" : "error"; }

Answer Sim(const Context& c) {
  const auto processor = Processor(c);
  if (!processor) return QStringLiteral("error no simulated processor");
  const sim::SimState state = processor->State();
  return QStringLiteral("mode=%1 mainvol=%2 input=%3")
      .arg(state.currentMode)
      .arg(ReadParam(state.active, param::kMainVol))
      .arg(state.inputMode);
}

Answer SimSlotMainVol(const Context& c) {
  const auto processor = Processor(c);
  const int slot = c.words[1].toInt();
  if (!processor || slot < 0 || slot >= sim::kSlotCount) return QStringLiteral("error");
  sim::SimState state = processor->State();
  WriteParam(state.slots[static_cast<size_t>(slot)], param::kMainVol, static_cast<uint16_t>(c.words[2].toInt()));
  processor->SetState(state);
  return QStringLiteral("ok");
}

Answer SimLose(const Context& c) {
  if (c.words[1] != "on" && c.words[1] != "off") return {};
  const auto processor = Processor(c);
  if (!processor) return QStringLiteral("error no simulated processor");
  processor->SetRequestsLost(c.words[1] == "on");
  return QStringLiteral("ok");
}

Answer SimParam(const Context& c) {
  const auto processor = Processor(c);
  const auto index = FindParam(c.words[1].toStdString());
  if (!processor || !index) return QStringLiteral("error");
  return QString::number(ReadParam(processor->State().active, *index));
}

Answer Open(const Context& c) {
  const QString answer = c.host.OpenWindowLater(c.words[1]);
  if (answer.isEmpty()) return std::nullopt;
  return answer;
}

// Every held-back band: CHANNEL.BAND=band|bypass:GAIN (Box index, band 0-30).
Answer Held(const Context& c) {
  const CEffectStore& store = c.console.Store();
  QStringList held;
  for (int k = 0; k < kChannelCount; ++k)
    for (int b = 0; b < kBandCount; ++b)
      if (store.IsBandHeldBack(k, b))
        held << QStringLiteral("%1.%2=%3:%4").arg(k).arg(b)
                    .arg(store.IsHeldGainKept(k, b) ? QStringLiteral("bypass") : QStringLiteral("band"))
                    .arg(store.BypassedBandGain(k, b));
  return held.join(' ');
}

Answer FileDialog(const Context&) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    if (dialog && dialog->isVisible()) {
      return dialog->windowTitle() + (dialog->acceptMode() == QFileDialog::AcceptSave ? "|save" : "|open");
    }
  }
  return QStringLiteral("none");
}

Answer Status(const Context& c) {
  const CEffectStore& store = c.console.Store();
  return QStringLiteral("splash=%1 lock=%2 connected=%3 lang=%4 mode=%5 mainvol=%6 open=%7")
      .arg(c.host.SplashWasShown() ? 1 : 0)
      .arg(c.host.InstanceLockHeld() ? 1 : 0)
      .arg(c.console.IsConnected() ? 1 : 0)
      .arg(c.console.Language())
      .arg(store.CurrentDeviceMode())
      .arg(store.GetParam(param::kMainVol))
      .arg(c.console.DeviceManager() && c.console.DeviceManager()->IsDeviceOpen() ? 1 : 0);
}

Answer Param(const Context& c) {
  const std::optional<int> index = FindParam(c.words[1].toStdString());
  if (!index) return QStringLiteral("error unknown parameter");
  QString answer = QStringLiteral("store=%1").arg(c.console.Store().GetParam(*index));
  if (const auto state = PluggedSimState(c.simulator))
    answer += QStringLiteral(" device=%1").arg(ReadParam(state->active, *index));
  return answer;
}

Answer Block(const Context& c) {
  if (c.words[1] == "store") return Hex(c.console.Store().Block());
  if (c.words[1] != "device") return QStringLiteral("error store or device");
  const auto state = PluggedSimState(c.simulator);
  return state ? Hex(state->active) : QStringLiteral("error no simulated processor plugged");
}

Answer PCModes(const Context& c) {
  QStringList names;
  for (const PCModeRecord& r : c.console.Config().LoadPCModes()) names << QString::fromStdString(r.Name());
  return names.join('|');
}

Answer History(const Context& c) {
  const editing::CEditHistory* history = c.console.History();
  const editing::CAbCompare* ab = c.console.AbCompare();
  if (!history || !ab) return QStringLiteral("error no history");
  return QStringLiteral("undo=%1|redo=%2|ab=%3")
      .arg(QString::fromStdString(history->UndoName()), QString::fromStdString(history->RedoName()),
           QLatin1String(editing::AbSideName(ab->Shown())));
}

Answer Modal(const Context&) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || !modal->isVisible()) return QStringLiteral("none");
  auto* box = qobject_cast<QMessageBox*>(modal);
  if (!box) {
    // Another dialog: its title and the text it shows (lines joined by " / ").
    const auto* view = modal->findChild<QPlainTextEdit*>();
    const QString text = view ? view->toPlainText().split('\n', Qt::SkipEmptyParts).join(QStringLiteral(" / ")) : QString();
    return modal->windowTitle() + "|" + text;
  }
  QStringList out{box->text()};
  for (QAbstractButton* b : box->buttons())
    out << QStringLiteral("%1@%2").arg(b->text(), Rect(QRect(b->mapToGlobal(QPoint(0, 0)), b->size())));
  return out.join('|');
}

Answer Windows(const Context&) {
  QStringList out;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* host = dynamic_cast<ui::HostWindow*>(w);
    if (!host || !host->isVisible()) continue;
    out << QStringLiteral("%1,%2,%3,%4").arg(host->LayoutName()).arg(1).arg(host->isMinimized() ? 1 : 0)
               .arg(Rect(host->frameGeometry()));
  }
  return out.join(';');
}

// ctrl, enabled and text: a control of a window, by id or name.
Answer Control(const Context& c) {
  ui::HostWindow* host = FindWindow(c.words[1]);
  if (!host) return QStringLiteral("error no window");
  bool numeric = false;
  const int id = c.words[2].toInt(&numeric);
  QWidget* w = numeric ? host->FindById(id) : host->FindByName(c.words[2]);
  if (!w) return QStringLiteral("error no control");
  const QString& verb = c.words[0];
  if (verb == "enabled") return w->isEnabled() ? QStringLiteral("1") : QStringLiteral("0");
  if (verb == "text") {
    // The whole text on one line: its line breaks travel as "\n".
    const QString described = DescribeControl(w);
    QString text = described.mid(described.indexOf(QLatin1Char('|')) + 1);
    return text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
  }
  return DescribeControl(w);
}

// The window as it looks now, as a PNG at PATH (for looking at it); "screen"
// takes the whole screen, with the tips and menus that stand over the windows.
Answer Grab(const Context& c) {
  if (c.words[1] == QLatin1String("screen")) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return QStringLiteral("error no screen");
    return screen->grabWindow(0).save(c.words[2], "PNG") ? QStringLiteral("ok") : QStringLiteral("error not saved");
  }
  ui::HostWindow* host = FindWindow(c.words[1]);
  if (!host) return QStringLiteral("error no window");
  return host->grab().save(c.words[2], "PNG") ? QStringLiteral("ok") : QStringLiteral("error not saved");
}

Answer Menu(const Context& c) {
  QMenu* menu = c.host.OpenMenu();
  // A grouping menu of the editing panels is the active pop-up.
  if (!menu) menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu || !menu->isVisible()) return QStringLiteral("none");
  QStringList items;
  for (QAction* a : menu->actions()) {
    const QString text = a->shortcut().isEmpty() ? a->text() : a->text() + "\t" + a->shortcut().toString();
    const QRect at(menu->mapToGlobal(menu->actionGeometry(a).topLeft()), menu->actionGeometry(a).size());
    items << QStringLiteral("%1@%2").arg(text, Rect(at));
  }
  return items.join('|');
}

// The tip or drag readout shown now, on one line ("\n" for its breaks):
// a fader's value tip or a graph handle's readout, the car view's position
// tip, or the timed tip; empty when none shows.
Answer Tip(const Context&) {
  QString text = ui::SSimpleToolTip::ShownText();
  if (text.isEmpty()) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (!top->isVisible()) continue;
      const QWidget* tip = top->findChild<QWidget*>(QStringLiteral("car_pos_tip"));
      if (tip && tip->isVisible()) {
        if (const ui::Element* e = ui::AsElement(const_cast<QWidget*>(tip))) text = e->ShownText();
        break;
      }
    }
  }
  if (text.isEmpty())
    if (ui::CTipWnd* timed = ui::CurrentTip(); timed && timed->isVisible()) text = timed->Text();
  return text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

Answer Names(const Context& c) {
  QStringList names;
  for (const std::string& name : c.console.Store().Names()) names << QString::fromStdString(name);
  return names.join('|');
}

// The folder the next file dialog of the kind opens in.
Answer Folder(const Context& c) {
  for (const char* kind : settings::kFolderKinds)
    if (c.words[1] == QLatin1String(kind)) return presets::StartFolder(c.console.Config(), kind);
  return QStringLiteral("error kind: scene, measurement, filters or report");
}

// The sum the main window's graph draws now (brought up to date), or null.
const CSystemSum* DrawnSum(IDemoHost& host) {
  ui::HostWindow* main = host.MainFrame();
  auto* graph = main ? main->Find<ui::SkEQ>(QStringLiteral("eq_curve")) : nullptr;
  return graph && graph->Curve() ? graph->Curve()->DrawnSum() : nullptr;
}

// The drawn sum's level in dB at HZ, or "none" while no sum is drawn.
Answer SumLevel(const Context& c) {
  bool ok = false;
  const double hz = c.words[1].toDouble(&ok);
  if (!ok || !(hz > 0) || hz >= 24000) return QStringLiteral("error HZ: a frequency above 0 and below 24000");
  const CSystemSum* sum = DrawnSum(c.host);
  if (!sum) return QStringLiteral("none");
  return QString::number(sum->LevelAt(hz), 'f', 2);
}

// The channels the drawn sum adds, "CH1,CH5", or "none".
Answer SumChannels(const Context& c) {
  const CSystemSum* sum = DrawnSum(c.host);
  if (!sum) return QStringLiteral("none");
  std::vector<int> boxes = sum->Channels();
  std::sort(boxes.begin(), boxes.end(), [](int a, int b) { return ChannelLabelNumber(a) < ChannelLabelNumber(b); });
  return QString::fromStdString(ChannelLabelsText(boxes));
}

// The verbs, with the number of words each takes after it (-1: any). A verb
// that answers nothing did not take the words it was given.
struct Verb {
  const char* name;
  int arguments;
  Answer (*run)(const Context&);
};
constexpr Verb kVerbs[] = {
    {"plug", -1, Plug},          {"unplug", -1, Unplug},         {"sim", -1, Sim},
    {"sim-slot-mainvol", 2, SimSlotMainVol},                     {"sim-lose", 1, SimLose},
    {"sim-param", 1, SimParam},  {"open", 1, Open},              {"held", -1, Held},
    {"filedialog", -1, FileDialog},                              {"status", -1, Status},
    {"param", 1, Param},         {"block", 1, Block},            {"pcmodes", -1, PCModes},
    {"history", -1, History},    {"modal", -1, Modal},           {"windows", -1, Windows},
    {"ctrl", 2, Control},        {"enabled", 2, Control},        {"text", 2, Control},
    {"grab", 2, Grab},           {"menu", -1, Menu},             {"tip", 0, Tip},
    {"names", 0, Names},         {"folder", 1, Folder},          {"sum", 1, SumLevel},
    {"sum-channels", 0, SumChannels},
};

}  // namespace

QString ControlChannel::Execute(const QString& command) {
  const QStringList words = command.split(' ', Qt::SkipEmptyParts);
  if (words.isEmpty()) return QStringLiteral("error empty");
  const Context context{host_, host_.Console(), host_.Simulator(), words};
  for (const Verb& verb : kVerbs) {
    if (words[0] != QLatin1String(verb.name)) continue;
    if (verb.arguments >= 0 && words.size() != verb.arguments + 1) break;
    if (const Answer answer = verb.run(context)) return *answer;
    break;
  }
  return QStringLiteral("error unknown command");
}

}  // namespace brisvel::app::demo
