#pragma once

#include <array>
#include <cstdint>

#include "performance/gui/PerformancePage.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace veltrano {

// The Global page: the metronome's time signature, bell and volume, and the fade times of
// the accompaniment, of the current performance.
class GlobalPage : public PerformancePage {
    Q_OBJECT

public:
    explicit GlobalPage(const PerformancePageContext& context, QWidget* parent = nullptr);

    void Show() override;
    void Store() override;
    void ApplyTexts() override;
    [[nodiscard]] bool ShowsField(std::string_view field) const override;

private:
    struct TimeEdit {
        QLabel* label = nullptr;
        QLineEdit* edit = nullptr;
        QLabel* hint = nullptr;
        uint16_t maxTenths = 0;
        int which = 0;  // 0 fade in, 1 fade out, 2 fade-out hold
    };

    void Build();
    void TimeEdited(TimeEdit& time);
    void StoreTime(const TimeEdit& time);
    [[nodiscard]] uint16_t StoredTime(const TimeEdit& time) const;

    QGroupBox* metronomeGroup_ = nullptr;
    QLabel* timeSignLabel_ = nullptr;
    QComboBox* numerator_ = nullptr;
    QComboBox* denominator_ = nullptr;
    QLabel* accentLabel_ = nullptr;
    QCheckBox* bell_ = nullptr;
    QLabel* volumeLabel_ = nullptr;
    QSpinBox* volume_ = nullptr;
    QGroupBox* fadeGroup_ = nullptr;
    QGroupBox* tapGroup_ = nullptr;
    QLabel* tapVolumeLabel_ = nullptr;
    QSpinBox* tapVolume_ = nullptr;
    QLabel* tapNote_ = nullptr;
    std::array<TimeEdit, 3> times_{};
    bool showing_ = false;
};

}  // namespace veltrano
