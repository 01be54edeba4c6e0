#include "shell/CMainDlg.h"

#include <QAction>
#include <QActionGroup>
#include <QBitmap>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "desktop/qt_desktop.h"
#include "desktop/qt_resources.h"
#include "model/lang_text.h"
#include "model/panel_context.h"
#include "model/startup.h"
#include "pages/qt_settings_file_commands.h"
#include "platform/program.h"
#include "protocol/inquiry.h"
#include "shell/CAbout.h"
#include "shell/CRemoteMachine.h"
#include "shell/page_registry.h"
#include "templates/main_template.h"
#include "widgets/CIconButton.h"
#include "widgets/qt_dialog_builder.h"

CMainDlg* mainDlg = nullptr;

namespace {

const char* const kCommandProperty = "faxrcpCommand";
constexpr int kTabImageSide = 20;
// Space around the sheet and the button row.
constexpr int kMargin = 10;
// How long the status line stays.
constexpr int kStatusMs = 8000;

QString Lang(const char* section, const char* key) {
    // Copied at once: the next lookup overwrites the shared buffer.
    return QString::fromUtf8(GetLangString(section, key));
}

QAction* AddCommand(QMenu* menu, const QString& text, int command) {
    QAction* action = menu->addAction(text);
    action->setProperty(kCommandProperty, command);
    return action;
}

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

} // namespace

