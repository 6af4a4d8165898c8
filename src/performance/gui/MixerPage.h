#pragma once

#include <functional>
#include <string>
#include <vector>

#include "performance/PerformanceModel.h"
#include "performance/gui/PerformancePage.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace veltrano {

// The Mixer page: the part levels of the Keyboard section and the style and song levels of
// the Style&Song section on three tabs, each as a slider with its number field.
class MixerPage : public PerformancePage {
    Q_OBJECT

public:
    enum Tab { kMasterTab, kStyleTab, kSongTab };

    explicit MixerPage(const PerformancePageContext& context, QWidget* parent = nullptr);

    void Show() override;
    void ApplyTexts() override;
    [[nodiscard]] bool ShowsField(std::string_view field) const override;
    void RevealField(std::string_view field) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Getter = std::function<int(const Performance&)>;
    using Setter = std::function<void(Performance&, int)>;
    // One level: its caption (the language key or a fixed text), slider and number field.
    struct Strip {
        const char* key = nullptr;
        QString fixedName;
        const char* what = nullptr;  // the key of what the level is: volume or pan
        QLabel* name = nullptr;
        QSlider* slider = nullptr;
        QSpinBox* value = nullptr;
        std::string field;
        Getter get;
        Setter set;
    };
    struct Box {
        QCheckBox* box = nullptr;
        size_t strip = 0;  // the strip it stands under
        int row = 0;
        std::string field;
        std::function<bool(const Performance&)> get;
        std::function<void(Performance&, bool)> set;
    };

    void Build();
    QWidget* NewTab(int tab);
    void AddStrip(QWidget* tab, QGridLayout* grid, int column, Strip strip, int low, int high);
    void AddBoxes(QWidget* tab, QGridLayout* grid, int column, const std::string& field,
                  bool songChannel, int index);
    // The slider's run and the number field's are steps of their own.
    void StoreLevel(const Strip& strip, int value, bool bySlider);
    [[nodiscard]] QString StripName(const Strip& strip) const;

    QTabWidget* tabs_ = nullptr;
    std::vector<Strip> strips_;
    std::vector<Box> boxes_;
    bool showing_ = false;
};

}  // namespace veltrano
