#include "style/gui/MidiToStyleWizard.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AppContext.h"
#include "device/gui/MidiDeviceDialog.h"
#include "style/gui/ConversionFiles.h"
#include "style/gui/WizardChannelsStep.h"
#include "style/gui/WizardOneTouchStep.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kStep1 = "MidiToStyle1";
constexpr const char* kStep3 = "MidiToStyle3";
constexpr const char* kUserStyleFolder = "USER\\STYLE";

QPushButton* MakeButton(const char* objectName, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

QString ChannelList(uint16_t channels, const QString& none) {
    QStringList numbers;
    for (int n = 0; n < kStyleChannelCount; ++n) {
        if (((channels >> n) & 1u) != 0) {
            numbers << QString::number(n + 1);
        }
    }
    return numbers.isEmpty() ? none : numbers.join(QStringLiteral(" "));
}

}  // namespace

MidiToStyleWizard::MidiToStyleWizard(const PageServices& services, QWidget* parent)
    : ToolPage(services, parent), steps_(App().config, App().language, App().programFolder, [this] {
          return App().profile.Values().deviceClass >= 0;
      }) {
    setObjectName(QStringLiteral("midiToStylePage"));
    setAcceptDrops(true);

    stack_ = new QStackedWidget(this);
    stack_->addWidget(BuildOpenStep());
    channels_ = new WizardChannelsStep(steps_, App().config, App().language, Messages(), stack_);
    stack_->addWidget(channels_);
    oneTouch_ = new WizardOneTouchStep(steps_, App().config, App().language, App().catalog,
                                       Messages(), stack_);
    stack_->addWidget(oneTouch_);
    sendProgress_ = new QProgressBar(this);
    sendProgress_->setObjectName(QStringLiteral("m2sSendProgress"));
    sendProgress_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stack_, 1);
    layout->addWidget(sendProgress_);

    connect(channels_, &WizardChannelsStep::BackClicked, this, [this] {
        steps_.BackToOpen();
        ShowStep();
    });
    connect(channels_, &WizardChannelsStep::NextClicked, this,
            &MidiToStyleWizard::NextFromChannels);
    connect(oneTouch_, &WizardOneTouchStep::BackClicked, this, [this] {
        steps_.BackToChannels();
        ShowStep();
    });
    connect(oneTouch_, &WizardOneTouchStep::FinishClicked, this, &MidiToStyleWizard::Finish);
    listening_ = std::make_unique<ListenerScope>(Devices(), progress_);
    ApplyTexts();
    ShowStep();
}

MidiToStyleWizard::~MidiToStyleWizard() = default;

QWidget* MidiToStyleWizard::BuildOpenStep() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("m2sStep1"));
    step1_ = new QLabel(page);
    open_ = MakeButton("m2sOpen", page);
    open_->setShortcut(QKeySequence::Open);
    path_ = new QLineEdit(page);
    path_->setObjectName(QStringLiteral("m2sPath"));
    path_->setReadOnly(true);
    auto* openRow = new QHBoxLayout;
    openRow->addWidget(open_);
    openRow->addWidget(path_, 1);

    namesGroup_ = new QGroupBox(page);
    longNameLabel_ = new QLabel(namesGroup_);
    longName_ = new QLineEdit(namesGroup_);
    longName_->setObjectName(QStringLiteral("m2sLongName"));
    longName_->setMaxLength(static_cast<int>(StyleInfo::kTextMax) - 1);
    shortNameLabel_ = new QLabel(namesGroup_);
    shortName_ = new QLineEdit(namesGroup_);
    shortName_->setObjectName(QStringLiteral("m2sShortName"));
    longNameLabel_->setBuddy(longName_);
    shortNameLabel_->setBuddy(shortName_);
    auto* names = new QFormLayout(namesGroup_);
    names->addRow(longNameLabel_, longName_);
    names->addRow(shortNameLabel_, shortName_);
    connect(longName_, &QLineEdit::textEdited, this,
            [this](const QString& text) { steps_.longName = text.toStdString(); });
    connect(shortName_, &QLineEdit::textEdited, this,
            [this](const QString& text) { steps_.shortName = text.toStdString(); });

    auto* boxesHost = new QWidget(page);
    auto* boxes = new QGridLayout(boxesHost);
    boxes->setContentsMargins(0, 0, 0, 0);
    for (int b = 0; b < kSectionBoxCount; ++b) {
        auto* box = new QCheckBox(boxesHost);
        box->setObjectName(QStringLiteral("m2sBox%1").arg(b));
        boxes->addWidget(box, b / 4, b % 4);
        connect(box, &QCheckBox::toggled, this,
                [this, b](bool on) { steps_.boxes.set(static_cast<size_t>(b), on); });
        boxes_[static_cast<size_t>(b)] = box;
    }

    analysis_ = new QPlainTextEdit(page);
    analysis_->setObjectName(QStringLiteral("m2sAnalysis"));
    analysis_->setReadOnly(true);
    analysis_->setTabChangesFocus(true);

    back1_ = MakeButton("m2sBack1", page);
    back1_->setEnabled(false);  // the first step has nothing before it
    next1_ = MakeButton("m2sNext1", page);
    connect(open_, &QPushButton::clicked, this, [this] {
        const auto chosen = OpenFileChooser(this, App().config, open_->text())(steps_.OpenChoice());
        if (chosen) {
            (void)OpenMidi(*chosen);
        }
    });
    connect(next1_, &QPushButton::clicked, this, &MidiToStyleWizard::NextFromOpen);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(back1_);
    buttons->addWidget(next1_);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(step1_);
    layout->addLayout(openRow);
    layout->addWidget(namesGroup_);
    layout->addWidget(boxesHost);
    layout->addWidget(analysis_, 1);
    layout->addLayout(buttons);
    return page;
}

