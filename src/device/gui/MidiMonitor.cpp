#include "device/gui/MidiMonitor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <set>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "device/MidiTrafficLog.h"
#include "settings/AppConfig.h"
#include "settings/LanguageTable.h"
#include "ui/FileDialogs.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "MidiMonitor";
constexpr const char* kColumnKeys[] = {"IDS_COL_TIME",   "IDS_COL_DIRECTION", "IDS_COL_COMMAND",
                                       "IDS_COL_FIELDS", "IDS_COL_CHECKSUM",  "IDS_COL_RAW"};
constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 480;

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

// ---- the table ----

MonitorTableModel::MonitorTableModel(const LanguageTable& language, QObject* parent)
    : QAbstractTableModel(parent), language_(language), texts_(language) {}

int MonitorTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.Rows().size());
}

int MonitorTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant MonitorTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 ||
        static_cast<size_t>(index.row()) >= rows_.Rows().size()) {
        return {};
    }
    const MonitorRow& row = rows_.Rows()[static_cast<size_t>(index.row())];
    if (role == Qt::UserRole) {
        return row.IsShort();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
        case kTime:
            return FromStd(row.time);
        case kDirection:
            return FromStd(texts_.Direction(row.direction));
        case kCommand:
            return FromStd(texts_.Command(row.message));
        case kFields:
            return FromStd(texts_.Fields(row.message));
        case kChecksum:
            return FromStd(texts_.Checksum(row.message));
        case kRaw:
            // Made only for the rows on screen: a long transfer's frames are thousands of bytes.
            return FromStd(HexBytes(row.bytes));
        default:
            return {};
    }
}

QVariant MonitorTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return UiText(language_, kSection, kColumnKeys[section]);
}

void MonitorTableModel::Append(std::vector<TrafficEntry> entries) {
    if (entries.empty()) {
        return;
    }
    // A reset per batch would lose the selection and the scroll position: the oldest rows are
    // removed and the new ones inserted instead.
    const size_t limit = rows_.Limit();
    const size_t before = rows_.Rows().size();
    const size_t added = std::min(entries.size(), limit);
    const size_t removed = before + added > limit ? before + added - limit : 0;
    if (removed > 0) {
        beginRemoveRows({}, 0, static_cast<int>(removed) - 1);
        rows_.DropOldest(removed);
        endRemoveRows();
    }
    const int first = static_cast<int>(rows_.Rows().size());
    beginInsertRows({}, first, first + static_cast<int>(added) - 1);
    (void)rows_.Append(std::move(entries));
    endInsertRows();
}

void MonitorTableModel::Clear() {
    beginResetModel();
    rows_.Clear();
    endResetModel();
}

void MonitorTableModel::TextsChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
    if (!rows_.Rows().empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
    }
}

void MonitorFilter::SetHideShort(bool hide) {
    if (hide == hideShort_) {
        return;
    }
    hideShort_ = hide;
    invalidateRowsFilter();
}

bool MonitorFilter::filterAcceptsRow(int sourceRow, const QModelIndex& parent) const {
    if (!hideShort_) {
        return true;
    }
    return !sourceModel()->index(sourceRow, 0, parent).data(Qt::UserRole).toBool();
}

// ---- the window ----