CMainDlg::CMainDlg(PanelContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    mainDlg = this;
    setWindowTitle(QString::fromStdString(mainTemplate.caption));

    // Menu 129.
    menuBar_ = new QMenuBar(this);
    fileMenu_ = menuBar_->addMenu(QStringLiteral("&File"));
    // A grayed item says why on its tool tip.
    fileMenu_->setToolTipsVisible(true);
    AddCommand(fileMenu_, QStringLiteral("Load Settings"), ID_FILE_LOAD_SETTINGS);
    AddCommand(fileMenu_, QStringLiteral("Save Settings"), ID_FILE_SAVE_SETTINGS);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, QStringLiteral("Load Phonebook"), ID_FILE_LOAD_PBOOK)->setEnabled(false);
    AddCommand(fileMenu_, QStringLiteral("Save Phonebook"), ID_FILE_SAVE_PBOOK)->setEnabled(false);
    AddCommand(fileMenu_, QStringLiteral("Import Phonebook"), ID_FILE_IMPORT_PBOOK)
        ->setEnabled(false);
    AddCommand(fileMenu_, QStringLiteral("Export Phonebook"), ID_FILE_EXPORT_PBOOK)
        ->setEnabled(false);
    AddCommand(fileMenu_, QStringLiteral("Print Phonebook"), ID_FILE_PRINT_PBOOK)
        ->setEnabled(false);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, QStringLiteral("Machine on Another Computer"), ID_FILE_REMOTE_MACHINE);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, QStringLiteral("E&xit"), ID_APP_EXIT_CMD);
    helpMenu_ = menuBar_->addMenu(QStringLiteral("&Help"));
    AddCommand(helpMenu_, QStringLiteral("&Contents"), ID_HELP_CONTENTS);
    languageMenu_ = helpMenu_->addMenu(QStringLiteral("&Language"));
    BuildLanguageMenu();
    helpMenu_->addSeparator();
    AddCommand(helpMenu_, QStringLiteral("About"), ID_HELP_ABOUT);
    connect(menuBar_, &QMenuBar::triggered, this, [this](QAction* action) {
        const int command = action->property(kCommandProperty).toInt();
        if (command >= ID_LANGUAGE_DESKTOP &&
            command < ID_LANGUAGE_FIRST + static_cast<int>(KnownLanguages().size())) {
            OnChooseLanguage(action->property("faxrcpLanguage").toString());
            return;
        }
        switch (command) {
        case ID_APP_EXIT_CMD:
            accept();
            break;
        case ID_HELP_CONTENTS:
            OnHelp();
            break;
        case ID_HELP_ABOUT:
            OnAbout();
            break;
        case ID_FILE_REMOTE_MACHINE:
            OnRemoteMachine();
            break;
        case ID_FILE_LOAD_SETTINGS:
            LoadSettingsCommand(*this, SheetPages(), context_.records);
            break;
        case ID_FILE_SAVE_SETTINGS:
            SaveSettingsCommand(*this, SheetPages(), context_.records);
            break;
        default:
            OnPageCommand(command);
            break;
        }
    });

    dlg::BuildDialog(this, mainTemplate);
    exitButton_ = dlg::FindControl<CIconButton>(this, IDC_EXIT);
    helpButton_ = dlg::FindControl<CIconButton>(this, IDC_HELP_BUTTON);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(helpButton_, &QPushButton::clicked, this, &CMainDlg::OnHelp);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &CMainDlg::OnHelp);
    // Pages change from the keyboard wherever the focus is, not only inside
    // the sheet.
    const struct {
        QKeyCombination keys;
        int step;
    } pageKeys[] = {
        {Qt::CTRL | Qt::Key_Tab, 1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
        {Qt::CTRL | Qt::Key_PageDown, 1},
        {Qt::CTRL | Qt::Key_PageUp, -1},
    };
    for (const auto& key : pageKeys) {
        auto* shortcut = new QShortcut(QKeySequence(key.keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int step = key.step;
        connect(shortcut, &QShortcut::activated, this, [this, step] { StepPage(step); });
    }

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    status_->setTextFormat(Qt::PlainText);
    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    connect(statusTimer_, &QTimer::timeout, status_, &QLabel::clear);

    OnInitDialog();
}

CMainDlg::~CMainDlg() {
    desktop::CurrentDesktop().help(this, HelpFilePath(), desktop::HelpCommand::Quit, 0);
    // A page going moves the sheet on to a neighbour, and a page shown for the
    // first time reads the machine: closing must send nothing.
    disconnect(sheet_, &QTabWidget::currentChanged, this, &CMainDlg::OnSheetPageChanged);
    for (OwnedPage& owned : pages_) {
        owned.page->SetHost(nullptr);
        owned.page.reset();
    }
    if (mainDlg == this) {
        mainDlg = nullptr;
    }
}

int CMainDlg::MachineClass() const {
    return context_.records.inquiryRecord.machineClass;
}

void CMainDlg::OnInitDialog() {
    setWindowIcon(LoadAppIcon(IDR_MAINFRAME));

    exitButton_->SetIcon(IDI_EXIT);
    exitButton_->SetFlat(false, true);
    helpButton_->SetIcon(IDI_HELP);
    helpButton_->SetFlat(false, true);

    sheet_ = new QTabWidget(this);
    sheet_->setObjectName(QStringLiteral("sheet"));
    sheet_->tabBar()->setExpanding(false);
    for (const RegisteredPage& entry : PagesFor(MachineClass())) {
        std::unique_ptr<CPropertyPage> page = entry.make(context_);
        page->SetHost(this);
        sheet_->addTab(page.get(), page->Caption());
        pages_.push_back({std::move(page)});
    }
    sheet_->setFocusPolicy(Qt::TabFocus);
    // A caption wider than the window scrolls; it is never cut short.
    sheet_->setUsesScrollButtons(true);
    sheet_->setElideMode(Qt::ElideNone);
    sheet_->show();
    sheet_->setCurrentIndex(0);

    // Each page's own tab image, blue as the mask colour.
    sheet_->setIconSize(QSize(kTabImageSide, kTabImageSide));
    const QList<CPropertyPage*> pages = SheetPages();
    for (int i = 0; i < pages.size(); ++i) {
        QPixmap image = LoadTabImage(QString::fromLatin1(pages[i]->Tab().name));
        if (!image.isNull()) {
            image.setMask(image.createMaskFromColor(QColor(0, 0, 255), Qt::MaskInColor));
            sheet_->setTabIcon(i, QIcon(image));
        }
    }

    // The size follows the texts of the language in use.
    ApplyTexts();
    ApplySize();
    sheet_->setCurrentIndex(0);
    connect(sheet_, &QTabWidget::currentChanged, this, &CMainDlg::OnSheetPageChanged);
    ArrangeTabOrder();

    // Centre on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void CMainDlg::ApplySize() {
    // The pages are as wide as the tabs' captions want, as far as the screen
    // allows; past that the tabs scroll.
    int pageWidth = 0;
    for (CPropertyPage* page : SheetPages()) {
        pageWidth = std::max(pageWidth, page->sizeHint().width());
    }
    int widest = pageWidth;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        widest = std::max(pageWidth, screen->availableGeometry().width() - 8 * kMargin);
    }
    // The tab bar's own inset in the sheet, both sides.
    const int tabsWidth = sheet_->tabBar()->sizeHint().width() + 2 * kMargin;
    const int contentWidth = std::clamp(tabsWidth, pageWidth, widest);
    for (CPropertyPage* page : SheetPages()) {
        page->SetContentWidth(contentWidth);
    }

    const QSize sheetSize = sheet_->sizeHint();
    const int w = sheetSize.width();
    const int h = sheetSize.height();
    const int charHeight = QFontMetrics(font()).height();
    const int menuHeight = menuBar_->sizeHint().height();

    // The menu bar is part of the window here; the caption is the window
    // manager's, above this area. The same margin on both sides.
    const int width = w + 2 * kMargin;
    const int height = h + 6 * charHeight + menuHeight;
    setFixedSize(width, height);
    menuBar_->setGeometry(0, 0, width, menuHeight);
    sheet_->setGeometry(kMargin, menuHeight + kMargin, w, h);

    // Exit and Help below the sheet, right-aligned, centred in the space
    // left; the status line takes the rest of the row.
    const int buttonHeight = std::max(exitButton_->sizeHint().height(), 2 * charHeight + 4);
    const int buttonWidth = std::max(
        {exitButton_->sizeHint().width(), helpButton_->sizeHint().width(), 7 * charHeight});
    const int top = menuHeight + kMargin + h;
    const int y = top + (height - top - buttonHeight) / 2;
    helpButton_->setGeometry(width - kMargin - buttonWidth, y, buttonWidth, buttonHeight);
    exitButton_->setGeometry(width - 2 * kMargin - 2 * buttonWidth, y, buttonWidth, buttonHeight);
    status_->setGeometry(kMargin, y, exitButton_->x() - 2 * kMargin, buttonHeight);
}

void CMainDlg::ApplyTexts() {
    setWindowTitle(Lang("MAIN", "CAPTION"));
    exitButton_->setText(Lang("MAIN", "IDC_EXIT"));
    helpButton_->setText(Lang("MAIN", "IDC_HELP"));

    fileMenu_->setTitle(Lang("MENU", "FILE_MENU"));
    helpMenu_->setTitle(Lang("MENU", "HELP_MENU"));

    static const struct {
        int command;
        const char* key;
    } fileItems[] = {
        {ID_FILE_LOAD_SETTINGS, "IDM_LOAD_SETTINGS"}, {ID_FILE_SAVE_SETTINGS, "IDM_SAVE_SETTINGS"},
        {ID_FILE_LOAD_PBOOK, "IDM_LOAD_PBOOK"},       {ID_FILE_SAVE_PBOOK, "IDM_SAVE_PBOOK"},
        {ID_FILE_IMPORT_PBOOK, "IDM_IMPORT_PBOOK"},   {ID_FILE_EXPORT_PBOOK, "IDM_EXPORT_PBOOK"},
        {ID_FILE_PRINT_PBOOK, "IDM_PRINT_PBOOK"},
    };
    if (MachineClass() == kFullMachineClass) {
        for (const auto& item : fileItems) {
            if (QAction* action = MenuItem(item.command)) {
                action->setText(Lang("MENU", item.key));
            }
        }
    } else {
        for (const auto& item : fileItems) {
            if (QAction* action = MenuItem(item.command)) {
                fileMenu_->removeAction(action);
                delete action;
            }
        }
        // Then the separators now at the top, so File holds Exit alone.
        while (!fileMenu_->actions().isEmpty() && fileMenu_->actions().first()->isSeparator()) {
            QAction* first = fileMenu_->actions().first();
            fileMenu_->removeAction(first);
            delete first;
        }
    }

    if (QAction* exit = MenuItem(ID_APP_EXIT_CMD)) {
        exit->setText(Lang("MENU", "IDM_EXIT"));
    }
    if (QAction* remote = MenuItem(ID_FILE_REMOTE_MACHINE)) {
        remote->setText(Lang("MENU", "IDM_REMOTE_MACHINE"));
        if (!ExplicitDevice().empty()) {
            remote->setEnabled(false); // see EnableExit
            remote->setToolTip(Lang("MAIN", "REMOTE_NAMED"));
        }
    }
    if (QAction* contents = MenuItem(ID_HELP_CONTENTS)) {
        contents->setText(Lang("MENU", "IDM_HELP_CONTENTS"));
    }
    if (QAction* about = MenuItem(ID_HELP_ABOUT)) {
        about->setText(Lang("MENU", "IDM_ABOUT"));
    }
    languageMenu_->setTitle(Lang("MENU", "IDM_LANGUAGE"));
    if (QAction* desktopItem = MenuItem(ID_LANGUAGE_DESKTOP)) {
        desktopItem->setText(Lang("MENU", "IDM_LANGUAGE_DESKTOP"));
    }

    const QList<CPropertyPage*> pages = SheetPages();
    for (int i = 0; i < pages.size(); ++i) {
        const PageTab tab = pages[i]->Tab();
        sheet_->setTabText(i, Lang(tab.section, tab.key));
    }
}

void CMainDlg::OnSheetPageChanged(int index) {
    const QList<CPropertyPage*> pages = SheetPages();
    if (activePage_ >= 0 && activePage_ < pages.size() && activePage_ != index) {
        pages[activePage_]->OnKillActive();
    }
    activePage_ = index;
    if (index >= 0 && index < pages.size()) {
        const bool first = !pages[index]->IsInitialised();
        pages[index]->EnsureInitialised();
        pages[index]->OnSetActive();
        if (first) {
            ArrangeTabOrder();
        }
    }
}

void CMainDlg::ArrangeTabOrder() {
    // The tabs, the page's controls, then Exit and Help.
    QWidget* previous = sheet_->tabBar();
    for (CPropertyPage* page : SheetPages()) {
        for (QWidget* control : page->FocusControls()) {
            setTabOrder(previous, control);
            previous = control;
        }
    }
    setTabOrder(previous, exitButton_);
    setTabOrder(exitButton_, helpButton_);
}

void CMainDlg::StepPage(int step) {
    const int count = sheet_->count();
    if (count == 0) {
        return;
    }
    sheet_->setCurrentIndex(((sheet_->currentIndex() + step) % count + count) % count);
    if (auto* page = qobject_cast<CPropertyPage*>(sheet_->currentWidget())) {
        if (QWidget* first = page->FirstFocusControl()) {
            first->setFocus(Qt::TabFocusReason);
        }
    }
}

void CMainDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) {
        return;
    }
    shown_ = true;
    // The first page reads the machine once the window is on the screen, so
    // that a box about it stands over the window.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (activePage_ < 0) {
                OnSheetPageChanged(sheet_->currentIndex());
            }
            if (auto* page = qobject_cast<CPropertyPage*>(sheet_->currentWidget())) {
                if (QWidget* first = page->FirstFocusControl()) {
                    first->setFocus(Qt::TabFocusReason);
                }
            }
        },
        Qt::QueuedConnection);
}

