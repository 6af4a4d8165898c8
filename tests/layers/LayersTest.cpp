// The folders of src/ form layers: each may include only the folders below it, and the table
// of who may include whom has no loop. A new include that breaks this fails here, naming the
// file and the line.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace veltrano {
namespace {

namespace fs = std::filesystem;

using Layer = std::string;

const std::vector<Layer> kCore = {"base",        "settings", "device", "device/peer", "transfer",
                                  "performance", "style",    "arp",    "app"};

// Who may include whom (besides itself).
std::map<Layer, std::set<Layer>> AllowedTable() {
    std::map<Layer, std::set<Layer>> allowed;
    allowed["base"] = {};
    allowed["settings"] = {"base"};
    allowed["device"] = {"base", "settings"};
    allowed["device/peer"] = {"base", "settings", "device"};
    allowed["transfer"] = {"base", "settings", "device"};
    allowed["performance"] = {"base", "settings", "device"};
    allowed["style"] = {"base", "settings", "device"};
    // The preview engine reaches the MIDI output only through a sink of its own.
    allowed["arp"] = {"base", "settings"};
    allowed["app"] = {"base", "settings", "device", "device/peer", "transfer", "performance",
                      "style", "arp"};
    const std::set<Layer> core(kCore.begin(), kCore.end());
    auto above = [&](std::set<Layer> extra) {
        extra.insert(core.begin(), core.end());
        return extra;
    };
    allowed["ui"] = above({});
    allowed["device/gui"] = above({"ui"});
    allowed["transfer/gui"] = above({"ui", "device/gui"});
    allowed["performance/gui"] = above({"ui", "device/gui", "transfer/gui"});
    allowed["style/gui"] = above({"ui", "device/gui", "transfer/gui"});
    allowed["arp/gui"] = above({"ui", "device/gui", "transfer/gui"});
    allowed["app/gui"] = above({"ui", "device/gui", "transfer/gui", "performance/gui",
                                "style/gui", "arp/gui"});
    allowed["cli"] = above({});
    allowed["sim"] = above({"cli"});
    return allowed;
}

// The layer of a path under src/: the longest folder prefix the table knows.
Layer LayerOf(const std::string& relative, const std::map<Layer, std::set<Layer>>& table) {
    Layer best;
    for (const auto& [layer, allowed] : table) {
        if (relative.rfind(layer + "/", 0) == 0 && layer.size() > best.size()) {
            best = layer;
        }
    }
    return best;
}

bool MayUseQt(const Layer& layer) {
    return layer == "ui" || (layer.size() > 4 && layer.compare(layer.size() - 4, 4, "/gui") == 0);
}

struct Include {
    std::string file;
    int line = 0;
    std::string target;
    bool angled = false;
};

std::vector<Include> ReadIncludes(const fs::path& src) {
    static const std::regex pattern(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<Include> includes;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) {
            continue;
        }
        std::ifstream in(entry.path());
        std::string text;
        int number = 0;
        while (std::getline(in, text)) {
            ++number;
            std::smatch match;
            if (std::regex_search(text, match, pattern)) {
                includes.push_back({fs::relative(entry.path(), src).generic_string(), number,
                                    match[2].str(), match[1].str() == "<"});
            }
        }
    }
    return includes;
}

TEST(Layers, TheTableHasNoLoop) {
    const auto table = AllowedTable();
    std::map<Layer, int> state;  // 0 unseen, 1 on the path, 2 done
    std::vector<Layer> path;
    std::function<void(const Layer&)> visit = [&](const Layer& layer) {
        state[layer] = 1;
        path.push_back(layer);
        for (const Layer& next : table.at(layer)) {
            ASSERT_TRUE(table.count(next)) << layer << " names an unknown layer " << next;
            if (state[next] == 1) {
                std::string loop;
                for (const Layer& step : path) {
                    loop += step + " -> ";
                }
                FAIL() << "loop: " << loop << next;
            }
            if (state[next] == 0) {
                visit(next);
            }
        }
        path.pop_back();
        state[layer] = 2;
    };
    for (const auto& [layer, allowed] : table) {
        if (state[layer] == 0) {
            visit(layer);
        }
    }
}

TEST(Layers, EveryIncludeFollowsTheTable) {
    const fs::path src = fs::path(VELTRANO_SOURCE_DIR) / "src";
    const auto table = AllowedTable();
    const auto includes = ReadIncludes(src);
    ASSERT_GT(includes.size(), 100u);
    std::set<Layer> layersSeen;
    for (const Include& include : includes) {
        const Layer from = LayerOf(include.file, table);
        ASSERT_FALSE(from.empty()) << include.file << " lies in no known layer";
        layersSeen.insert(from);
        if (include.angled) {
            // Qt's headers are all named Q…; only the window layers use them.
            if (!MayUseQt(from)) {
                EXPECT_FALSE(include.target.size() > 1 && include.target[0] == 'Q' &&
                             std::isupper(static_cast<unsigned char>(include.target[1])))
                    << include.file << ":" << include.line << " includes Qt (<"
                    << include.target << ">)";
            }
            continue;
        }
        const Layer to = LayerOf(include.target, table);
        EXPECT_FALSE(to.empty()) << include.file << ":" << include.line << " includes \""
                                 << include.target << "\", which lies in no known layer";
        if (to.empty() || to == from) {
            continue;
        }
        EXPECT_TRUE(table.at(from).count(to))
            << include.file << ":" << include.line << " (" << from << ") includes \""
            << include.target << "\" (" << to << ")";
    }
    // The scan found the layers it is meant to check.
    for (const char* layer : {"base", "settings", "device", "app", "ui", "app/gui", "cli"}) {
        EXPECT_TRUE(layersSeen.count(layer)) << layer;
    }
}

}  // namespace
}  // namespace veltrano
