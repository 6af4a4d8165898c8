#include "performance/gui/CompareDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "performance/PerformanceCompare.h"
#include "performance/PerformanceDocument.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "EditPerformance";
// Entries of the list past the performances: the saved file.
constexpr int kSavedFile = -1;

}  // namespace

CompareDialog::CompareDialog(const AppContext& app, const PerformanceDocument& document,
                             QWidget* parent)
    : QDialog(parent), app_(app), document_(document) {
    setObjectName(QStringLiteral("compareDialog"));
    const LanguageTable& lang = app.language;
    setWindowTitle(UiText(lang, kSection, "IDS_COMPARE"));
    auto* label = new QLabel(UiText(lang, kSection, "IDS_COMPARE_WITH"), this);
    other_ = new QComboBox(this);
    other_->setObjectName(QStringLiteral("compareWith"));
    other_->setAccessibleName(label->text());
    label->setBuddy(other_);
    for (int i = 0; i < kPerformanceCount; ++i) {
        if (i != document.CurrentIndex()) {
            other_->addItem(UiText(lang, kSection, "IDS_PERFORMANCE_ITEM")
                                .replace(QStringLiteral("%d"), QString::number(i + 1)),
                            i);
        }
    }
    if (!document.FilePath().empty()) {
        other_->addItem(UiText(lang, kSection, "IDS_COMPARE_FILE"), kSavedFile);
    }
    table_ = new QTableWidget(0, 3, this);
    table_->setObjectName(QStringLiteral("compareTable"));
    table_->setAccessibleName(windowTitle());
    table_->setHorizontalHeaderLabels({UiText(lang, kSection, "IDS_COMPARE_FIELD"),
                                       UiText(lang, kSection, "IDS_COMPARE_SHOWN"),
                                       UiText(lang, kSection, "IDS_COMPARE_OTHER")});
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("compareSummary"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)
        ->setText(UiText(app.language, "MainPanel", "IDS_DLG_OK"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(other_, &QComboBox::currentIndexChanged, this, &CompareDialog::CompareWith);

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(other_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addWidget(summary_);
    layout->addWidget(buttons);
    resize(560, 420);
    CompareWith(0);
}

void CompareDialog::CompareWith(int entry) {
    table_->setRowCount(0);
    if (entry < 0 || entry >= other_->count()) {
        return;
    }
    const int other = other_->itemData(entry).toInt();
    const Performance& shown = document_.Current();
    std::vector<FieldDifference> differences;
    if (other == kSavedFile) {
        const auto saved = document_.ReadQuietly(document_.FilePath());
        if (!saved) {
            summary_->setText(UiText(app_.language, kSection, "IDS_COMPARE_NOFILE"));
            return;
        }
        differences = ComparePerformances(shown, saved->At(document_.CurrentIndex()));
    } else {
        differences = ComparePerformances(shown, document_.Bank().At(other));
    }
    table_->setRowCount(static_cast<int>(differences.size()));
    for (size_t row = 0; row < differences.size(); ++row) {
        const FieldDifference& d = differences[row];
        const int r = static_cast<int>(row);
        table_->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(d.field)));
        table_->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(d.left)));
        table_->setItem(r, 2, new QTableWidgetItem(QString::fromStdString(d.right)));
    }
    summary_->setText(differences.empty() ? UiText(app_.language, kSection, "IDS_COMPARE_SAME")
                                          : QString::number(differences.size()));
}

int CompareDialog::DifferenceCount() const {
    return table_->rowCount();
}

}  // namespace veltrano
