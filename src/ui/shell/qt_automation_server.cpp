#include "shell/qt_automation_server.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleHints>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <functional>

#include "base/qt_windowed_clock.h"
#include "model/panel_context.h"
#include "platform/real_device.h"
#include "shell/CMainDlg.h"
#include "shell/page_registry.h"
#include "shell/qt_private_socket.h"
#include "widgets/qt_dialog_builder.h"

namespace {

// The window a person would be typing into: a modal dialog when one is up.
QWidget* InputWindow() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return mainDlg;
}

// Actions are carried out in the order they came, after their answers have
// gone out, and like a person's input they wait while the program is in an
// exchange. One action runs per turn of the event loop, so an action that
// opens a modal dialog does not hold up the ones after it.
struct PendingAction {
    QPointer<QWidget> target;
    std::function<void(QWidget*)> action;
};
std::deque<PendingAction> pending;
bool drainScheduled = false;

void Drain();

void ScheduleDrain(int delayMs) {
    if (!drainScheduled) {
        drainScheduled = true;
        QTimer::singleShot(delayMs, Drain);
    }
}

void Drain() {
    drainScheduled = false;
    if (pending.empty()) {
        return;
    }
    if (WindowedClock::Waiting()) {
        ScheduleDrain(5);
        return;
    }
    PendingAction next = std::move(pending.front());
    pending.pop_front();
    if (!pending.empty()) {
        ScheduleDrain(0);
    }
    if (next.target) {
        next.action(next.target.data());
    }
}

void Later(QWidget* target, std::function<void(QWidget*)> action) {
    pending.push_back({target, std::move(action)});
    ScheduleDrain(0);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at) {
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// Without a window manager nothing activates the window, and focus only
// moves (with its focus-out handlers) inside the active window.
void Activate(QWidget* w) {
    if (!w->window()->isActiveWindow()) {
        QApplication::setActiveWindow(w->window());
    }
}

// A real press moves the focus first (with the focus-out handlers of the
// control that had it); a sent event does not, so it is done here.
void GiveClickFocus(QWidget* w) {
    for (QWidget* f = w; f != nullptr; f = f->parentWidget()) {
        if (f->isEnabled() && (f->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus) {
            f->setFocus(Qt::MouseFocusReason);
            return;
        }
        if (f->isWindow()) {
            return;
        }
    }
}

void Click(QWidget* w, QPoint at, bool twice) {
    Activate(w);
    GiveClickFocus(w);
    SendMouse(w, QEvent::MouseButtonPress, at);
    SendMouse(w, QEvent::MouseButtonRelease, at);
    if (twice) {
        SendMouse(w, QEvent::MouseButtonDblClick, at);
        SendMouse(w, QEvent::MouseButtonRelease, at);
    }
}

void TypeText(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

QString Plain(QString text) {
    return text.remove(QLatin1Char('&')).trimmed();
}

QString Caption(const QWidget* w) {
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
        return edit->text();
    }
    return {};
}

} // namespace

AutomationServer::AutomationServer(const MachineRecords& records, QObject* parent)
    : QObject(parent), records_(records) {
    const char* path = std::getenv("FAXRCP_AUTOMATION");
    if (path == nullptr || *path == '\0') {
        return;
    }
    // Never with a real machine: a stray variable must not open the panel
    // to whoever reaches the socket.
    if (platform::RealDeviceOpened()) {
        return;
    }
    server_ = new QLocalServer(this);
    if (!ListenPrivately(*server_, QString::fromLocal8Bit(path))) {
        qWarning("automation: cannot listen on %s", path);
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, &AutomationServer::onConnection);
    // A steady caret: a picture taken at any moment shows the same window.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void AutomationServer::onConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!PeerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadable(socket); });
    }
}

void AutomationServer::onReadable(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine().trimmed();
        QByteArray answer = run(line);
        answer.replace('\n', ' ');
        socket->write(answer + '\n');
        socket->flush();
    }
}