void CMainDlg::ShowStatus(const QString& text) {
    status_->setText(text);
    statusTimer_->start(kStatusMs);
}

void CMainDlg::EnableExit(bool enable) {
    exitButton_->setEnabled(enable);
    if (QAction* exit = MenuItem(ID_APP_EXIT_CMD)) {
        exit->setEnabled(enable);
    }
    // Another machine ends this window as Exit does; a named device is the
    // only one tried.
    if (QAction* remote = MenuItem(ID_FILE_REMOTE_MACHINE)) {
        remote->setEnabled(enable && ExplicitDevice().empty());
    }
}

bool CMainDlg::ConfirmEnd() {
    QList<CPropertyPage*> unsent;
    QStringList names;
    const QList<CPropertyPage*> pages = SheetPages();
    for (int i = 0; i < pages.size(); ++i) {
        if (pages[i]->IsInitialised() && pages[i]->HasUnsentChanges()) {
            unsent << pages[i];
            names << Plain(sheet_->tabText(i));
        }
    }
    if (unsent.isEmpty()) {
        return true;
    }
    QString text = Lang("MAIN", "UNSENT_TEXT");
    text.replace(QStringLiteral("%1"), names.join(QStringLiteral(", ")));
    const QStringList buttons = {Lang("MAIN", "UNSENT_SEND"), Lang("MAIN", "UNSENT_DISCARD"),
                                 Lang("MAIN", "UNSENT_STAY")};
    const int choice =
        desktop::CurrentDesktop().askChoice(this, text, Lang("MAIN", "CAPTION"), buttons, 2);
    if (choice == 1) {
        return true;
    }
    if (choice != 0) {
        return false;
    }
    for (CPropertyPage* page : unsent) {
        if (!page->SendChanges()) {
            // The page has said why; the user stays with it.
            sheet_->setCurrentWidget(page);
            return false;
        }
    }
    return true;
}