void MidiToStyleWizard::ApplyTexts() {
    const LanguageTable& language = App().language;
    step1_->setText(UiText(language, kStep1, "IDS_STEP"));
    open_->setText(UiText(language, kStep1, "IDS_OPEN"));
    path_->setAccessibleName(open_->text());
    namesGroup_->setTitle(UiText(language, kStep1, "IDS_STC_OPTIONAL"));
    longNameLabel_->setText(UiText(language, kStep1, "IDS_FULL_NAME"));
    longName_->setAccessibleName(longNameLabel_->text());
    shortNameLabel_->setText(UiText(language, kStep1, "IDS_SHORT_NAME"));
    shortName_->setAccessibleName(shortNameLabel_->text());
    for (int b = 0; b < kSectionBoxCount; ++b) {
        boxes_[static_cast<size_t>(b)]->setText(
            UiText(language, kStep1, SectionBoxLabelKey(static_cast<SectionBox>(b))));
    }
    analysis_->setAccessibleName(UiText(language, kStep1, "IDS_ANALYSIS"));
    back1_->setText(UiText(language, kStep1, "IDS_BACK"));
    next1_->setText(UiText(language, kStep1, "IDS_NEXT"));
    channels_->ApplyTexts();
    oneTouch_->ApplyTexts();
    ShowOpenStep();
}

void MidiToStyleWizard::PageShown() {
    ShowStep();
}

void MidiToStyleWizard::RefreshForDevice() {
    oneTouch_->Refresh();
}

bool MidiToStyleWizard::OpenMidi(const std::filesystem::path& path) {
    const bool opened = steps_.Open(path, Messages());
    ShowStep();
    return opened;
}

void MidiToStyleWizard::ShowStep() {
    switch (steps_.Current()) {
        case MidiToStyleSteps::Step::Open:
            ShowOpenStep();
            stack_->setCurrentIndex(0);
            break;
        case MidiToStyleSteps::Step::Channels:
            channels_->Refresh();
            stack_->setCurrentIndex(1);
            break;
        case MidiToStyleSteps::Step::OneTouch:
            oneTouch_->Refresh();
            stack_->setCurrentIndex(2);
            break;
    }
}

