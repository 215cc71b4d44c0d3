#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QHeaderView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "evaluation/frmEvaluate.h"
#include "platform/ScreenFit.h"
#include "platform/qt/QtPlotPort.h"
#include "platform/qt/QtStatusBar.h"
#include "platform/qt/QtWindowHost.h"
#include "ranking/frmRank.h"
#include "priors/frmLoadPriors.h"
#include "priors/frmSetPriors.h"
#include "ui/ExitDialogue.h"
#include "ui/WindowArrangement.h"
#include "ui/frmAlgo.h"
#include "ui/frmEditVS.h"
#include "ui/frmInfo.h"
#include "ui/frmMenu.h"

namespace corvane {

namespace {

constexpr int kMenuTop = 200;  // the menu sits 3000 twips (200 pixels) below the top
const QString kRecentKey = QStringLiteral("recentFiles");
const QString kPlaceKey = QStringLiteral("windows/");

}  // namespace

frmMain::frmMain(Dialogs& dialogs, Clock& clock, RandomSource& random, Model* model, DesktopCommands commands,
                 QWidget* parent)
    : QMainWindow(parent), commands_(std::move(commands)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Corvane"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    area_ = new QMdiArea(central);
    area_->setObjectName(QStringLiteral("mdiMain"));
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(area_, 1);
    status_ = new QtStatusBar(central);
    layout->addWidget(status_);
    setCentralWidget(central);

    host_ = std::make_unique<QtWindowHost>(area_);
    // The session starts cleared: one-element arrays, every flag off, no
    // algorithm file.
    wb_ = std::make_unique<Workbench>(Ports{dialogs, *status_, *host_, clock, random}, model);
    menu_ = std::make_unique<CommandMenu>(*wb_);
    editor_ = std::make_unique<AlgorithmEditor>(*wb_);
    ranking_ = std::make_unique<RankingForm>(*wb_);
    plots_ = std::make_unique<QtPlotPort>(this, dialogs);
    wb_->plots = plots_.get();
    priorsEditor_ = std::make_unique<PriorsEditor>(*wb_);
    priorsDialogue_ = std::make_unique<PriorsDialogue>(*wb_, *priorsEditor_);
    evaluation_ = std::make_unique<EvaluationChoice>(*wb_);

    // The data files of a model just initialised join the recent files.
    auto initialised = [this](bool ok) {
        if (ok && commands_.dataFiles)
            for (const KnownFile& f : commands_.dataFiles(*wb_)) AddRecent(f.kind, f.path);
        return ok;
    };
    if (commands_.modelSetUp)
        menu_->modelSetUp = [this, initialised] {
            // The menu waits, disabled, while the set-up dialogue is open.
            menuWindow_->setEnabled(false);
            const bool ok = commands_.modelSetUp(*wb_, this);
            menuWindow_->setEnabled(true);
            return initialised(ok);
        };
    if (commands_.modelSetUpWithFiles)
        menu_->modelSetUpWithFiles = [this, initialised](const std::string& frequencies, const std::string& increments) {
            menuWindow_->setEnabled(false);
            const bool ok = commands_.modelSetUpWithFiles(*wb_, this, frequencies, increments);
            menuWindow_->setEnabled(true);
            return initialised(ok);
        };
    menu_->fileOpened = [this](FileKind kind, const std::string& path) { AddRecent(kind, path); };
    menu_->openPriorsFile = [this](const std::string& path) {
        priorsDialogue_->Open(PriorsOpener::CommandMenu);
        priorsDialogue_->OpenPath(path);
    };
    if (commands_.runSimplex) menu_->runSimplex = [this] { commands_.runSimplex(*wb_); };
    if (commands_.runMarquardt) menu_->runMarquardt = [this] { commands_.runMarquardt(*wb_); };
    menu_->openEditor = [this] { OpenEditor(); };
    menu_->editParametersLocked = [this] {
        // The covariance command edits the parameter table only.
        editor_->LockRunSettings(true);
        EditForCommand();
        editor_->LockRunSettings(false);
    };
    menu_->openPriors = [this] { priorsDialogue_->Open(PriorsOpener::CommandMenu); };
    menu_->openEvaluation = [this] { evaluation_->Open(); };
    menu_->requestExit = [this] { RequestExit(); };
    wb_->showBayesianInterruptMenu = [this](bool shown) { mnuBayesianInt_->menuAction()->setVisible(shown); };
    menu_->applicationMenu = [this](bool enabled) { mnuApplication_->menuAction()->setEnabled(enabled); };
    // Closing a progress window while its minimisation runs asks to
    // interrupt it instead: the run would go on unseen.
    wb_->simplexView.onUserClose = [this] {
        if (menu_->Running() || evaluation_->Running()) {
            wb_->simplexView.Click("cmdStop");
            return false;
        }
        CloseSimplexWindow(*wb_);
        return true;
    };
    wb_->marquardtView.onUserClose = [this] {
        if (!menu_->Running() && !evaluation_->Running()) return true;
        wb_->marquardtView.Click("cmdStop");
        return false;
    };

    {
        QStringList stored = QSettings().value(kRecentKey).toStringList();
        std::vector<std::string> entries;
        for (const QString& e : stored) entries.push_back(e.toStdString());
        recent_ = RecentFiles::FromStored(entries);
    }
    // Data, algorithm and priors files dropped on the frame open.
    setAcceptDrops(true);
    BuildMenus();
    QApplication::instance()->installEventFilter(this);

    menuWindow_ = new frmMenu(*menu_);
    menuSub_ = area_->addSubWindow(menuWindow_, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    menuSub_->setObjectName(QStringLiteral("subMenu"));
    menuSub_->installEventFilter(this);
    menuSub_->hide();
    menu_->SetListener([this] { RenderMenu(); });

    algoWindow_ = new frmAlgo(*editor_, mnuWindow_);
    algoSub_ = area_->addSubWindow(algoWindow_);
    algoSub_->setObjectName(QStringLiteral("subAlgo"));
    algoSub_->installEventFilter(this);
    algoSub_->hide();
    algoWindow_->requestExit = [this] { RequestExit(); };
    editor_->SetListener([this] { algoWindow_->Render(); });
    editor_->showEditAll = [this] {
        frmEditVS dialog(*editor_, this);
        dialog.exec();
    };
    editor_->onClosed = [this] { EditorClosed(); };
    BuildPriorsWindows();
    BuildEvaluationWindow();

    // The ranking window replaces the command menu while it is open.
    rankWindow_ = new frmRank(*ranking_);
    rankSub_ = area_->addSubWindow(rankWindow_);
    rankSub_->setObjectName(QStringLiteral("subRank"));
    rankSub_->installEventFilter(this);
    rankSub_->hide();
    ranking_->SetListener([this] { RenderRanking(); });
    ranking_->openEditor = [this] { OpenEditor(); };
    ranking_->openPriors = [this] { priorsDialogue_->Open(PriorsOpener::Ranking); };
    ranking_->onFinished = [this] { menu_->RankingFinished(); };
    ranking_->algorithmOpened = [this](const std::string& path) { AddRecent(FileKind::Algorithm, path); };
    menu_->openRanking = [this] { ranking_->Open(); };

    // Enter presses the focused button in every child window, as in a dialogue.
    for (QPushButton* b : area_->findChildren<QPushButton*>()) b->setAutoDefault(true);

    QSize size(1180, 860);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    resize(size);

    menu_->Load();
    menu_->Show();
    // The frame has its size only once shown, and the menu can take the
    // focus only then.
    QTimer::singleShot(0, this, [this] {
        PlaceMenu();
        menuWindow_->Render();
    });
}

frmMain::~frmMain() {
    QApplication::instance()->removeEventFilter(this);
    // Every child window goes while the rules it renders still exist.
    menu_->SetListener({});
    editor_->SetListener({});
    ranking_->SetListener({});
    priorsEditor_->SetListener({});
    priorsDialogue_->SetListener({});
    evaluation_->SetListener({});
    host_->CloseAll();
    delete area_;
    area_ = nullptr;
}

void frmMain::BuildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& text, auto&& slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    // No two entries of the bar and the command menu share a mnemonic:
    // "&About" has A, so the application menu takes P.
    mnuApplication_ = menuBar()->addMenu(QStringLiteral("A&pplication"));
    mnuApplication_->setObjectName(QStringLiteral("mnuApplication"));
    action(mnuApplication_, "mnuMenu", QStringLiteral("Main &menu"), [this] {
        const bool wasVisible = menu_->Visible();
        menu_->Show();
        if (wasVisible) {
            if (menuSub_->isMinimized()) menuSub_->showNormal();
            area_->setActiveSubWindow(menuSub_);
        }
    });
    mnuRecent_ = mnuApplication_->addMenu(QStringLiteral("&Recent files"));
    mnuRecent_->setObjectName(QStringLiteral("mnuRecent"));
    connect(mnuRecent_, &QMenu::aboutToShow, this, [this] { ListRecentFiles(); });
    ListRecentFiles();
    mnuApplication_->addSeparator();
    action(mnuApplication_, "mnuExit", QStringLiteral("E&xit"), [this] { RequestExit(); });

    mnuBayesianInt_ = menuBar()->addMenu(QStringLiteral("&Interrupt"));
    mnuBayesianInt_->setObjectName(QStringLiteral("mnuBayesianInt"));
    action(mnuBayesianInt_, "mnuInterruptBayes", QStringLiteral("I&nterrupt calculations"),
           [this] { wb_->app.bayesianInterrupt = true; });
    mnuMLInt_ = menuBar()->addMenu(QStringLiteral("&Interrupt"));
    mnuMLInt_->setObjectName(QStringLiteral("mnuMLInt"));
    action(mnuMLInt_, "mnuInterruptML", QStringLiteral("&Interrupt calculations"),
           [this] { wb_->app.mlInterrupt = true; });
    RefreshInterruptMenus();

    mnuWindow_ = menuBar()->addMenu(QStringLiteral("&Window"));
    mnuWindow_->setObjectName(QStringLiteral("mnuWindow"));
    action(mnuWindow_, "mnuCascade", QStringLiteral("&Cascade"), [this] { Arrange(Arrangement::Cascade); });
    action(mnuWindow_, "mnuTileHorizontal", QStringLiteral("Tile &Horizontal"),
           [this] { Arrange(Arrangement::TileHorizontal); });
    action(mnuWindow_, "mnuTileVertical", QStringLiteral("Tile &Vertical"),
           [this] { Arrange(Arrangement::TileVertical); });
    action(mnuWindow_, "mnuArrangeIcons", QStringLiteral("&Arrange Icons"),
           [this] { Arrange(Arrangement::ArrangeIcons); });
    // Below the arrangements, the open windows: the active one ticked, a
    // chosen one brought to the front (numbered 1 to 9 for the keyboard).
    connect(mnuWindow_, &QMenu::aboutToShow, this, [this] { ListOpenWindows(); });

    QAction* defaults = menuBar()->addAction(QStringLiteral("&Defaults etc."));
    defaults->setObjectName(QStringLiteral("mnuDefaultNames"));
    connect(defaults, &QAction::triggered, this, [this] { ShowInformation(DefaultsText()); });
    QAction* wisdom = menuBar()->addAction(QStringLiteral("Wisd&om"));
    wisdom->setObjectName(QStringLiteral("mnuWisdom"));
    connect(wisdom, &QAction::triggered, this, [this] { ShowInformation(WisdomText()); });
    QMenu* about = menuBar()->addMenu(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    action(about, "mnuCredits", QStringLiteral("&Credits"), [this] { ShowInformation(CreditsText()); });
}

void frmMain::ListOpenWindows() {
    for (QAction* a : mnuWindow_->actions())
        if (a->property("openWindow").toBool() || a->isSeparator()) {
            mnuWindow_->removeAction(a);
            a->deleteLater();
        }
    int number = 0;
    for (QMdiSubWindow* sub : area_->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isHidden()) continue;
        if (number == 0) mnuWindow_->addSeparator()->setProperty("openWindow", true);
        ++number;
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(title) : title;
        QAction* a = mnuWindow_->addAction(text);
        a->setObjectName(QStringLiteral("mnuOpenWindow%1").arg(number));
        a->setProperty("openWindow", true);
        a->setCheckable(true);
        a->setChecked(sub == area_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (!sub) return;  // closed meanwhile
            if (sub->isMinimized()) sub->showNormal();
            area_->setActiveSubWindow(sub);
        });
    }
}

