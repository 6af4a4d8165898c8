#include "ui/ToolPage.h"

#include "app/AppContext.h"
#include "base/Reporter.h"
#include "base/Text.h"

namespace veltrano {

ToolPage::ToolPage(const PageServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {}

bool ToolPage::AskToSaveChanges(const std::string& name, const std::function<bool()>& save) const {
    const AppContext& app = App();
    std::string question = app.language.LookupText("MainPanel", "IDS_SAVE_CHANGES");
    if (const auto at = question.find("%s"); at != std::string::npos) {
        question.replace(at, 2, name);
    }
    switch (Messages().Ask(Icon::Question, app.softwareName, question, Buttons::YesNoCancel)) {
        case Answer::Yes:
            return save();
        case Answer::No:
            return true;
        default:
            return false;
    }
}

}  // namespace veltrano
