#pragma once

#include <QString>

#include "settings/LanguageTable.h"

namespace veltrano {

// A user-interface text of the active language, as a Qt string.
[[nodiscard]] inline QString UiText(const LanguageTable& language, const char* section,
                                    const char* key) {
    return QString::fromStdString(language.LookupText(section, key));
}

}  // namespace veltrano