void CMainDlg::OnRemoteMachine() {
    CRemoteMachine remote(this);
    if (remote.exec() == QDialog::Accepted && !remote.ChosenName().empty()) {
        SwitchToMachine(remote.ChosenName());
    }
}

void CMainDlg::SwitchToMachine(const std::string& name) {
    if (ConfirmEnd()) {
        otherMachine_ = name;
        QDialog::done(kOtherMachine);
    }
}

void CMainDlg::done(int result) {
    if (ConfirmEnd()) {
        QDialog::done(result);
    }
}

void CMainDlg::BuildLanguageMenu() {
    auto* group = new QActionGroup(languageMenu_);
    group->setExclusive(true);
    const QString chosen = QString::fromStdString(ReadLanguageChoice());
    QAction* desktopItem = AddCommand(languageMenu_, QString(), ID_LANGUAGE_DESKTOP);
    desktopItem->setProperty("faxrcpLanguage", QString());
    desktopItem->setCheckable(true);
    desktopItem->setChecked(chosen.isEmpty());
    group->addAction(desktopItem);
    languageMenu_->addSeparator();
    const QString folder = QFileInfo(QString::fromStdString(platform::GetModuleFileName())).path();
    int command = ID_LANGUAGE_FIRST;
    for (const KnownLanguage& language : KnownLanguages()) {
        const int id = command++;
        // Only languages whose file is there.
        if (!QFileInfo(folder + QLatin1Char('/') + QLatin1String(language.file)).isFile()) {
            continue;
        }
        QAction* item = AddCommand(languageMenu_, QString::fromUtf8(language.nativeName), id);
        item->setProperty("faxrcpLanguage", QString::fromLatin1(language.code));
        item->setCheckable(true);
        item->setChecked(chosen == QLatin1String(language.code));
        group->addAction(item);
    }
}