void frmMain::ListRecentFiles() {
    // The entries go later: the one picked may be running its command.
    for (QAction* a : mnuRecent_->actions()) {
        mnuRecent_->removeAction(a);
        a->setObjectName(QString());
        a->deleteLater();
    }
    const std::vector<KnownFile>& entries = recent_.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QAction* a = mnuRecent_->addAction(QString::fromStdString(RecentFiles::MenuText(i, entries[i])));
        a->setObjectName(QStringLiteral("mnuRecent%1").arg(i + 1));
        a->setToolTip(QString::fromStdString(entries[i].path));
        connect(a, &QAction::triggered, this, [this, i] { OpenRecent(i); });
    }
    if (entries.empty()) {
        mnuRecent_->addAction(QStringLiteral("(none yet)"))->setEnabled(false);
        return;
    }
    mnuRecent_->addSeparator();
    QAction* clear = mnuRecent_->addAction(QStringLiteral("&Clear the list"));
    clear->setObjectName(QStringLiteral("mnuRecentClear"));
    connect(clear, &QAction::triggered, this, [this] {
        recent_ = RecentFiles{};
        StoreRecent();
    });
}

void frmMain::AddRecent(FileKind kind, const std::string& path) {
    // Kept with its whole path: the program may start in another folder.
    recent_.Add(kind, QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString());
    StoreRecent();
}

