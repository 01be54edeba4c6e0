#pragma once
// Lets a program outside the process drive the windows as a person would:
// clicks, typing, choices in lists, menu commands, answers to dialogs. Off
// unless FAXRCP_AUTOMATION names a local socket; the end-to-end tests use it.
//
// One command a line, one answer line each ("ok", "error ...", or a value):
//   window                 class and title of the window that takes input
//   pages                  the names of the pages made for the machine ("|"-separated)
//   tabs | tab N           the sheet's tab texts ("|"-separated) | choose tab N
//   click ID | dblclick ID a click on the control with that id in that window
//   text ID                the control's text
//   type ID TEXT           clears the edit and types TEXT key by key
//   check ID 0|1           sets a check box as a click would
//   choose ID N            picks item N of a list box or drop-down list
//   row ID N | dblrow ID N clicks (twice) the row N of a list control
//   rows ID                the rows of a list control, "|"-separated
//   enabled ID             1 or 0
//   menu COMMAND           runs a menu command of the main window
//   reject                 closes the active dialog as Escape does
//   openmenu N | closemenu opens drop-down N of the menu bar (0 File), or
//                          closes the open one
//   file PATH              answers the open file dialog with PATH
//   button TEXT | #N       presses the button of a message box by its text, or
//                          the Nth of its buttons
//   box                    the text of the message box on screen, or "none"
//   busy                   1 while the program waits in an exchange
//   idle                   1 once every action asked for is done and no
//                          exchange runs
//   key Tab | key Backtab  the key, to the control with the focus
//   focus                  class and text of the control with the focus
// While it serves, the text caret does not blink, so that a picture of the
// screen does not depend on its moment.
// Actions are carried out after the answer, so an action that opens a modal
// dialog does not hold the driver up.
//
// The socket is this user's only, and the server stops for good as soon as
// the program has opened a real device: it drives the simulated machine only.

#include <QObject>

struct MachineRecords;
class QLocalServer;
class QLocalSocket;

class AutomationServer : public QObject {
    Q_OBJECT
  public:
    // Starts serving when FAXRCP_AUTOMATION is set; otherwise does nothing.
    // records: those of the run, for the pages the machine has.
    explicit AutomationServer(const MachineRecords& records, QObject* parent = nullptr);

  private:
    void onConnection();
    void onReadable(QLocalSocket* socket);
    QByteArray run(const QByteArray& line);

    const MachineRecords& records_;
    QLocalServer* server_ = nullptr;
};