void CMainDlg::OnChooseLanguage(const QString& code) {
    if (SaveLanguageChoice(code.toStdString())) {
        ShowStatus(Lang("MAIN", "LANGUAGE_NEXT_START"));
    } else {
        ShowStatus(Lang("MAIN", "LANGUAGE_NOT_SAVED"));
    }
}

QList<CPropertyPage*> CMainDlg::SheetPages() const {
    QList<CPropertyPage*> pages;
    for (int i = 0; sheet_ != nullptr && i < sheet_->count(); ++i) {
        pages << qobject_cast<CPropertyPage*>(sheet_->widget(i));
    }
    return pages;
}

void CMainDlg::EnableCommand(int command, bool enable, const QString& why) {
    if (QAction* item = MenuItem(command)) {
        item->setEnabled(enable);
        item->setToolTip(why);
    }
}

QAction* CMainDlg::MenuItem(int command) const {
    for (QMenu* menu : {fileMenu_, helpMenu_, languageMenu_}) {
        if (menu == nullptr) {
            continue;
        }
        for (QAction* action : menu->actions()) {
            if (action->property(kCommandProperty).toInt() == command) {
                return action;
            }
        }
    }
    return nullptr;
}

QString CMainDlg::HelpFilePath() {
    const QFileInfo program(QString::fromStdString(platform::GetModuleFileName()));
    const QString base = program.absolutePath() + QLatin1Char('/') + program.completeBaseName();
    const QString language = QString::fromStdString(CurrentLanguage());
    if (!language.isEmpty()) {
        const QString translated = base + QLatin1Char('.') + language + QStringLiteral(".html");
        if (QFileInfo(translated).isFile()) {
            return translated;
        }
    }
    return base + QStringLiteral(".html");
}

void CMainDlg::OnHelp() {
    helpOpened_ = true;
    desktop::CurrentDesktop().help(this, HelpFilePath(), desktop::HelpCommand::Context, 1);
}

void CMainDlg::OnAbout() {
    CAbout about(this);
    about.exec();
}

void CMainDlg::OnPageCommand(int command) {
    if (auto* page = qobject_cast<CPropertyPage*>(sheet_->currentWidget())) {
        page->OnCommand(command);
    }
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused push button takes Enter itself; anywhere else Enter does
        // nothing here: it must never end the program under a field.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled()) {
                button->click();
            }
        }
        event->accept();
        return;
    case Qt::Key_Escape:
        reject();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CMainDlg::paintEvent(QPaintEvent* event) {
    if (!isMinimized()) {
        QDialog::paintEvent(event);
        return;
    }
    // Minimised: the window icon, centred.
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const int side = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const QPixmap icon = windowIcon().pixmap(side, side);
    p.drawPixmap((width() - icon.width() + 1) / 2, (height() - icon.height() + 1) / 2, icon);
}

void CMainDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        update();
    }
    QDialog::changeEvent(event);
}
