#include "ui/QtReporter.h"

#include <QMessageBox>
#include <QString>

namespace veltrano {

namespace {

QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Information:
            break;
    }
    return QMessageBox::Information;
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void QtReporter::Show(Icon icon, std::string_view caption, std::string_view text) {
    QMessageBox box(ToQt(icon), Text(caption), Text(text), QMessageBox::Ok, parent_.data());
    box.exec();
}

Answer QtReporter::Ask(Icon icon, std::string_view caption, std::string_view text,
                       Buttons buttons) {
    if (buttons == Buttons::Ok) {
        Show(icon, caption, text);
        return Answer::Ok;
    }
    const bool cancel = buttons == Buttons::YesNoCancel;
    QMessageBox box(ToQt(icon), Text(caption), Text(text),
                    cancel ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                           : QMessageBox::Yes | QMessageBox::No,
                    parent_.data());
    box.setObjectName(QStringLiteral("question"));
    // Where Cancel is offered it is the safe default: nothing changes.
    box.setDefaultButton(cancel ? QMessageBox::Cancel : QMessageBox::No);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return cancel ? Answer::Cancel : Answer::No;
    }
}

}  // namespace veltrano