void frmMain::StoreRecent() {
    QStringList stored;
    for (const std::string& e : recent_.Stored()) stored << QString::fromStdString(e);
    QSettings().setValue(kRecentKey, stored);
    ListRecentFiles();
}

void frmMain::OpenRecent(std::size_t index) {
    const RecentFiles::Picked picked =
        recent_.Pick(index, [](const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); });
    if (!picked.message.empty()) {
        wb_->ports.status.Set(panels::Activity(1), picked.message);
        StoreRecent();
    }
    // The same way in as the file dialogues: the same checks and messages.
    if (picked.file) menu_->OpenNamedFiles({*picked.file});
}

void frmMain::OpenDropped(const std::vector<std::string>& paths) { menu_->OpenDropped(paths); }

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData()->hasUrls()) return;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
}

void frmMain::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty()) return;
    event->acceptProposedAction();
    // Opened once the drop is over: the set-up dialogue it may open must not
    // hold the dragging program waiting.
    QTimer::singleShot(0, this, [this, paths] { OpenDropped(paths); });
}

bool frmMain::RestorePlace(QMdiSubWindow* sub) {
    const QRect remembered = QSettings().value(kPlaceKey + sub->objectName()).toRect();
    if (!remembered.isValid()) return false;
    const QSize room = area_->viewport()->size();
    WindowNeeds needs;
    needs.wantedWidth = remembered.width();
    needs.wantedHeight = remembered.height();
    const QSize least = sub->minimumSizeHint();
    needs.leastWidth = least.width();
    needs.leastHeight = least.height();
    needs.x = std::max(0, remembered.x());
    needs.y = std::max(0, remembered.y());
    const ScreenRect area{0, 0, room.width(), room.height()};
    const ScreenPlacement p = PlaceOnScreen(needs, area, area);
    sub->setGeometry(p.x, p.y, p.width, p.height);
    return true;
}