MidiMonitor::MidiMonitor(MidiTrafficLog& log, const LanguageTable& language, AppConfig& config,
                         Reporter& reporter, QWidget* parent)
    : QDialog(parent), log_(log), language_(language), config_(config), reporter_(reporter) {
    setObjectName(QStringLiteral("midiMonitor"));
    setModal(false);

    model_ = new MonitorTableModel(language_, this);
    filter_ = new MonitorFilter(this);
    filter_->setSourceModel(model_);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("monitorTable"));
    table_->setModel(filter_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setTabKeyNavigation(false);  // Tab leaves the table for the buttons
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    auto* copyAction = new QAction(table_);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetShortcut);
    connect(copyAction, &QAction::triggered, this, &MidiMonitor::Copy);
    table_->addAction(copyAction);

    auto makeSwitch = [this](const char* name) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    rawSwitch_ = makeSwitch("monitorRawSwitch");
    hideShortSwitch_ = makeSwitch("monitorHideShortSwitch");
    connect(rawSwitch_, &QCheckBox::toggled, this, &MidiMonitor::ShowRawColumn);
    connect(hideShortSwitch_, &QCheckBox::toggled, filter_, &MonitorFilter::SetHideShort);

    auto makeButton = [this](const char* name) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    pauseButton_ = makeButton("monitorPause");
    pauseButton_->setCheckable(true);
    clearButton_ = makeButton("monitorClear");
    copyButton_ = makeButton("monitorCopy");
    saveButton_ = makeButton("monitorSave");
    closeButton_ = makeButton("monitorClose");
    connect(pauseButton_, &QPushButton::toggled, this, &MidiMonitor::SetPaused);
    connect(clearButton_, &QPushButton::clicked, this, &MidiMonitor::Clear);
    connect(copyButton_, &QPushButton::clicked, this, &MidiMonitor::Copy);
    connect(saveButton_, &QPushButton::clicked, this, [this] { (void)Save(); });
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);

    countLabel_ = new QLabel(this);
    countLabel_->setObjectName(QStringLiteral("monitorCount"));

    auto* switches = new QHBoxLayout;
    switches->addWidget(rawSwitch_);
    switches->addWidget(hideShortSwitch_);
    switches->addStretch(1);
    switches->addWidget(countLabel_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pauseButton_);
    buttons->addWidget(clearButton_);
    buttons->addWidget(copyButton_);
    buttons->addWidget(saveButton_);
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(switches);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);

    setTabOrder(rawSwitch_, hideShortSwitch_);
    setTabOrder(hideShortSwitch_, table_);
    setTabOrder(table_, pauseButton_);
    setTabOrder(pauseButton_, clearButton_);
    setTabOrder(clearButton_, copyButton_);
    setTabOrder(copyButton_, saveButton_);
    setTabOrder(saveButton_, closeButton_);

    batchTimer_ = new QTimer(this);
    batchTimer_->setInterval(static_cast<int>(kBatchInterval.count()));
    connect(batchTimer_, &QTimer::timeout, this, &MidiMonitor::TakeBatch);

    ShowRawColumn(false);
    ApplyTexts();
    resize(kDefaultWidth, kDefaultHeight);
}

MidiMonitor::~MidiMonitor() {
    log_.SetRecording(false);
}

QString MidiMonitor::T(const char* key) const {
    return UiText(language_, kSection, key);
}

void MidiMonitor::ApplyTexts() {
    setWindowTitle(T("IDS_TITLE"));
    auto name = [this](QWidget* widget, const char* key) {
        const QString text = T(key);
        widget->setAccessibleName(text);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(text);
        }
    };
    name(rawSwitch_, "IDS_RAW_BYTES");
    name(hideShortSwitch_, "IDS_HIDE_SHORT");
    name(pauseButton_, paused_ ? "IDS_RESUME" : "IDS_PAUSE");
    name(clearButton_, "IDS_CLEAR");
    name(copyButton_, "IDS_COPY");
    name(saveButton_, "IDS_SAVE");
    name(closeButton_, "IDS_CLOSE");
    table_->setAccessibleName(T("IDS_TITLE"));
    countLabel_->setAccessibleName(T("IDS_COUNT_NAME"));
    model_->TextsChanged();
    FitColumns();
    TakeBatch();  // refreshes the count
}

void MidiMonitor::FitColumns() {
    // Room for the usual contents, and never less than the column's title in this language.
    const int charWidth = table_->fontMetrics().averageCharWidth();
    const QHeaderView* header = table_->horizontalHeader();
    const std::pair<int, int> widths[] = {{MonitorTableModel::kTime, 14},
                                          {MonitorTableModel::kDirection, 5},
                                          {MonitorTableModel::kCommand, 22},
                                          {MonitorTableModel::kFields, 48},
                                          {MonitorTableModel::kChecksum, 6}};
    for (const auto& [column, chars] : widths) {
        table_->setColumnWidth(column,
                               std::max(charWidth * chars, header->sectionSizeHint(column)));
    }
}

void MidiMonitor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateRecording();
}

void MidiMonitor::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    UpdateRecording();
}

