// The test and demo control channel (--control-socket PATH): a local socket
// that takes one command per line and answers one line. It plugs and pulls
// the simulated processor and reports what the windows show, so end-to-end
// tests can drive the running console with real input and check the result.
// It is off unless the option is given.
//
//   plug | unplug                  the simulated processor in or out
//   sim                            mode=<0-based> mainvol=<active MainVol> input=<0 two, 1 four>
//   sim-slot-mainvol SLOT VALUE    sets MainVol in a stored slot of the simulated processor
//   status                         splash, lock, connected, lang, mode, mainvol, open
//   windows                        LAYOUT,visible,minimized,x,y,w,h;... of the host windows
//   ctrl LAYOUT KEY                x y w h visible checked value|text of a control (KEY: id or name;
//                                  value: a knob's or slider's position, a list's selected index;
//                                  text: a list's selected item)
//   text LAYOUT KEY                the control's whole text, its line breaks written as "\n"
//   enabled LAYOUT KEY             1 or 0
//   param NAME                     store=<raw> [device=<raw> while the simulated processor is plugged]
//   block store|device             the 1206 bytes of the block as hexadecimal
//   menu                           text@x,y,w,h|... of the open pop-up menu (text TAB shortcut where
//                                  an item has one), or "none"
//   pcmodes                        name|name|... of the PC modes in config.ini (empty: none)
//   sim-lose on|off                the simulated processor loses every request (a loose cable) or not
//   sim-param NAME                 raw value of a parameter in the simulated processor's active block
//   open delay|mixing|measurement  opens the main window's delay settings, mixing or measurement window
//   held                           CHANNEL.BAND=band|bypass:GAIN ... of the held-back bands (empty: none)
//   history                        undo=<step>|redo=<step>|ab=<A or B> (empty names: nothing to undo or redo)
//   modal                          text|button@x,y,w,h|... of the open message window, title|text
//                                  of another modal dialog, or "none"
//   open device-preset|my-preset|settings   opens the settings dialog in that layout
//   grab LAYOUT|screen PATH        the window (or the whole screen) as it looks now, saved as a PNG file
//   filedialog                     TITLE|save or TITLE|open of the visible file dialog, or "none"
//   tip                            the text of the tip or drag readout shown now (empty: none)
//   names                          the six channel names, CH1 to CH6, separated by "|"
//   folder scene|measurement|filters|report   the folder the next file dialog of that kind opens in
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace brisvel::app::demo {

class IDemoHost;

// Why the channel may not listen at path: something that is not a socket is
// there (a user's file is never removed to make room). Empty when the path is
// free or holds a socket left behind by an earlier run.
QString ControlSocketPathProblem(const QString& path);

class ControlChannel : public QObject {
 public:
  explicit ControlChannel(IDemoHost& host);
  // Listens at path, replacing only a socket left behind; false when the path
  // is refused (ControlSocketPathProblem) or the socket cannot be created.
  bool Listen(const QString& path);
  // One command line (without the line end) to its answer.
  QString Execute(const QString& command);

 private:
  void OnConnection();
  IDemoHost& host_;
  QLocalServer server_;
};

}  // namespace brisvel::app::demo