void frmMain::RememberPlace(QMdiSubWindow* sub) {
    if (sub->isMinimized() || sub->isMaximized()) return;
    QSettings().setValue(kPlaceKey + sub->objectName(), sub->geometry());
}

QAction* frmMain::Action(const char* name) const {
    return menuBar()->findChild<QAction*>(QString::fromLatin1(name));
}

void frmMain::RenderMenu() {
    // A command started from a menu shown during editing may move the values.
    if (editor_->IsOpen()) algoWindow_->Render();
    const bool show = menu_->Visible();
    if (show && menuSub_->isHidden()) {
        menuWindow_->Render();  // the size follows the captions
        // As wide as its captions want, within the frame's working area.
        const QSize room = area_->viewport()->size() - QSize(4, 4);
        menuSub_->resize(menuSub_->sizeHint().expandedTo(QSize(640, 0)).boundedTo(room).expandedTo(
            menuSub_->minimumSizeHint()));
        PlaceMenu();
        menuSub_->show();
        area_->setActiveSubWindow(menuSub_);
    } else if (!show && !menuSub_->isHidden()) {
        menuSub_->hide();
    }
    // Rendered once shown, so that the button it names can take the focus.
    menuWindow_->Render();
    RefreshInterruptMenus();
}

void frmMain::PlaceMenu() {
    const QSize room = area_->viewport()->size();
    const QSize own = menuSub_->size();
    const int x = std::max(0, (room.width() - own.width()) / 2);
    const int y = std::max(0, std::min(kMenuTop, room.height() - own.height()));
    menuSub_->move(x, y);
}

