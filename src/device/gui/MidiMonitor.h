#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QSortFilterProxyModel>
#include <QString>
#include <chrono>

#include "device/MidiMonitorRows.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace veltrano {

class AppConfig;
class LanguageTable;
class MidiTrafficLog;
class Reporter;

// The monitor's rows as a table: time, direction, command, fields, checksum, raw bytes.
class MonitorTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kTime, kDirection, kCommand, kFields, kChecksum, kRaw, kColumnCount };

    MonitorTableModel(const LanguageTable& language, QObject* parent);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    void Append(std::vector<TrafficEntry> entries);
    void Clear();
    void TextsChanged();
    [[nodiscard]] const MidiMonitorRows& Rows() const { return rows_; }
    [[nodiscard]] const MonitorTexts& Texts() const { return texts_; }

private:
    const LanguageTable& language_;
    MonitorTexts texts_;
    MidiMonitorRows rows_;
};

// Hides the short messages when asked.
class MonitorFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit MonitorFilter(QObject* parent) : QSortFilterProxyModel(parent) {}
    void SetHideShort(bool hide);
    [[nodiscard]] bool HideShort() const { return hideShort_; }

protected:
    [[nodiscard]] bool filterAcceptsRow(int sourceRow, const QModelIndex& parent) const override;

private:
    bool hideShort_ = false;
};

// The MIDI monitor: every message the ports send and receive, newest last. The traffic log
// records only while this window is shown and not paused; the window takes what was recorded
// in batches on a timer, so a long transfer does not wait for the table.
class MidiMonitor : public QDialog {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kBatchInterval{100};

    MidiMonitor(MidiTrafficLog& log, const LanguageTable& language, AppConfig& config,
                Reporter& reporter, QWidget* parent = nullptr);
    ~MidiMonitor() override;

    void ApplyTexts();
    // Takes what the log recorded since the last batch (the timer calls it).
    void TakeBatch();
    void SetPaused(bool paused);
    [[nodiscard]] bool Paused() const { return paused_; }
    void Clear();
    // The selected rows, or every shown row when none is selected, to the clipboard.
    void Copy();
    // Asks for a file and writes every shown row to it; true when written.
    bool Save();
    // The shown rows (selected only, when asked and some are), one line each, with a title
    // line first.
    [[nodiscard]] QString ShownText(bool selectedOnly) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The columns as wide as their usual contents and their titles.
    void FitColumns();
    void UpdateRecording();
    void ShowRawColumn(bool shown);
    [[nodiscard]] QString T(const char* key) const;

    MidiTrafficLog& log_;
    const LanguageTable& language_;
    AppConfig& config_;
    Reporter& reporter_;
    MonitorTableModel* model_ = nullptr;
    MonitorFilter* filter_ = nullptr;
    QTableView* table_ = nullptr;
    QCheckBox* rawSwitch_ = nullptr;
    QCheckBox* hideShortSwitch_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QTimer* batchTimer_ = nullptr;
    bool paused_ = false;
};

}  // namespace veltrano
