#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano {

// The icon of a message: failures, link problems and stopped transfers, refusals and empty
// selections, and questions.
enum class Icon { Error, Warning, Information, Question };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

// Every message box and question of the core goes through here: the window program shows a
// dialog, the command line prints and answers from its options, tests record.
class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void Show(Icon icon, std::string_view caption, std::string_view text) = 0;
    virtual Answer Ask(Icon icon, std::string_view caption, std::string_view text,
                       Buttons buttons) = 0;
};

// Keeps every message and hands out scripted answers (the default answer when the script has
// run out).
class RecordingReporter : public Reporter {
public:
    struct Message {
        Icon icon;
        std::string caption;
        std::string text;
        bool question = false;
        bool operator==(const Message&) const = default;
    };

    void Show(Icon icon, std::string_view caption, std::string_view text) override;
    Answer Ask(Icon icon, std::string_view caption, std::string_view text,
               Buttons buttons) override;

    void ScriptAnswers(std::initializer_list<Answer> answers);
    void SetDefaultAnswer(Answer answer) { defaultAnswer_ = answer; }

    [[nodiscard]] const std::vector<Message>& Messages() const { return messages_; }
    [[nodiscard]] bool Empty() const { return messages_.empty(); }
    // The texts shown, in order, for compact assertions.
    [[nodiscard]] std::vector<std::string> Texts() const;
    void Clear() { messages_.clear(); }

private:
    std::vector<Message> messages_;
    std::deque<Answer> answers_;
    Answer defaultAnswer_ = Answer::No;
};

// Says nothing and answers No: for silent operations and tools without a user.
class SilentReporter : public Reporter {
public:
    void Show(Icon, std::string_view, std::string_view) override {}
    Answer Ask(Icon, std::string_view, std::string_view, Buttons) override { return Answer::No; }
};

}  // namespace veltrano
