// The bundled user guide: both languages carry the same sections, and every picture they show
// is shipped beside them.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "base/FileIo.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

std::string Guide(const char* name) {
    const auto text = ReadFileBytes(test::SourceResources() / "Help" / name);
    EXPECT_TRUE(text.has_value()) << name;
    return text.value_or(std::string());
}

std::vector<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        found.push_back((*it)[1].str());
    }
    return found;
}

TEST(UserGuide, BothLanguagesHaveTheSameSectionsAndEveryPictureExists) {
    const std::string english = Guide("Help_En.html");
    const std::string chinese = Guide("Help_Ch.html");
    const std::regex heading(R"(<h2 id="([^"]+)\")");
    EXPECT_EQ(Matches(english, heading), Matches(chinese, heading));
    EXPECT_GE(Matches(english, heading).size(), 10u);

    const std::regex picture(R"(<img src="([^"]+)\")");
    for (const std::string* guide : {&english, &chinese}) {
        const std::vector<std::string> pictures = Matches(*guide, picture);
        // A picture of each of the five pages at least.
        EXPECT_GE(std::set<std::string>(pictures.begin(), pictures.end()).size(), 5u);
        for (const std::string& src : pictures) {
            EXPECT_EQ(src.find(".."), std::string::npos) << src;
            EXPECT_TRUE(fs::is_regular_file(test::SourceResources() / "Help" / src)) << src;
        }
    }
}

}  // namespace
}  // namespace veltrano
