#include "style/gui/StyleToMidiDialog.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "style/gui/ConversionFiles.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "StyleToMidi";

QLineEdit* MakeField(const char* objectName, QWidget* parent, bool readOnly) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setReadOnly(readOnly);
    return field;
}

QPushButton* MakeButton(const char* objectName, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

void Name(QLabel* label, QWidget* field, const QString& text) {
    label->setText(text);
    label->setBuddy(field);
    field->setAccessibleName(text);
}

}  // namespace

StyleToMidiDialog::StyleToMidiDialog(const PageServices& services, QWidget* parent)
    : ToolPage(services, parent), presenter_(App().config, App().language) {
    setObjectName(QStringLiteral("styleToMidiPage"));
    setAcceptDrops(true);

    infoGroup_ = new QGroupBox(this);
    open_ = MakeButton("s2mOpen", infoGroup_);
    open_->setShortcut(QKeySequence::Open);
    path_ = MakeField("s2mPath", infoGroup_, true);
    longNameLabel_ = new QLabel(infoGroup_);
    longName_ = MakeField("s2mLongName", infoGroup_, true);
    auto* openRow = new QHBoxLayout;
    openRow->addWidget(open_);
    openRow->addWidget(path_, 1);
    auto* info = new QFormLayout(infoGroup_);
    info->addRow(openRow);
    info->addRow(longNameLabel_, longName_);

    optionalGroup_ = new QGroupBox(this);
    shortNameLabel_ = new QLabel(optionalGroup_);
    shortName_ = MakeField("s2mShortName", optionalGroup_, false);
    shortName_->setMaxLength(32);  // longer names are refused with their message, not cut
    tempoLabel_ = new QLabel(optionalGroup_);
    tempo_ = MakeField("s2mTempo", optionalGroup_, false);
    timeSignatureLabel_ = new QLabel(optionalGroup_);
    timeSignature_ = MakeField("s2mTimeSignature", optionalGroup_, false);
    auto* optional = new QFormLayout(optionalGroup_);
    optional->addRow(shortNameLabel_, shortName_);
    optional->addRow(tempoLabel_, tempo_);
    optional->addRow(timeSignatureLabel_, timeSignature_);

    saveOts_ = MakeButton("s2mSaveOts", this);
    saveDsc_ = MakeButton("s2mSaveDsc", this);
    saveMidi_ = MakeButton("s2mSaveMidi", this);
    saveMidi_->setShortcut(QKeySequence::Save);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveOts_);
    buttons->addWidget(saveDsc_);
    buttons->addWidget(saveMidi_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(infoGroup_);
    layout->addWidget(optionalGroup_);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(open_, &QPushButton::clicked, this, &StyleToMidiDialog::OpenCommand);
    connect(saveOts_, &QPushButton::clicked, this,
            [this] { SaveCommand(ConversionMode::OneTouch, saveOts_); });
    connect(saveDsc_, &QPushButton::clicked, this,
            [this] { SaveCommand(ConversionMode::Description, saveDsc_); });
    connect(saveMidi_, &QPushButton::clicked, this,
            [this] { SaveCommand(ConversionMode::Midi, saveMidi_); });
    ApplyTexts();
}

void StyleToMidiDialog::ApplyTexts() {
    const LanguageTable& language = App().language;
    infoGroup_->setTitle(UiText(language, kSection, "IDS_FILE_INFO"));
    optionalGroup_->setTitle(UiText(language, kSection, "IDS_STC_OPTIONAL"));
    open_->setText(UiText(language, kSection, "IDS_OPEN"));
    path_->setAccessibleName(UiText(language, kSection, "IDS_FILE_INFO"));
    Name(longNameLabel_, longName_, UiText(language, kSection, "IDS_FULL_NAME"));
    Name(shortNameLabel_, shortName_, UiText(language, kSection, "IDS_SHORT_NAME"));
    Name(tempoLabel_, tempo_, UiText(language, kSection, "IDS_TEMPO"));
    Name(timeSignatureLabel_, timeSignature_, UiText(language, kSection, "IDS_BEAT"));
    saveOts_->setText(UiText(language, kSection, "IDS_SAVE_OTS"));
    saveDsc_->setText(UiText(language, kSection, "IDS_SAVE_SETTING"));
    saveMidi_->setText(UiText(language, kSection, "IDS_FINISH"));
}

bool StyleToMidiDialog::OpenStyle(const std::filesystem::path& path) {
    const bool opened = presenter_.Open(path, Messages());
    ShowFields();
    return opened;
}

void StyleToMidiDialog::OpenCommand() {
    const auto chosen = OpenFileChooser(this, App().config, open_->text())(presenter_.OpenChoice());
    if (chosen) {
        (void)OpenStyle(*chosen);
    }
}

void StyleToMidiDialog::SaveCommand(ConversionMode mode, QPushButton* button) {
    const StyleToMidiPresenter::Typed typed{shortName_->text().toStdString(),
                                            tempo_->text().toStdString(),
                                            timeSignature_->text().toStdString()};
    (void)presenter_.Save(mode, typed, SaveFileChooser(this, App().config, button->text()),
                          Messages());
}

void StyleToMidiDialog::ShowFields() {
    const StyleToMidiPresenter::Fields& shown = presenter_.Shown();
    path_->setText(QString::fromStdString(shown.path));
    longName_->setText(QString::fromStdString(shown.longName));
    shortName_->setText(QString::fromStdString(shown.shortName));
    tempo_->setText(QString::fromStdString(shown.tempo));
    timeSignature_->setText(QString::fromStdString(shown.timeSignature));
}

void StyleToMidiDialog::dragEnterEvent(QDragEnterEvent* event) {
    AcceptFileDrag(*event);
}

void StyleToMidiDialog::dropEvent(QDropEvent* event) {
    if (const auto path = DroppedFile(*event)) {
        event->acceptProposedAction();
        (void)OpenStyle(*path);
    }
}

}  // namespace veltrano
