#pragma once

#include <QWidget>

class QLabel;

namespace veltrano {

class LanguageTable;

// A tool page that is not built yet: it shows only its title (the text of its View menu item),
// so the panel can be switched between all five pages from the start.
class PagePlaceholder : public QWidget {
    Q_OBJECT

public:
    PagePlaceholder(const LanguageTable& language, const char* titleKey, QWidget* parent = nullptr);

    void ApplyTexts();
    [[nodiscard]] QString Title() const;

private:
    const LanguageTable& language_;
    const char* titleKey_;
    QLabel* title_ = nullptr;
};

}  // namespace veltrano
