#include "desktop/qt_desktop.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace desktop {

namespace {

// The desktop seam: installed once for the program, a scripted one in tests.
Desktop* installed = nullptr;

QtDesktop& RealDesktop() {
    static QtDesktop real;
    return real;
}

// "*.pbf" -> "*.[pP][bB][fF]"; "*.*" (every file) -> "*".
QString WidenPattern(const QString& pattern) {
    const QString p = pattern.trimmed();
    if (p == QLatin1String("*.*")) {
        return QStringLiteral("*");
    }
    QString out;
    for (QChar ch : p) {
        if (ch.isLetter() && ch.toLower() != ch.toUpper()) {
            out += QLatin1Char('[') + ch.toLower() + ch.toUpper() + QLatin1Char(']');
        } else {
            out += ch;
        }
    }
    return out;
}

QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Result FromQt(int button, Buttons buttons) {
    switch (button) {
    case QMessageBox::Ok:
        return Result::Ok;
    case QMessageBox::Cancel:
        return Result::Cancel;
    case QMessageBox::Abort:
        return Result::Abort;
    case QMessageBox::Retry:
        return Result::Retry;
    case QMessageBox::Ignore:
        return Result::Ignore;
    case QMessageBox::Yes:
        return Result::Yes;
    case QMessageBox::No:
        return Result::No;
    default:
        // Closed without a button: what the platform's box gives for its
        // close box (OK boxes: OK; boxes with Cancel: Cancel).
        return buttons == Buttons::Ok ? Result::Ok : Result::Cancel;
    }
}

QString RunFileDialog(QWidget* owner, const FileDialogOptions& options, bool save) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (save && !options.confirmOverwrite) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    }
    const QStringList filters = QtNameFilters(options.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    dialog.setDirectory(options.initialDirectory.isEmpty() ? QDir::currentPath()
                                                           : options.initialDirectory);
    if (!options.defaultExtension.isEmpty()) {
        dialog.setDefaultSuffix(options.defaultExtension);
    }
    // A bare name takes the extension of the file type chosen.
    if (save && options.chosenFilter != nullptr) {
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& selected) {
                dialog.setDefaultSuffix(FilterExtension(options.filter,
                                                        static_cast<int>(filters.indexOf(selected)),
                                                        options.defaultExtension));
            });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    if (options.chosenFilter != nullptr) {
        *options.chosenFilter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    }
    const QString path = dialog.selectedFiles().first();
    QDir::setCurrent(QFileInfo(path).absolutePath());
    return path;
}

// The help window: the program's HTML manual in a browser pane. It belongs
// to the window that opened it, so a modal main window does not block it and
// it goes when that window goes.
QPointer<QWidget> helpWindow;

} // namespace

QStringList QtNameFilters(const QString& platformFilter) {
    const QStringList parts = platformFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i];
        const QString patterns = parts[i + 1];
        if (name.isEmpty()) {
            break; // "||" ends the list
        }
        QStringList widened;
        for (const QString& p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            widened << WidenPattern(p);
        }
        out << name + QStringLiteral(" (") + widened.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

QString FilterExtension(const QString& platformFilter, int index, const QString& fallback) {
    const QString first = platformFilter.section(QLatin1Char('|'), 2 * index + 1, 2 * index + 1)
                              .section(QLatin1Char(';'), 0, 0);
    const QString extension = first.mid(2);
    // The caller's spelling where they agree ("PBF" for "*.pbf").
    return index >= 0 && first.startsWith(QLatin1String("*.")) && first != QLatin1String("*.*") &&
                   extension.compare(fallback, Qt::CaseInsensitive) != 0
               ? extension
               : fallback;
}

bool MatchesFilterPattern(const QString& fileName, const QString& patterns) {
    for (const QString& p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString pattern = p.trimmed();
        if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*")) {
            return true;
        }
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(fileName).hasMatch()) {
            return true;
        }
    }
    return false;
}

Result QtDesktop::messageBox(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                             Buttons buttons) {
    QMessageBox box(ToQt(icon), caption, text, ToQt(buttons), owner);
    // Texts hold names from outside (files, the machine): never markup.
    box.setTextFormat(Qt::PlainText);
    const int answer = box.exec();
    const auto* clicked = box.clickedButton();
    return FromQt(clicked != nullptr ? box.standardButton(box.clickedButton()) : answer, buttons);
}

int QtDesktop::askChoice(QWidget* owner, const QString& text, const QString& caption,
                         const QStringList& buttons, int escapeButton) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    QList<QAbstractButton*> added;
    for (const QString& label : buttons) {
        added << box.addButton(label, QMessageBox::ActionRole);
    }
    if (!added.isEmpty()) {
        box.setDefaultButton(static_cast<QPushButton*>(added.first()));
    }
    if (escapeButton >= 0 && escapeButton < added.size()) {
        box.setEscapeButton(added[escapeButton]);
    }
    box.exec();
    const int pressed = static_cast<int>(added.indexOf(box.clickedButton()));
    return pressed >= 0 ? pressed : escapeButton;
}

QString QtDesktop::openFileName(QWidget* owner, const FileDialogOptions& options) {
    return RunFileDialog(owner, options, false);
}

QString QtDesktop::saveFileName(QWidget* owner, const FileDialogOptions& options) {
    return RunFileDialog(owner, options, true);
}

void QtDesktop::beep() {
    QApplication::beep();
}

void QtDesktop::waitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

void QtDesktop::help(QWidget* owner, const QString& helpFile, HelpCommand command, int data) {
    if (command == HelpCommand::Quit) {
        if (helpWindow != nullptr) {
            helpWindow->close();
            delete helpWindow.data();
        }
        return;
    }
    if (!QFileInfo(helpFile).isFile()) {
        QMessageBox box(QMessageBox::Critical, QApplication::applicationName(),
                        QStringLiteral("Unable to open the help file %1.").arg(helpFile),
                        QMessageBox::Ok, owner);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return;
    }
    if (helpWindow == nullptr || helpWindow->parentWidget() != owner) {
        delete helpWindow.data();
        auto* window = new QWidget(owner, Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName(QStringLiteral("helpWindow"));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* browser = new QTextBrowser(window);
        browser->setObjectName(QStringLiteral("helpBrowser"));
        browser->setOpenExternalLinks(true);
        layout->addWidget(browser);
        window->resize(640, 560);
        helpWindow = window;
    }
    auto* browser = helpWindow->findChild<QTextBrowser*>();
    QUrl url = QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath());
    url.setFragment(QStringLiteral("topic%1").arg(data));
    browser->setSource(url);
    helpWindow->setWindowTitle(browser->documentTitle());
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}

void InstallDesktop(Desktop* desktop) {
    installed = desktop;
}

Desktop& CurrentDesktop() {
    return installed != nullptr ? *installed : RealDesktop();
}

Result MessageBox(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                  Buttons buttons) {
    return CurrentDesktop().messageBox(owner, text, caption, icon, buttons);
}

void MessageBeep() {
    CurrentDesktop().beep();
}

void WaitCursor(bool on) {
    CurrentDesktop().waitCursor(on);
}

} // namespace desktop