QByteArray AutomationServer::run(const QByteArray& line) {
    const QString text = QString::fromUtf8(line);
    const QString command = text.section(QLatin1Char(' '), 0, 0);
    const QString first = text.section(QLatin1Char(' '), 1, 1);
    const QString rest = text.section(QLatin1Char(' '), 1);
    const QString afterFirst = text.section(QLatin1Char(' '), 2);
    if (platform::RealDeviceOpened()) {
        server_->close();
        return "error a real machine is connected";
    }
    QWidget* window = InputWindow();
    if (window == nullptr) {
        return "error no window";
    }
    // Pages share ids: the shown page is searched before the main window.
    auto control = [&]() -> QWidget* {
        bool ok = false;
        const int id = first.toInt(&ok);
        if (!ok) {
            return nullptr;
        }
        if (window == mainDlg && mainDlg->Sheet() && mainDlg->Sheet()->currentWidget()) {
            if (QWidget* onPage = dlg::FindControlWidget(mainDlg->Sheet()->currentWidget(), id)) {
                return onPage;
            }
        }
        return dlg::FindControlWidget(window, id);
    };

    if (command == QLatin1String("window")) {
        return (QString::fromLatin1(window->metaObject()->className()) + QLatin1Char('|') +
                window->windowTitle())
            .toUtf8();
    }
    if (command == QLatin1String("busy")) {
        return WindowedClock::Waiting() ? "1" : "0";
    }
    // Every action asked for is done and no exchange runs: what the window
    // shows next is painted before this answer's turn of the event loop ends.
    if (command == QLatin1String("idle")) {
        return pending.empty() && !WindowedClock::Waiting() ? "1" : "0";
    }
    if (command == QLatin1String("focus")) {
        const QWidget* f = QApplication::focusWidget();
        return f ? (QString::fromLatin1(f->metaObject()->className()) + QLatin1Char('|') +
                    Plain(Caption(f)))
                       .toUtf8()
                 : QByteArray("none");
    }
    // "key Tab" or "key Backtab", to the control with the focus, as typed.
    if (command == QLatin1String("key")) {
        const Qt::Key key = first == QLatin1String("Tab")       ? Qt::Key_Tab
                            : first == QLatin1String("Backtab") ? Qt::Key_Backtab
                                                                : Qt::Key_unknown;
        if (key == Qt::Key_unknown) {
            return "error unknown key";
        }
        Later(window, [key](QWidget* target) {
            Activate(target);
            QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : target;
            QKeyEvent press(QEvent::KeyPress, key,
                            key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            QApplication::sendEvent(to, &press);
        });
        return "ok";
    }
    if (command == QLatin1String("box")) {
        auto* box = qobject_cast<QMessageBox*>(window);
        return box ? box->text().toUtf8() : QByteArray("none");
    }
    if (command == QLatin1String("button")) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr) {
            return "error no message box";
        }
        // "#N": the Nth button, for texts the driver does not know.
        const QList<QAbstractButton*> buttons = box->buttons();
        bool numbered = false;
        const int index = rest.startsWith(QLatin1Char('#')) ? rest.mid(1).toInt(&numbered) : -1;
        if (numbered) {
            if (index < 0 || index >= buttons.size()) {
                return "error no such button";
            }
            Later(buttons[index], [](QWidget* w) { static_cast<QAbstractButton*>(w)->click(); });
            return "ok";
        }
        for (QAbstractButton* b : buttons) {
            if (Plain(b->text()).compare(Plain(rest), Qt::CaseInsensitive) == 0) {
                Later(b, [](QWidget* w) { static_cast<QAbstractButton*>(w)->click(); });
                return "ok";
            }
        }
        return "error no such button";
    }
    if (command == QLatin1String("file")) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        if (dialog == nullptr) {
            return "error no file dialog";
        }
        Later(dialog, [rest](QWidget* w) {
            auto* d = static_cast<QFileDialog*>(w);
            // Typed into the name field, as selectFile leaves a focused field alone.
            if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->setText(rest);
            } else {
                d->selectFile(rest);
            }
            static_cast<QDialog*>(d)->accept();
        });
        return "ok";
    }
    if (command == QLatin1String("reject")) {
        if (qobject_cast<QDialog*>(window) == nullptr) {
            return "error no dialog";
        }
        Later(window, [](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        return "ok";
    }
    if (command == QLatin1String("menu")) {
        QAction* item = mainDlg ? mainDlg->MenuItem(first.toInt()) : nullptr;
        if (item == nullptr || !item->isEnabled()) {
            return "error no enabled menu item";
        }
        Later(mainDlg, [item](QWidget*) { item->trigger(); });
        return "ok";
    }
    // Opens or closes a drop-down of the menu bar, for a picture of it.
    if (command == QLatin1String("openmenu") || command == QLatin1String("closemenu")) {
        QMenuBar* bar = mainDlg ? mainDlg->MenuBar() : nullptr;
        const QList<QAction*> menus = bar ? bar->actions() : QList<QAction*>();
        const int index = first.toInt();
        if (command == QLatin1String("closemenu")) {
            if (bar != nullptr && bar->activeAction() != nullptr && bar->activeAction()->menu()) {
                bar->activeAction()->menu()->hide();
            }
            return "ok";
        }
        if (index < 0 || index >= menus.size()) {
            return "error no such menu";
        }
        bar->setActiveAction(menus[index]);
        return "ok";
    }
    if (command == QLatin1String("pages")) {
        // What the list of pages makes for the machine in use, to hold the
        // sheet's tabs against.
        QStringList names;
        for (const RegisteredPage& page : PagesFor(records_.inquiryRecord.machineClass)) {
            names << QString::fromLatin1(page.tab.name);
        }
        return names.join(QLatin1Char('|')).toUtf8();
    }
    if (command == QLatin1String("tabs") || command == QLatin1String("tab")) {
        QTabWidget* sheet = mainDlg ? mainDlg->Sheet() : nullptr;
        if (sheet == nullptr) {
            return "error no sheet";
        }
        if (command == QLatin1String("tabs")) {
            QStringList names;
            for (int i = 0; i < sheet->count(); ++i) {
                names << Plain(sheet->tabText(i));
            }
            return names.join(QLatin1Char('|')).toUtf8();
        }
        const int index = first.toInt();
        if (index < 0 || index >= sheet->count()) {
            return "error no such tab";
        }
        QTabBar* bar = sheet->tabBar();
        Later(bar, [index](QWidget* w) {
            auto* b = static_cast<QTabBar*>(w);
            Click(b, b->tabRect(index).center(), false);
        });
        return "ok";
    }

    QWidget* w = control();
    if (w == nullptr) {
        return "error no control " + first.toUtf8();
    }
    if (command == QLatin1String("text")) {
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            return combo->currentText().toUtf8();
        }
        return dlg::ControlText(w->parentWidget(), first.toInt()).toUtf8();
    }
    if (command == QLatin1String("enabled")) {
        return w->isEnabled() ? "1" : "0";
    }
    if (command == QLatin1String("rows")) {
        auto* view = qobject_cast<QAbstractItemView*>(w);
        if (view == nullptr || view->model() == nullptr) {
            return "error not a list";
        }
        QStringList rows;
        const QAbstractItemModel* model = view->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c) {
                cells << model->index(r, c).data().toString();
            }
            rows << cells.join(QLatin1Char('\t'));
        }
        return rows.join(QLatin1Char('|')).toUtf8();
    }
    if (!w->isEnabled()) {
        return "error control " + first.toUtf8() + " is disabled";
    }
    if (command == QLatin1String("click") || command == QLatin1String("dblclick")) {
        const bool twice = command == QLatin1String("dblclick");
        Later(w, [twice](QWidget* target) { Click(target, target->rect().center(), twice); });
        return "ok";
    }
    if (command == QLatin1String("check")) {
        auto* box = qobject_cast<QAbstractButton*>(w);
        if (box == nullptr) {
            return "error not a check box";
        }
        if (box->isChecked() != (afterFirst.trimmed() == QLatin1String("1"))) {
            Later(box, [](QWidget* target) { Click(target, target->rect().center(), false); });
        }
        return "ok";
    }
    if (command == QLatin1String("type")) {
        auto* edit = qobject_cast<QLineEdit*>(w);
        if (edit == nullptr) {
            return "error not an edit";
        }
        Later(edit, [afterFirst](QWidget* target) {
            auto* e = static_cast<QLineEdit*>(target);
            Activate(e);
            e->setFocus(Qt::OtherFocusReason);
            e->selectAll();
            QKeyEvent erase(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
            QApplication::sendEvent(e, &erase);
            TypeText(e, afterFirst);
        });
        return "ok";
    }
    if (command == QLatin1String("choose")) {
        const int index = afterFirst.trimmed().toInt();
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (index < 0 || index >= combo->count()) {
                return "error no such item";
            }
            Later(combo, [index](QWidget* target) {
                auto* c = static_cast<QComboBox*>(target);
                c->setFocus(Qt::MouseFocusReason);
                c->setCurrentIndex(index);
                emit c->activated(index);
            });
            return "ok";
        }
    }
    if (command == QLatin1String("row") || command == QLatin1String("dblrow") ||
        command == QLatin1String("choose")) {
        auto* view = qobject_cast<QAbstractItemView*>(w);
        const int row = afterFirst.trimmed().toInt();
        if (view == nullptr || view->model() == nullptr || row < 0 ||
            row >= view->model()->rowCount()) {
            return "error no such row";
        }
        const bool twice = command == QLatin1String("dblrow");
        Later(view, [row, twice](QWidget* target) {
            auto* v = static_cast<QAbstractItemView*>(target);
            const QModelIndex index = v->model()->index(row, 0);
            v->scrollTo(index);
            Click(v->viewport(), v->visualRect(index).center(), twice);
        });
        return "ok";
    }
    return "error unknown command " + command.toUtf8();
}
