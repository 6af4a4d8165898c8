#include "base/Reporter.h"

namespace veltrano {

void RecordingReporter::Show(Icon icon, std::string_view caption, std::string_view text) {
    messages_.push_back({icon, std::string(caption), std::string(text), false});
}

Answer RecordingReporter::Ask(Icon icon, std::string_view caption, std::string_view text, Buttons) {
    messages_.push_back({icon, std::string(caption), std::string(text), true});
    if (answers_.empty()) {
        return defaultAnswer_;
    }
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void RecordingReporter::ScriptAnswers(std::initializer_list<Answer> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::vector<std::string> RecordingReporter::Texts() const {
    std::vector<std::string> texts;
    for (const Message& m : messages_) {
        texts.push_back(m.text);
    }
    return texts;
}

}  // namespace veltrano