// Recording costs the ports a copy of every message: only while someone looks.
void MidiMonitor::UpdateRecording() {
    const bool on = isVisible() && !paused_;
    log_.SetRecording(on);
    if (on) {
        batchTimer_->start();
    } else {
        batchTimer_->stop();
    }
}

void MidiMonitor::TakeBatch() {
    std::vector<TrafficEntry> entries = log_.Take();
    if (!entries.empty()) {
        QScrollBar* bar = table_->verticalScrollBar();
        const bool atEnd = bar->value() == bar->maximum();
        model_->Append(std::move(entries));
        if (atEnd) {
            table_->scrollToBottom();
        }
    }
    QString count = T("IDS_COUNT");
    count.replace(QStringLiteral("%d"), QString::number(filter_->rowCount()));
    if (const uint64_t dropped = log_.Dropped(); dropped > 0) {
        QString lost = T("IDS_DROPPED");
        lost.replace(QStringLiteral("%d"), QString::number(dropped));
        count += QStringLiteral("  ") + lost;
    }
    countLabel_->setText(count);
}

void MidiMonitor::SetPaused(bool paused) {
    if (paused == paused_) {
        return;
    }
    if (paused) {
        TakeBatch();  // what came before the pause is still shown
    }
    paused_ = paused;
    {
        const QSignalBlocker blocker(pauseButton_);
        pauseButton_->setChecked(paused);
    }
    const QString text = T(paused ? "IDS_RESUME" : "IDS_PAUSE");
    pauseButton_->setText(text);
    pauseButton_->setAccessibleName(text);
    UpdateRecording();
}

void MidiMonitor::Clear() {
    (void)log_.Take();
    model_->Clear();
    TakeBatch();
}

void MidiMonitor::ShowRawColumn(bool shown) {
    table_->setColumnHidden(MonitorTableModel::kRaw, !shown);
}

QString MidiMonitor::ShownText(bool selectedOnly) const {
    std::set<int> rows;
    if (selectedOnly && table_->selectionModel() != nullptr) {
        for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
            rows.insert(index.row());
        }
    }
    if (rows.empty()) {
        for (int row = 0; row < filter_->rowCount(); ++row) {
            rows.insert(row);
        }
    }
    const bool withRaw = rawSwitch_->isChecked();
    const MonitorTexts& texts = model_->Texts();
    std::string text = texts.HeaderLine(withRaw) + '\n';
    for (const int row : rows) {
        const QModelIndex source = filter_->mapToSource(filter_->index(row, 0));
        if (!source.isValid()) {
            continue;
        }
        text += texts.Line(model_->Rows().Rows()[static_cast<size_t>(source.row())], withRaw);
        text += '\n';
    }
    return QString::fromStdString(text);
}

void MidiMonitor::Copy() {
    TakeBatch();
    QApplication::clipboard()->setText(ShownText(true));
}

bool MidiMonitor::Save() {
    TakeBatch();
    const std::string filter = language_.LookupText(kSection, "IDS_SAVE_FILTER");
    const QString chosen = ChooseFileToSave(
        this, config_,
        {T("IDS_SAVE"), filter, dialog_folder::kSaveMidiLog, QStringLiteral("midi-monitor.txt")});
    if (chosen.isEmpty()) {
        return false;
    }
    QString withSuffix = chosen;
    if (QFileInfo(chosen).suffix().isEmpty()) {
        withSuffix += QStringLiteral(".txt");
    }
    const std::filesystem::path path = withSuffix.toStdString();
    const std::string caption = T("IDS_TITLE").toStdString();
    std::error_code error;
    if (std::filesystem::exists(path, error) &&
        reporter_.Ask(Icon::Question, caption, language_.LookupText(kSection, "IDS_SAVE_EXISTS"),
                      Buttons::YesNo) != Answer::Yes) {
        return false;
    }
    if (!WriteFileAtomic(path, ShownText(false).toStdString())) {
        reporter_.Show(Icon::Error, caption,
                       language_.LookupText(kSection, "IDS_SAVE_FAILED") + "\n" + path.string());
        return false;
    }
    (void)config_.SetDialogFolder(dialog_folder::kSaveMidiLog, path.parent_path().string());
    return true;
}

}  // namespace veltrano
