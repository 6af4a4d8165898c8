#include "performance/gui/PerformanceEditor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "app/OnScreenKeyboard.h"
#include "base/Reporter.h"
#include "performance/gui/CompareDialog.h"
#include "performance/gui/ControllersPage.h"
#include "performance/gui/EffectPage.h"
#include "performance/gui/GlobalPage.h"
#include "performance/gui/KeyboardPage.h"
#include "performance/gui/MixerPage.h"
#include "performance/gui/StyleSongPage.h"
#include "ui/FileDialogs.h"
#include "ui/PianoKeyboard.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "EditPerformance";
constexpr std::string_view kFilter = "Performance files(*.prf)|*.prf||";
constexpr std::array<const char*, PerformanceEditor::kPageCount> kTabKeys{
    "IDS_KEYBOARD", "IDS_EFFECT", "IDS_CONTROLLERS", "IDS_STYLESONG", "IDS_MIXER", "IDS_GLOBAL"};

// The performance drop-down's text for performance `index`: "Performance 1" … "Performance 6".
QString PerformanceText(const LanguageTable& language, int index) {
    return UiText(language, kSection, "IDS_PERFORMANCE_ITEM")
        .replace(QStringLiteral("%d"), QString::number(index + 1));
}

bool IsUndoOrRedo(const QKeyEvent& key) {
    const QKeyCombination combination = key.keyCombination();
    return key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo) ||
           combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
           combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

}  // namespace

PerformanceEditor::PerformanceEditor(const PageServices& services, QWidget* parent)
    : ToolPage(services, parent),
      document_(std::make_unique<PerformanceDocument>(services.app, services.reporter)) {
    setObjectName(QStringLiteral("performanceEditor"));
    // Start-up: the device's default bank over the reset one, as after a change of device.
    document_->LoadDeviceDefault();
    listener_ = document_->Edits().Listen(
        [this](const DocumentChange& change) { DocumentChanged(change); });
    Build();
    ApplyTexts();
}

PerformanceEditor::~PerformanceEditor() {
    // A field that would lose the focus while being destroyed loses it now, while the pages
    // and the document are whole; then the pages go, before the document.
    if (QWidget* focus = QApplication::focusWidget(); focus != nullptr && isAncestorOf(focus)) {
        focus->clearFocus();
    }
    tabs_->blockSignals(true);
    delete tabs_;
    tabs_ = nullptr;
    pages_.fill(nullptr);
    document_->Edits().StopListening(listener_);
}

PerformancePage& PerformanceEditor::Page(int tab) const {
    return *pages_[static_cast<size_t>(std::clamp(tab, 0, kPageCount - 1))];
}

