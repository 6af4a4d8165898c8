#include "device/PortNames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>

namespace veltrano {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

// "128:0": the sequencer address ALSA appends to every port name.
bool IsAddress(std::string_view text) {
    const size_t colon = text.find(':');
    return colon != std::string_view::npos && AllDigits(text.substr(0, colon)) &&
           AllDigits(text.substr(colon + 1));
}

// The other forms a user may type for one port name.
std::vector<std::string_view> ShortForms(std::string_view name) {
    std::vector<std::string_view> forms;
    std::string_view base = name;
    const size_t space = name.rfind(' ');
    if (space != std::string_view::npos && IsAddress(name.substr(space + 1))) {
        base = name.substr(0, space);
        forms.push_back(base);
        forms.push_back(name.substr(space + 1));
    }
    const size_t colon = base.find(':');
    if (colon != std::string_view::npos && colon > 0 && colon + 1 < base.size()) {
        forms.push_back(base.substr(colon + 1));
    }
    return forms;
}

int Unique(const std::vector<std::string>& names,
           const std::function<bool(std::string_view)>& matches, bool& ambiguous) {
    int found = -1;
    for (size_t i = 0; i < names.size(); ++i) {
        if (matches(names[i])) {
            if (found >= 0) {
                ambiguous = true;
                return -1;
            }
            found = static_cast<int>(i);
        }
    }
    return found;
}

}  // namespace

int FindPort(const std::vector<std::string>& names, std::string_view query) {
    if (query.empty()) {
        return -1;
    }
    if (AllDigits(query)) {
        size_t index = 0;
        const auto [end, error] = std::from_chars(query.data(), query.data() + query.size(), index);
        if (error != std::errc() || end != query.data() + query.size() || index >= names.size()) {
            return -1;
        }
        return static_cast<int>(index);
    }
    bool ambiguous = false;
    const int exact = Unique(
        names, [query](std::string_view name) { return name == query; }, ambiguous);
    if (exact >= 0 || ambiguous) {
        return exact;
    }
    return Unique(
        names,
        [query](std::string_view name) {
            const std::vector<std::string_view> forms = ShortForms(name);
            return std::find(forms.begin(), forms.end(), query) != forms.end();
        },
        ambiguous);
}

}  // namespace veltrano