void frmMain::BuildPriorsWindows() {
    loadPriorsWindow_ = new frmLoadPriors(*priorsDialogue_);
    loadPriorsSub_ = area_->addSubWindow(loadPriorsWindow_, Qt::SubWindow | Qt::WindowTitleHint |
                                                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    loadPriorsSub_->setObjectName(QStringLiteral("subLoadPriors"));
    loadPriorsSub_->installEventFilter(this);
    loadPriorsSub_->hide();

    setPriorsWindow_ = new frmSetPriors(*priorsEditor_, mnuWindow_);
    setPriorsSub_ = area_->addSubWindow(setPriorsWindow_);
    setPriorsSub_->setObjectName(QStringLiteral("subSetPriors"));
    setPriorsSub_->installEventFilter(this);
    setPriorsSub_->hide();
    setPriorsWindow_->requestExit = [this] { RequestExit(); };
    setPriorsWindow_->showMainMenu = [this] { menu_->Show(); };

    // The window that opened the priors waits hidden until they are done
    // (the ranking window hides itself).
    priorsDialogue_->hideOpener = [this](PriorsOpener opener) {
        if (opener == PriorsOpener::CommandMenu) menu_->Hide();
    };
    priorsDialogue_->showOpener = [this](PriorsOpener opener) {
        if (opener == PriorsOpener::CommandMenu) menu_->Show();
        if (opener == PriorsOpener::Ranking) ranking_->PriorsClosed();
    };
    priorsDialogue_->fileOpened = [this](const std::string& path) { AddRecent(FileKind::Priors, path); };
    priorsDialogue_->SetListener([this] { RenderPriors(); });
    priorsEditor_->SetListener([this] { RenderPriors(); });
}

void frmMain::RenderPriors() {
    const QSize room = area_->viewport()->size();
    if (priorsDialogue_->Visible() != !loadPriorsSub_->isHidden()) {
        if (priorsDialogue_->Visible()) {
            if (!RestorePlace(loadPriorsSub_)) {
                loadPriorsSub_->adjustSize();
                loadPriorsSub_->move(std::max(0, (room.width() - loadPriorsSub_->width()) / 2), kMenuTop);
            }
            loadPriorsSub_->show();
            area_->setActiveSubWindow(loadPriorsSub_);
        } else {
            loadPriorsSub_->hide();
        }
    }
    setPriorsWindow_->Render();
    const bool editing = priorsEditor_->IsOpen();
    if (editing && setPriorsSub_->isHidden()) {
        if (!RestorePlace(setPriorsSub_)) {
            // Wide enough for every column, tall enough for every parameter.
            QTableWidget* grid = setPriorsWindow_->Grid();
            int width = 60;
            for (int c = 0; c < grid->columnCount(); ++c) width += grid->columnWidth(c);
            const int height = 150 + priorsEditor_->Rows() * (grid->verticalHeader()->defaultSectionSize() + 1);
            setPriorsSub_->resize(QSize(width, height).boundedTo(room - QSize(10, 10)).expandedTo(QSize(560, 300)));
            setPriorsSub_->move(std::max(0, (room.width() - setPriorsSub_->width()) / 2), 0);
        }
        setPriorsSub_->show();
        area_->setActiveSubWindow(setPriorsSub_);
        // The editor's menus stand in for the frame's while it is open.
        menuBar()->hide();
    } else if (!editing && !setPriorsSub_->isHidden()) {
        setPriorsSub_->hide();
        if (!editor_->IsOpen()) menuBar()->show();
    }
}

void frmMain::RefreshInterruptMenus() {
    // A hidden menu of the bar still holds its accelerator: the "&Interrupt"
    // menus would take Alt+I from "&Initialize model".  So they leave the bar
    // while their evaluation is not running.
    auto place = [this](QMenu* menu, bool shown) {
        QAction* action = menu->menuAction();
        action->setVisible(shown);
        const bool inBar = menuBar()->actions().contains(action);
        if (shown && !inBar)
            menuBar()->insertAction(mnuWindow_->menuAction(), action);
        else if (!shown && inBar)
            menuBar()->removeAction(action);
    };
    place(mnuBayesianInt_, wb_->engine.bayesianMode);
    place(mnuMLInt_, wb_->engine.mlMode);
}

void frmMain::OpenEditor() {
    editor_->Open();
    algoWindow_->Render();
    if (algoSub_->isHidden() && !RestorePlace(algoSub_)) {
        const QSize room = area_->viewport()->size();
        // Tall enough to show the whole parameter table of a typical model.
        algoSub_->resize(QSize(1000, 900).boundedTo(room - QSize(10, 10)).expandedTo(QSize(560, 400)));
        algoSub_->move(std::max(0, (room.width() - algoSub_->width()) / 2), 0);
    }
    algoSub_->show();
    area_->setActiveSubWindow(algoSub_);
    // The editor's menus stand in for the frame's while it is open, as an
    // MDI child's menus do; two "&Application" menus would also make each
    // other's keyboard shortcut ambiguous.
    menuBar()->hide();
    menu_->Close();
}

void frmMain::EditorClosed() {
    algoSub_->hide();
    menuBar()->show();
    // A command that opened the editor carries on; the menu is its business.
    if (editingForCommand_) return;
    if (ranking_->IsOpen())
        ranking_->EditorClosed();
    else
        menu_->EditorClosed();
}

void frmMain::EditForCommand() {
    editingForCommand_ = true;
    OpenEditor();
    // The command waits here, the interface alive, until editing is finished.
    while (editor_->IsOpen()) wb_->ports.dialogs.WaitForEvents();
    editingForCommand_ = false;
}

void frmMain::BuildEvaluationWindow() {
    evaluateWindow_ = new frmEvaluate(*evaluation_);
    evaluateSub_ = area_->addSubWindow(evaluateWindow_, Qt::SubWindow | Qt::WindowTitleHint |
                                                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    evaluateSub_->setObjectName(QStringLiteral("subEvaluate"));
    evaluateSub_->installEventFilter(this);
    evaluateSub_->hide();
    evaluation_->editParameters = [this] { EditForCommand(); };
    evaluation_->applicationMenu = [this](bool enabled) { mnuApplication_->menuAction()->setEnabled(enabled); };
    evaluation_->onFinished = [this] { menu_->Show(); };
    evaluation_->SetListener([this] { RenderEvaluation(); });
}

void frmMain::RenderEvaluation() {
    evaluateWindow_->Render();
    const bool open = evaluation_->IsOpen();
    if (open && evaluateSub_->isHidden()) {
        if (!RestorePlace(evaluateSub_)) {
            evaluateSub_->adjustSize();
            const QSize room = area_->viewport()->size();
            evaluateSub_->move(std::max(0, (room.width() - evaluateSub_->width()) / 2), kMenuTop);
        }
        evaluateSub_->show();
        area_->setActiveSubWindow(evaluateSub_);
    } else if (!open && !evaluateSub_->isHidden()) {
        evaluateSub_->hide();
    }
    RefreshInterruptMenus();
}

void frmMain::RenderRanking() {
    rankWindow_->Render();
    const bool show = ranking_->IsOpen() && ranking_->Visible();
    if (show && rankSub_->isHidden()) {
        if (!RestorePlace(rankSub_)) {
            const QSize room = area_->viewport()->size();
            rankSub_->resize(QSize(1140, 640).boundedTo(room - QSize(10, 10)).expandedTo(QSize(640, 420)));
            rankSub_->move(std::max(0, (room.width() - rankSub_->width()) / 2), 0);
        }
        rankSub_->show();
        area_->setActiveSubWindow(rankSub_);
    } else if (!show && !rankSub_->isHidden()) {
        rankSub_->hide();
    }
}

bool frmMain::RequestExit() { return close(); }

void frmMain::closeEvent(QCloseEvent* event) {
    if (exiting_) {
        event->accept();
        return;
    }
    if (menu_->Running() || evaluation_->Running()) {
        // The running command owns the session until it returns.
        wb_->ports.dialogs.MessageBox("Exit Corvane",
                                      "Please let the running command finish (or interrupt it) before quitting.",
                                      Buttons::OK, Icon::Exclamation);
        event->ignore();
        return;
    }
    std::function<bool()> savePriors;
    if (commands_.savePriors) savePriors = [this] { return commands_.savePriors(*wb_); };
    if (ExitDialogue(*wb_, savePriors, ranking_.get())) {
        exiting_ = true;
        for (QMdiSubWindow* sub : {algoSub_, rankSub_, loadPriorsSub_, setPriorsSub_, evaluateSub_})
            if (!sub->isHidden()) RememberPlace(sub);
        event->accept();
    } else {
        event->ignore();
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && PressMenuMnemonic(watched, static_cast<QKeyEvent*>(event))) return true;
    // A child window's size and place are kept as it leaves the screen.
    if (event->type() == QEvent::Hide &&
        (watched == algoSub_ || watched == rankSub_ || watched == loadPriorsSub_ || watched == setPriorsSub_ ||
         watched == evaluateSub_))
        RememberPlace(static_cast<QMdiSubWindow*>(watched));
    if (event->type() == QEvent::Close) {
        if (watched == algoSub_ && editor_->IsOpen()) {
            editor_->Finish();
            event->ignore();
            return true;
        }
        if (watched == rankSub_ && ranking_->IsOpen()) {
            ranking_->Close();
            event->ignore();
            return true;
        }
        if (watched == loadPriorsSub_ && priorsDialogue_->Loaded() && !exiting_) {
            priorsDialogue_->Close();
            event->ignore();
            return true;
        }
        if (watched == setPriorsSub_ && priorsEditor_->IsOpen() && !exiting_) {
            priorsEditor_->Finish();
            event->ignore();
            return true;
        }
        if (watched == evaluateSub_ && evaluation_->IsOpen() && !exiting_) {
            evaluation_->Cancel();
            event->ignore();
            return true;
        }
        if (watched == menuSub_ && !exiting_) {
            menu_->Close();
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmMain::PressMenuMnemonic(QObject* watched, const QKeyEvent* key) {
    // Alt+letter reaches the command menu's buttons from any child window
    // (the toolkit gives a child's mnemonics only to the active child).
    if (key->modifiers() != Qt::AltModifier || QApplication::activeModalWidget()) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    const int k = key->key();
    if (!((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))) return false;
    const std::string name = menu_->ButtonForMnemonic(static_cast<char>(k));
    if (name.empty()) return false;
    QPushButton* button = menuWindow_->ButtonWidget(name);
    if (!button || !button->isVisible() || !button->isEnabled()) return false;
    area_->setActiveSubWindow(menuSub_);
    button->setFocus(Qt::ShortcutFocusReason);
    button->click();
    return true;
}

void frmMain::Arrange(Arrangement arrangement) {
    const QSize room = area_->viewport()->size();
    QList<QMdiSubWindow*> normal, icons;
    for (QMdiSubWindow* sub : area_->subWindowList(QMdiArea::StackingOrder)) {
        if (sub->isHidden()) continue;
        (sub->isMinimized() ? icons : normal).append(sub);
    }
    if (arrangement == Arrangement::ArrangeIcons) {
        int x = 0;
        for (QMdiSubWindow* sub : icons) {
            sub->move(x, room.height() - sub->height());
            x += sub->width();
        }
        return;
    }
    const int n = static_cast<int>(normal.size());
    if (n == 0) return;
    // Every window stays readable, and no smaller than it can be drawn.
    WindowSize least = kReadableWindow;
    for (QMdiSubWindow* sub : normal) {
        least.width = std::max(least.width, sub->minimumSizeHint().width());
        least.height = std::max(least.height, sub->minimumSizeHint().height());
    }
    const WindowSize space{room.width(), room.height()};
    const std::vector<WindowRect> rects =
        arrangement == Arrangement::Cascade ? CascadeLayout(n, space, least)
        : TileLayout(n, space,
                     arrangement == Arrangement::TileHorizontal ? TileDirection::Horizontal : TileDirection::Vertical,
                     least);
    // Back to front: the active window ends on top of a cascade.
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = normal[i];
        if (sub->isMaximized()) sub->showNormal();
        const WindowRect& r = rects[static_cast<std::size_t>(i)];
        sub->setGeometry(r.x, r.y, r.width, r.height);
        sub->raise();
    }
}

void frmMain::ShowInformation(const InformationText& info) {
    auto* window = new frmInfo(info, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

}  // namespace corvane