void PerformanceEditor::Build() {
    open_ = new QPushButton(this);
    open_->setObjectName(QStringLiteral("openButton"));
    open_->setShortcut(QKeySequence::Open);
    connect(open_, &QPushButton::clicked, this, &PerformanceEditor::OpenCommand);
    new_ = new QPushButton(this);
    new_->setObjectName(QStringLiteral("newButton"));
    new_->setShortcut(QKeySequence::New);
    connect(new_, &QPushButton::clicked, this, &PerformanceEditor::NewCommand);
    save_ = new QPushButton(this);
    save_->setObjectName(QStringLiteral("saveButton"));
    save_->setShortcut(QKeySequence::Save);
    connect(save_, &QPushButton::clicked, this, [this] { (void)SaveCommand(); });
    fileLabel_ = new QLabel(this);
    fileName_ = new QLineEdit(this);
    fileName_->setObjectName(QStringLiteral("fileName"));
    fileName_->setReadOnly(true);
    fileLabel_->setBuddy(fileName_);
    performanceLabel_ = new QLabel(this);
    performance_ = new QComboBox(this);
    performance_->setObjectName(QStringLiteral("performanceBox"));
    performanceLabel_->setBuddy(performance_);
    connect(performance_, &QComboBox::activated, this, &PerformanceEditor::PerformanceChosen);

    undoAction_ = new QAction(this);
    undoAction_->setObjectName(QStringLiteral("undoAction"));
    undoAction_->setShortcuts(QKeySequence::Undo);
    connect(undoAction_, &QAction::triggered, this, &PerformanceEditor::UndoCommand);
    redoAction_ = new QAction(this);
    redoAction_->setObjectName(QStringLiteral("redoAction"));
    redoAction_->setShortcuts({QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z),
                               QKeySequence(Qt::ControlModifier | Qt::Key_Y)});
    connect(redoAction_, &QAction::triggered, this, &PerformanceEditor::RedoCommand);
    addAction(undoAction_);
    addAction(redoAction_);
    undo_ = new QToolButton(this);
    undo_->setObjectName(QStringLiteral("undoButton"));
    undo_->setDefaultAction(undoAction_);
    redo_ = new QToolButton(this);
    redo_->setObjectName(QStringLiteral("redoButton"));
    redo_->setDefaultAction(redoAction_);
    edit_ = new QToolButton(this);
    edit_->setObjectName(QStringLiteral("editButton"));
    edit_->setPopupMode(QToolButton::InstantPopup);
    editMenu_ = new QMenu(edit_);
    editMenu_->setObjectName(QStringLiteral("performanceEditMenu"));
    edit_->setMenu(editMenu_);
    connect(editMenu_, &QMenu::aboutToShow, this, &PerformanceEditor::BuildEditMenu);

    auto* top = new QHBoxLayout;
    top->addWidget(open_);
    top->addWidget(new_);
    top->addWidget(save_);
    top->addWidget(fileLabel_);
    top->addWidget(fileName_, 1);
    auto* second = new QHBoxLayout;
    second->addWidget(performanceLabel_);
    second->addWidget(performance_);
    second->addStretch(1);
    second->addWidget(undo_);
    second->addWidget(redo_);
    second->addWidget(edit_);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("performanceTabs"));
    tabs_->setUsesScrollButtons(true);
    const PerformancePageContext context{PageServices{App(), Devices(), Messages(), Keyboard()},
                                         *document_};
    pages_[kKeyboardTab] = new KeyboardPage(context, tabs_);
    pages_[kEffectTab] = new EffectPage(context, tabs_);
    pages_[kControllersTab] = new ControllersPage(context, tabs_);
    pages_[kStyleSongTab] = new StyleSongPage(context, tabs_);
    pages_[kMixerTab] = new MixerPage(context, tabs_);
    pages_[kGlobalTab] = new GlobalPage(context, tabs_);
    for (PerformancePage* page : pages_) {
        // A narrow window scrolls a page rather than being held wide by it.
        auto* scroll = new QScrollArea(tabs_);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(page);
        tabs_->addTab(scroll, QString());
    }
    connect(tabs_, &QTabWidget::currentChanged, this, &PerformanceEditor::TabChanged);
    // The Edit menu also opens where the pages are right-clicked.
    tabs_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabs_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { editMenu_->popup(tabs_->mapToGlobal(at)); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(second);
    layout->addWidget(tabs_, 1);

    // Undo and redo belong to the bank, wherever the focus is: a field's own undo of its text
    // does not take the keys.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

bool PerformanceEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        IsUndoOrRedo(*static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return ToolPage::eventFilter(watched, event);
}

void PerformanceEditor::BuildEditMenu() {
    const LanguageTable& lang = App().language;
    editMenu_->clear();
    editMenu_->addAction(undoAction_);
    editMenu_->addAction(redoAction_);
    editMenu_->addSeparator();
    QMenu* copy = editMenu_->addMenu(UiText(lang, kSection, "IDS_COPYTO"));
    copy->setObjectName(QStringLiteral("copyMenu"));
    QMenu* swap = editMenu_->addMenu(UiText(lang, kSection, "IDS_SWAPWITH"));
    swap->setObjectName(QStringLiteral("swapMenu"));
    for (int i = 0; i < kPerformanceCount; ++i) {
        if (i == document_->CurrentIndex()) {
            continue;
        }
        // Queued: the menu that sent the command is rebuilt the next time it opens.
        QAction* copyTo = copy->addAction(PerformanceText(lang, i));
        connect(
            copyTo, &QAction::triggered, this, [this, i] { CopyToCommand(i); },
            Qt::QueuedConnection);
        QAction* swapWith = swap->addAction(PerformanceText(lang, i));
        connect(
            swapWith, &QAction::triggered, this, [this, i] { SwapWithCommand(i); },
            Qt::QueuedConnection);
    }
    editMenu_->addSeparator();
    QAction* compare = editMenu_->addAction(UiText(lang, kSection, "IDS_COMPARE"));
    compare->setObjectName(QStringLiteral("compareAction"));
    connect(compare, &QAction::triggered, this, &PerformanceEditor::CompareCommand,
            Qt::QueuedConnection);
}

void PerformanceEditor::ApplyTexts() {
    const LanguageTable& lang = App().language;
    StoreVisible();
    open_->setText(UiText(lang, kSection, "IDS_OPEN"));
    new_->setText(UiText(lang, kSection, "IDS_NEW"));
    save_->setText(UiText(lang, kSection, "IDS_SAVE"));
    fileLabel_->setText(UiText(lang, kSection, "IDS_FILENAME"));
    fileName_->setAccessibleName(fileLabel_->text());
    performanceLabel_->setText(UiText(lang, kSection, "IDS_CURRENTPERF"));
    performance_->setAccessibleName(performanceLabel_->text());
    {
        const QSignalBlocker blocker(performance_);
        performance_->clear();
        for (int i = 0; i < kPerformanceCount; ++i) {
            performance_->addItem(PerformanceText(lang, i));
        }
        performance_->setCurrentIndex(document_->CurrentIndex());
    }
    undoAction_->setText(UiText(lang, kSection, "IDS_UNDO"));
    redoAction_->setText(UiText(lang, kSection, "IDS_REDO"));
    undo_->setAccessibleName(undoAction_->text());
    redo_->setAccessibleName(redoAction_->text());
    edit_->setText(UiText(lang, kSection, "IDS_EDIT"));
    edit_->setAccessibleName(edit_->text());
    const int selected = tabs_->currentIndex();
    {
        const QSignalBlocker blocker(tabs_);
        for (int tab = 0; tab < kPageCount; ++tab) {
            tabs_->setTabText(tab, UiText(lang, kSection, kTabKeys[static_cast<size_t>(tab)]));
        }
        tabs_->setCurrentIndex(selected);
    }
    for (PerformancePage* page : pages_) {
        page->ApplyTexts();
    }
    ShowFileName();
    ShowUndoState();
}

void PerformanceEditor::PageShown() {
    Page(tabs_->currentIndex()).Show();
}

bool PerformanceEditor::MayClose() {
    StoreVisible();
    return MayDropEdits();
}

void PerformanceEditor::RefreshForDevice() {
    // The catalogues and the profile were read again: voice lists, type lists and tables.
    for (PerformancePage* page : pages_) {
        page->ApplyTexts();
    }
}

void PerformanceEditor::DeviceSwitched() {
    StoreVisible();
    // The other device's default bank replaces this one, unless the user keeps the edits.
    if (!MayDropEdits()) {
        RefreshForDevice();
        return;
    }
    document_->LoadDeviceDefault();
    RefreshForDevice();
    RefreshKeyboard();
}

bool PerformanceEditor::MayDropEdits() {
    if (!document_->Modified()) {
        return true;
    }
    const LanguageTable& lang = App().language;
    const std::string name = document_->FileName().empty()
                                 ? lang.LookupText(kSection, "IDS_UNTITLED")
                                 : document_->FileName();
    return AskToSaveChanges(name, [this] { return SaveCommand(); });
}

void PerformanceEditor::StoreVisible() {
    if (tabs_ != nullptr) {
        Page(tabs_->currentIndex()).Store();
    }
}

void PerformanceEditor::ShowAll() {
    {
        const QSignalBlocker blocker(performance_);
        performance_->setCurrentIndex(document_->CurrentIndex());
    }
    for (PerformancePage* page : pages_) {
        page->Show();
    }
    ShowFileName();
    ShowUndoState();
}

void PerformanceEditor::ShowFileName() {
    fileName_->setText(QString::fromStdString(document_->MarkedFileName()));
}

void PerformanceEditor::ShowUndoState() {
    undoAction_->setEnabled(document_->Edits().CanUndo());
    redoAction_->setEnabled(document_->Edits().CanRedo());
}

void PerformanceEditor::RefreshKeyboard() {
    if (Page(tabs_->currentIndex()).UsesKeyboard()) {
        return;
    }
    Devices().Keyboard().SetPadEntry(false);
    PianoKeyboard& keys = Keyboard().Keys();
    for (int key = OnScreenKeyboard::kLowestKey; key <= OnScreenKeyboard::kHighestKey; ++key) {
        keys.ShowKey(key, false);
    }
}

void PerformanceEditor::TabChanged(int index) {
    Page(previousTab_).Store();
    previousTab_ = index;
    Page(index).Show();
}

void PerformanceEditor::SetPerformance(int index) {
    if (index == document_->CurrentIndex() || !document_->SetCurrentIndex(index)) {
        return;
    }
    ShowAll();
    RefreshKeyboard();
}

void PerformanceEditor::PerformanceChosen(int index) {
    StoreVisible();
    SetPerformance(index);
}

void PerformanceEditor::DocumentChanged(const DocumentChange& change) {
    using Kind = DocumentChange::Kind;
    if (change.kind == Kind::Undo || change.kind == Kind::Redo) {
        // Show where the step was made: its performance, its page, its part and sub-page.
        if (const auto step = PerformanceDocument::SplitStepName(change.field)) {
            (void)document_->SetCurrentIndex(step->first);
            for (int tab = 0; tab < kPageCount; ++tab) {
                if (Page(tab).ShowsField(step->second)) {
                    tabs_->setCurrentIndex(tab);
                    Page(tab).RevealField(step->second);
                }
            }
        }
        ShowAll();
        return;
    }
    if (change.kind == Kind::Load) {
        ShowAll();
        return;
    }
    // An edit made by a page, or a save: the page shows itself; the mark and the undo
    // buttons follow.
    ShowFileName();
    ShowUndoState();
}

void PerformanceEditor::NewCommand() {
    StoreVisible();
    if (!MayDropEdits()) {
        return;
    }
    document_->New();
    ShowAll();
    RefreshKeyboard();
}

void PerformanceEditor::OpenCommand() {
    StoreVisible();
    if (!MayDropEdits()) {
        return;
    }
    const FileDialogRequest request{
        UiText(App().language, kSection, "IDS_OPEN"), kFilter, dialog_folder::kOpenPerf, {}};
    const QString chosen = ChooseFileToOpen(this, App().config, request);
    if (chosen.isEmpty()) {
        return;
    }
    if (document_->Open(chosen.toStdString())) {
        ShowAll();
        RefreshKeyboard();
    }
}

bool PerformanceEditor::SaveCommand() {
    StoreVisible();
    const FileDialogRequest request{UiText(App().language, kSection, "IDS_SAVE"), kFilter,
                                    dialog_folder::kSavePerf, QStringLiteral("*.prf")};
    const QString chosen = ChooseFileToSave(this, App().config, request);
    if (chosen.isEmpty()) {
        return false;
    }
    const bool saved = document_->Save(chosen.toStdString());
    ShowFileName();
    return saved;
}

void PerformanceEditor::UndoCommand() {
    StoreVisible();
    (void)document_->Edits().Undo();
}

void PerformanceEditor::RedoCommand() {
    StoreVisible();
    (void)document_->Edits().Redo();
}

void PerformanceEditor::CopyToCommand(int target) {
    StoreVisible();
    if (document_->CopyPerformance(document_->CurrentIndex(), target)) {
        ShowAll();
    }
}

void PerformanceEditor::SwapWithCommand(int other) {
    StoreVisible();
    if (document_->SwapPerformances(document_->CurrentIndex(), other)) {
        ShowAll();
    }
}

void PerformanceEditor::CompareCommand() {
    StoreVisible();
    QPointer<CompareDialog> dialog = new CompareDialog(App(), *document_, this);
    dialog->exec();
    delete dialog.data();
}

}  // namespace veltrano