void MidiToStyleWizard::ShowOpenStep() {
    path_->setText(QString::fromStdString(steps_.PathText()));
    longName_->setText(QString::fromStdString(steps_.longName));
    shortName_->setText(QString::fromStdString(steps_.shortName));
    const SectionBoxes offered = steps_.Offered();
    for (int b = 0; b < kSectionBoxCount; ++b) {
        QCheckBox* box = boxes_[static_cast<size_t>(b)];
        const QSignalBlocker quiet(box);
        box->setEnabled(offered.test(static_cast<size_t>(b)));
        box->setChecked(steps_.boxes.test(static_cast<size_t>(b)));
    }

    // What the analysis found, so a user sees what the style will hold and what was lost.
    const LanguageTable& language = App().language;
    QStringList lines;
    const MidiToStyle& wizard = steps_.Wizard();
    if (wizard.Analysed()) {
        const QString none = UiText(language, kStep1, "IDS_ANALYSIS_NONE");
        for (const int slot : WizardSectionOrder()) {
            const MidiSectionSpan& span = wizard.Section(slot);
            if (!span.found) {
                continue;
            }
            lines << UiText(language, kStep1, "IDS_ANALYSIS_SECTION")
                         .arg(UiText(language, "MidiToStyle2", SectionLabelKey(slot)))
                         .arg(span.bars)
                         .arg(ChannelList(span.channelsInUse, none));
        }
        for (const MidiTrackEarlyEnd& end : wizard.Midi().EarlyEnds()) {
            lines << UiText(language, kStep1, "IDS_ANALYSIS_TRACK_CUT")
                         .arg(end.track + 1)
                         .arg(static_cast<qulonglong>(end.tick));
        }
    }
    analysis_->setPlainText(lines.join(QLatin1Char('\n')));
}

void MidiToStyleWizard::NextFromOpen() {
    if (steps_.NextFromOpen(Messages())) {
        ShowStep();
    }
}

void MidiToStyleWizard::NextFromChannels() {
    QPointer<MidiToStyleWizard> self(this);
    const bool next = steps_.NextFromChannels(Messages(), [this] { return ConnectInstrument(); });
    if (self && next) {
        ShowStep();
    }
}

bool MidiToStyleWizard::ConnectInstrument() {
    if (Devices().Busy()) {
        return false;
    }
    QPointer<MidiToStyleWizard> self(this);
    QPointer<MidiDeviceDialog> dialog =
        new MidiDeviceDialog(Devices().Ports(), App().config, Messages(), App().language, this);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    delete dialog.data();
    if (!self || !accepted) {
        return false;
    }
    const bool connected = Devices().Session().ConnectChosenPorts();
    return self && connected;
}

void MidiToStyleWizard::Finish() {
    QPointer<MidiToStyleWizard> self(this);
    const SaveFlow result = steps_.Finish(
        SaveFileChooser(this, App().config, UiText(App().language, kStep3, "IDS_FINISH")),
        Messages());
    if (self && result == SaveFlow::Written) {
        OfferToSend(steps_.LastWritten());
    }
}

void MidiToStyleWizard::OfferToSend(const std::filesystem::path& style) {
    if (!Devices().Connected() || Devices().Busy()) {
        return;
    }
    const std::string question =
        UiText(App().language, kStep3, "IDS_SEND_STYLE").toStdString() + "\n" + style.string();
    if (Messages().Ask(Icon::Question, UiText(App().language, kStep3, "IDS_FINISH").toStdString(),
                       question, Buttons::YesNo) != Answer::Yes) {
        return;
    }
    QPointer<MidiToStyleWizard> self(this);
    sendProgress_->setRange(0, 100);
    sendProgress_->setValue(0);
    sendProgress_->show();
    // The file goes into the folder listed last, so the style folder is listed first.
    const bool sent =
        Devices().Files().QueryFiles(kUserStyleFolder) && Devices().Files().DownloadFile(style);
    if (self) {
        sendProgress_->hide();
    }
    (void)sent;  // the transfer says itself what went wrong
}

void MidiToStyleWizard::ProgressListener::Progress(uint64_t bytesDone, uint64_t bytesTotal) {
    if (bar_ != nullptr && bytesTotal > 0 && bar_->isVisible()) {
        bar_->setValue(
            static_cast<int>(std::min<uint64_t>(bytesDone, bytesTotal) * 100 / bytesTotal));
    }
}

void MidiToStyleWizard::dragEnterEvent(QDragEnterEvent* event) {
    AcceptFileDrag(*event);
}

void MidiToStyleWizard::dropEvent(QDropEvent* event) {
    if (const auto path = DroppedFile(*event)) {
        event->acceptProposedAction();
        if (steps_.Drop(*path, Messages())) {
            ShowStep();
        }
    }
}

}  // namespace veltrano
