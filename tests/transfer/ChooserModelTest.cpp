#include <gtest/gtest.h>

#include <string>

#include "transfer/ChooserModel.h"

namespace veltrano {
namespace {

// Three groups, the middle one without a name: its entries still count towards the index of
// the groups after it, but the drop-down does not offer it.
CatalogueChoice ThreeGroups() {
    return CatalogueChoice({{"Pop", {"a", "b", "c"}}, {"", {"x", "y"}}, {"Rock&Roll", {"d", "e"}}});
}

TEST(CatalogueChoice, IndexCountsEveryEarlierGroupAndListsOnlyNamedOnes) {
    const CatalogueChoice catalogue = ThreeGroups();
    ASSERT_EQ(catalogue.ListedGroups().size(), 2u);
    EXPECT_EQ(catalogue.Groups()[catalogue.ListedGroups()[1]].name, "Rock&Roll");

    EXPECT_EQ(catalogue.IndexOf(0, 0), 0);
    EXPECT_EQ(catalogue.IndexOf(0, 2), 2);
    EXPECT_EQ(catalogue.IndexOf(1, 0), 5);  // after three of Pop and two unnamed
    EXPECT_EQ(catalogue.IndexOf(1, 1), 6);
    EXPECT_EQ(catalogue.IndexOf(1, 2), std::nullopt);
    EXPECT_EQ(catalogue.IndexOf(2, 0), std::nullopt);

    const auto found = catalogue.Find(6);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->listed, 1u);
    EXPECT_EQ(found->row, 1u);
    EXPECT_EQ(catalogue.Find(3), std::nullopt);  // in the group the drop-down leaves out
    EXPECT_EQ(catalogue.Find(-1), std::nullopt);
    EXPECT_EQ(catalogue.Find(7), std::nullopt);
}

TEST(CatalogueChoice, EveryIndexOfAListedGroupComesBackFromItsPosition) {
    const CatalogueChoice catalogue = ThreeGroups();
    for (int index : {0, 1, 2, 5, 6}) {
        const auto position = catalogue.Find(index);
        ASSERT_TRUE(position) << index;
        EXPECT_EQ(catalogue.IndexOf(position->listed, position->row), index);
    }
}

TEST(ChooserTabs, TransmitFunctionsBringTheInstrumentAndUsbTabs) {
    using T = ChooserTab;
    EXPECT_EQ(PresetChooserTabs(true), (std::vector<T>{T::Catalogue, T::User, T::Usb}));
    EXPECT_EQ(PresetChooserTabs(false), std::vector<T>{T::Catalogue});
    EXPECT_EQ(PatternChooserTabs(PatternKind::Arpeggio, true),
              (std::vector<T>{T::Catalogue, T::Usb}));
    EXPECT_EQ(PatternChooserTabs(PatternKind::Arpeggio, false), std::vector<T>{T::Catalogue});
    EXPECT_EQ(PatternChooserTabs(PatternKind::Chopper, true), std::vector<T>{T::Catalogue});
}

TEST(UserPage, ListsFilesOnlyAndFindsThePreviousNameInAnyCase) {
    FileEntry folder;
    folder.name = "OLD";
    FileEntry pop;
    pop.kind = 1;
    pop.name = "Pop.sty";
    FileEntry unnamed;
    unnamed.kind = 1;
    const auto names = UserPageNames({folder, pop, unnamed});
    EXPECT_EQ(names, std::vector<std::string>{"Pop.sty"});
    EXPECT_EQ(FindNameNoCase(names, "POP.STY"), 0u);
    EXPECT_EQ(FindNameNoCase(names, ""), std::nullopt);
    EXPECT_EQ(DeviceBaseName("USER\\STYLE\\pop.sty"), "pop.sty");
    EXPECT_EQ(DeviceBaseName("pop.sty"), "pop.sty");
    EXPECT_EQ(UserFolder(PresetKind::Voice), "USER\\VOICE");
    EXPECT_EQ(UserFolder(PresetKind::Song), "USER\\SONG");
}

TEST(UsbPage, ExtensionsIgnoreCaseAndNeedAName) {
    EXPECT_TRUE(HasUsbExtension("Song.MID", UsbExtension(PresetKind::Song)));
    EXPECT_TRUE(HasUsbExtension("a.voc", UsbExtension(PresetKind::Voice)));
    EXPECT_FALSE(HasUsbExtension("a.voc.bak", ".voc"));
    EXPECT_FALSE(HasUsbExtension(".arp", UsbExtension(PatternKind::Arpeggio)));
    EXPECT_FALSE(HasUsbExtension("style.st", UsbExtension(PresetKind::Style)));
}

TEST(UsbDevicePath, TheFolderBelowTheMountPointWithBackslashes) {
    EXPECT_EQ(UsbDevicePath("/media/stick", "/media/stick", "a.sty"), "USB\\a.sty");
    EXPECT_EQ(UsbDevicePath("/media/stick", "/media/stick/", "a.sty"), "USB\\a.sty");
    EXPECT_EQ(UsbDevicePath("/media/stick/", "/media/stick/Styles/Pop", "a.sty"),
              "USB\\Styles\\Pop\\a.sty");
    EXPECT_EQ(UsbDevicePath("/", "/home/me", "a.sty"), "USB\\home\\me\\a.sty");
    // A mount point whose name merely begins the folder's is not the folder's.
    EXPECT_EQ(UsbDevicePath("/media/stick", "/media/stick2/x", "a.sty"), std::nullopt);
    EXPECT_EQ(UsbDevicePath("/media/stick", "/media/other", "a.sty"), std::nullopt);
    EXPECT_EQ(UsbDevicePath("/media/stick", "/media/stick", "../a.sty"), std::nullopt);
    EXPECT_EQ(UsbDevicePath("", "/media/stick", "a.sty"), std::nullopt);
}

TEST(UsbDevicePath, RefusesWhatTheInstrumentCannotHold) {
    // "USB\" + 251 + "\" + "a.sty" = 4 + 251 + 1 + 5 = 261: two too many.
    const std::string longFolder(251, 'f');
    EXPECT_EQ(UsbDevicePath("/m", "/m/" + longFolder, "a.sty"), std::nullopt);
    const std::string fits(249, 'f');
    const auto path = UsbDevicePath("/m", "/m/" + fits, "a.sty");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->size(), kMaxChooserPath);
    EXPECT_EQ(UsbDevicePath("/m", "/m/a\nb", "a.sty"), std::nullopt);
}

}  // namespace
}  // namespace veltrano
