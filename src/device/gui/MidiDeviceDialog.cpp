#include "device/gui/MidiDeviceDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "settings/LanguageTable.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "MainPanel";
// Wide enough for the usual port names ("Port name 1:0" and the like) without scrolling.
constexpr int kListWidthInCharacters = 32;

QListWidget* MakeList(const char* objectName, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setMinimumWidth(list->fontMetrics().averageCharWidth() * kListWidthInCharacters);
    // A double-click selects the row, whether or not the platform selects on the first press.
    QObject::connect(list, &QListWidget::itemDoubleClicked, list,
                     [list](QListWidgetItem* item) { list->setCurrentItem(item); });
    return list;
}

void Fill(QListWidget* list, const std::vector<std::string>& names) {
    list->clear();
    for (const std::string& name : names) {
        list->addItem(QString::fromStdString(name));
    }
}

void SelectRow(QListWidget* list, int row) {
    if (row >= 0 && row < list->count()) {
        list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        list->scrollToItem(list->item(row));
    } else {
        list->clearSelection();
        list->setCurrentItem(nullptr);
    }
}

int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? MidiDeviceChoice::kNone : list->row(selected.front());
}

}  // namespace

MidiDeviceDialog::MidiDeviceDialog(MidiPorts& ports, AppConfig& config, Reporter& reporter,
                                   const LanguageTable& language, QWidget* parent)
    : QDialog(parent), choice_(ports, config, reporter), language_(language) {
    setObjectName(QStringLiteral("midiDeviceDialog"));
    setModal(true);

    inputLabel_ = new QLabel(this);
    inputLabel_->setObjectName(QStringLiteral("midiInputLabel"));
    outputLabel_ = new QLabel(this);
    outputLabel_->setObjectName(QStringLiteral("midiOutputLabel"));
    inputList_ = MakeList("midiInputList", this);
    outputList_ = MakeList("midiOutputList", this);
    inputLabel_->setBuddy(inputList_);
    outputLabel_->setBuddy(outputList_);

    // The button box puts OK and Cancel in the order of the desktop the program runs on.
    buttons_ = new QDialogButtonBox(this);
    buttons_->setObjectName(QStringLiteral("midiDeviceButtons"));
    refreshButton_ = buttons_->addButton(QString(), QDialogButtonBox::ResetRole);
    refreshButton_->setObjectName(QStringLiteral("midiRefreshButton"));
    refreshButton_->setAutoDefault(false);
    okButton_ = buttons_->addButton(QString(), QDialogButtonBox::AcceptRole);
    okButton_->setObjectName(QStringLiteral("midiOkButton"));
    okButton_->setDefault(true);
    cancelButton_ = buttons_->addButton(QString(), QDialogButtonBox::RejectRole);
    cancelButton_->setObjectName(QStringLiteral("midiCancelButton"));
    cancelButton_->setAutoDefault(false);

    connect(refreshButton_, &QPushButton::clicked, this, &MidiDeviceDialog::Refresh);
    connect(buttons_, &QDialogButtonBox::accepted, this, &MidiDeviceDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &MidiDeviceDialog::reject);

    auto* lists = new QGridLayout;
    lists->addWidget(inputLabel_, 0, 0);
    lists->addWidget(outputLabel_, 0, 1);
    lists->addWidget(inputList_, 1, 0);
    lists->addWidget(outputList_, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addWidget(buttons_);

    ApplyTexts();
    Refresh();
    inputList_->setFocus();
}

void MidiDeviceDialog::ApplyTexts() {
    setWindowTitle(UiText(language_, kSection, "IDS_DLG_MIDIDEV"));
    inputLabel_->setText(UiText(language_, kSection, "IDS_DLG_INPUT"));
    outputLabel_->setText(UiText(language_, kSection, "IDS_DLG_OUTPUT"));
    refreshButton_->setText(UiText(language_, kSection, "IDS_DLG_REFRESH"));
    cancelButton_->setText(UiText(language_, kSection, "IDS_DLG_CANCEL"));
    okButton_->setText(UiText(language_, kSection, "IDS_DLG_OK"));
    inputList_->setAccessibleName(inputLabel_->text());
    outputList_->setAccessibleName(outputLabel_->text());
}

void MidiDeviceDialog::Refresh() {
    choice_.Refresh();
    Fill(inputList_, choice_.InputNames());
    Fill(outputList_, choice_.OutputNames());
    Select(choice_.InputSelection(), choice_.OutputSelection());
}

void MidiDeviceDialog::Select(int input, int output) {
    SelectRow(inputList_, input);
    SelectRow(outputList_, output);
}

int MidiDeviceDialog::SelectedInput() const {
    return SelectedRow(inputList_);
}

int MidiDeviceDialog::SelectedOutput() const {
    return SelectedRow(outputList_);
}

void MidiDeviceDialog::accept() {
    choice_.Confirm(SelectedInput(), SelectedOutput());
    QDialog::accept();
}

}  // namespace veltrano
