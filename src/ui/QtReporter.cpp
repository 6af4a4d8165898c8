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
    QMessageBox box(ToQt(icon), Text(caption), Text(text), QMessageBox::Yes | QMessageBox::No,
                    parent_.data());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

}  // namespace veltrano
