#pragma once

#include <array>
#include <filesystem>
#include <memory>

#include "app/DeviceService.h"
#include "style/MidiToStyleSteps.h"
#include "ui/ToolPage.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace veltrano {

class WizardChannelsStep;
class WizardOneTouchStep;

// The MIDI-to-style page: three steps on one page. Step 1 opens and analyses a MIDI file (with
// Open or dropped from the desktop) and chooses its sections, step 2 sets the channels of each
// section, step 3 the one-touch settings, and Finish writes the style, which can then go to the
// instrument. The steps' rules are MidiToStyleSteps'.
class MidiToStyleWizard : public ToolPage {
    Q_OBJECT

public:
    explicit MidiToStyleWizard(const PageServices& services, QWidget* parent = nullptr);
    ~MidiToStyleWizard() override;

    void ApplyTexts() override;
    void RefreshForDevice() override;
    void DeviceSwitched() override { RefreshForDevice(); }
    void PageShown() override;

    // Opens a MIDI file as the Open button does once its dialog has chosen it.
    bool OpenMidi(const std::filesystem::path& path);
    [[nodiscard]] MidiToStyleSteps& Steps() { return steps_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* BuildOpenStep();
    void ShowStep();
    void ShowOpenStep();
    void NextFromOpen();
    void NextFromChannels();
    void Finish();
    // The device dialog, then the connection; true when connected. Like the offer to send, it
    // does nothing while another exchange runs; the rest of the page works on files only.
    bool ConnectInstrument();
    // Offers to send the style just written to the instrument's style folder.
    void OfferToSend(const std::filesystem::path& style);
    // A transfer's progress, heard from the device service.
    class ProgressListener : public DeviceListener {
    public:
        explicit ProgressListener(QProgressBar*& bar) : bar_(bar) {}
        void Progress(uint64_t bytesDone, uint64_t bytesTotal) override;

    private:
        QProgressBar*& bar_;
    };

    MidiToStyleSteps steps_;
    QStackedWidget* stack_ = nullptr;
    // Step 1.
    QLabel* step1_ = nullptr;
    QPushButton* open_ = nullptr;
    QLineEdit* path_ = nullptr;
    QGroupBox* namesGroup_ = nullptr;
    QLabel* longNameLabel_ = nullptr;
    QLineEdit* longName_ = nullptr;
    QLabel* shortNameLabel_ = nullptr;
    QLineEdit* shortName_ = nullptr;
    std::array<QCheckBox*, kSectionBoxCount> boxes_{};
    QPlainTextEdit* analysis_ = nullptr;
    QPushButton* back1_ = nullptr;
    QPushButton* next1_ = nullptr;
    // Steps 2 and 3.
    WizardChannelsStep* channels_ = nullptr;
    WizardOneTouchStep* oneTouch_ = nullptr;
    QProgressBar* sendProgress_ = nullptr;
    ProgressListener progress_{sendProgress_};
    std::unique_ptr<ListenerScope> listening_;
};

}  // namespace veltrano
