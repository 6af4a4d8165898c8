#include "device/DeviceSession.h"

#include <gtest/gtest.h>

#include "base/FileIo.h"
#include "device/PortWatcher.h"
#include "device/PresetCatalog.h"
#include "settings/IniFile.h"
#include "support/DeviceRig.h"
#include "support/FakeMidiBackend.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DeviceRig;
using test::ReadFile;
using test::WriteFile;

// LF line ends turned into CR LF, as text tables are stored.
std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

DeviceRig::Options WithTables(const fs::path& tables, const std::string& faults = {}) {
    DeviceRig::Options options;
    options.instrument.tablesFolder = tables;
    options.instrument.faults = ParseFaultList(faults).faults;
    return options;
}

TEST(DeviceSession, FirstConnectOfANewInstrumentFetchesEverything) {
    test::TempDir tables;
    fs::copy(test::DemoTables(), tables.Path(), fs::copy_options::recursive);
    std::string prf(700, '\0');
    for (size_t i = 0; i < prf.size(); ++i) {
        prf[i] = static_cast<char>(i % 251);  // holds line feeds that must stay as they are
    }
    WriteFile(tables / "Default.prf", prf);

    DeviceRig rig(WithTables(tables.Path()));
    ASSERT_TRUE(rig.session.Connect(true)) << testing::PrintToString(rig.reporter.Texts());
    EXPECT_TRUE(rig.reporter.Empty());

    const fs::path folder = rig.ProductFolder();
    EXPECT_EQ(rig.app.currentDevice, "Arranger SIM-61");
    for (int table = 0; table < 6; ++table) {
        for (bool chinese : {false, true}) {
            const std::string name = PresetCatalog::TableFileName(table, chinese);
            EXPECT_EQ(ReadFile(folder / name), WithCrLf(ReadFile(tables / name))) << name;
        }
    }
    EXPECT_EQ(ReadFile(folder / "Default.prf"), prf);

    IniFile device(folder / "device.ini");
    EXPECT_EQ(device.GetString("Firmware", "FirmwareVersion"), "1.00");
    EXPECT_EQ(device.GetString("Firmware", "ProductName"), "Arranger SIM-61");
    EXPECT_EQ(device.GetInt("Firmware", "DeviceID", -5), 0);
    EXPECT_EQ(device.GetInt("Connect", "DeviceClass", -5), 1);
    EXPECT_EQ(device.GetInt("Connect", "ControllerKnob", -5), 4);
    EXPECT_EQ(device.GetInt("Connect", "KbdRangeL", -5), 36);
    EXPECT_EQ(device.GetInt("Connect", "KbdRangeH", -5), 96);
    IniFile config(rig.home / "Cnfg.ini");
    EXPECT_EQ(config.GetString("LastDevice", "Device"), "Arranger SIM-61");
    EXPECT_EQ(config.GetString("DeviceList", "Device0"), "Arranger SIM-61");
    EXPECT_EQ(config.GetString("DeviceList", "Device1"), "Default");

    EXPECT_EQ(rig.observer.progress,
              (std::vector<std::string>{"open 0-7", "1", "2", "3", "4", "5", "6", "7", "1", "2",
                                        "3", "4", "5", "6", "7", "close"}));
    EXPECT_EQ(rig.observer.displays, (std::vector<std::string>{"Arranger SIM-61"}));
    // "Default" was never connected, so the new instrument's catalogues were read.
    EXPECT_EQ(rig.observer.catalogueReloads, 1);
    EXPECT_FALSE(rig.app.catalog.Voices().empty());
    EXPECT_TRUE(rig.link.state.connected);
    EXPECT_TRUE(rig.link.state.deviceHeld);
    EXPECT_FALSE(rig.link.Busy());
    EXPECT_TRUE(rig.session.KeepAliveRunning());
    EXPECT_EQ(rig.app.profile.Values().controllerPad, 4);

    // The same firmware again: nothing is fetched and no progress window opens.
    ASSERT_TRUE(rig.session.Disconnect(true));
    EXPECT_FALSE(rig.link.state.connected);
    EXPECT_FALSE(rig.session.KeepAliveRunning());
    rig.observer.progress.clear();
    const uint64_t framesBefore = rig.Instrument().Counters().framesIn;
    ASSERT_TRUE(rig.session.Connect(true));
    EXPECT_TRUE(rig.observer.progress.empty());
    EXPECT_EQ(rig.Instrument().Counters().framesIn, framesBefore + 1);
}

TEST(DeviceSession, FirmwareComparisonIgnoresCaseAndANewOneFetchesAgain) {
    DeviceRig rig;
    IdentityRecord id = rig.Instrument().Identity();
    id.firmwareVersion = "v1.0a";
    rig.Instrument().SetIdentity(id);
    ASSERT_TRUE(rig.session.Connect(false));
    ASSERT_TRUE(rig.session.Disconnect(false));
    id.firmwareVersion = "V1.0A";
    rig.Instrument().SetIdentity(id);
    rig.observer.progress.clear();
    ASSERT_TRUE(rig.session.Connect(false));
    EXPECT_TRUE(rig.observer.progress.empty());
    ASSERT_TRUE(rig.session.Disconnect(false));
    id.firmwareVersion = "V1.1";
    rig.Instrument().SetIdentity(id);
    ASSERT_TRUE(rig.session.Connect(false));
    EXPECT_FALSE(rig.observer.progress.empty());
    EXPECT_EQ(IniFile(rig.ProductFolder() / "device.ini").GetString("Firmware", "FirmwareVersion"),
              "V1.1");
}

TEST(DeviceSession, ChineseTablesRefusedOrIgnoredGiveEnglishCopies) {
    for (const char* fault : {"refuse-cn", "ignore-cn"}) {
        DeviceRig rig(WithTables(test::DemoTables(), fault));
        ASSERT_TRUE(rig.session.Connect(true)) << fault;
        EXPECT_TRUE(rig.reporter.Empty()) << testing::PrintToString(rig.reporter.Texts());
        for (int table : {0, 1, 2, 3, 4, 5}) {
            EXPECT_EQ(ReadFile(rig.ProductFolder() / PresetCatalog::TableFileName(table, true)),
                      ReadFile(rig.ProductFolder() / PresetCatalog::TableFileName(table, false)))
                << fault << " " << table;
        }
    }
}

TEST(DeviceSession, ConnectFailuresWriteNothing) {
    struct Case {
        const char* faults;
        std::string text;
        Icon icon;
    };
    const Case cases[] = {
        {"refuse-connect", "Can't be allow connect", Icon::Information},
        {"drop=1", "Time out", Icon::Error},
    };
    for (const Case& c : cases) {
        DeviceRig rig(WithTables(test::DemoTables(), c.faults));
        const std::string before = ReadFile(rig.home / "Cnfg.ini");
        EXPECT_FALSE(rig.session.Connect(true));
        ASSERT_EQ(rig.reporter.Messages().size(), 1u) << c.faults;
        EXPECT_EQ(rig.reporter.Messages()[0].text, c.text);
        EXPECT_EQ(rig.reporter.Messages()[0].caption, "Connect");
        EXPECT_EQ(rig.reporter.Messages()[0].icon, c.icon);
        EXPECT_FALSE(rig.link.Busy());
        EXPECT_FALSE(rig.link.state.connected);
        EXPECT_FALSE(fs::exists(rig.home / "Presets" / "Arranger SIM-61"));
        EXPECT_EQ(ReadFile(rig.home / "Cnfg.ini"), before);
        // Silent connects report nothing.
        rig.reporter.Clear();
        EXPECT_FALSE(rig.session.Connect(false));
        EXPECT_TRUE(rig.reporter.Empty());
    }
}

TEST(DeviceSession, ChecksumErrorOfTheConnectReplyShowsBothValuesInHex) {
    DeviceRig rig(WithTables(test::DemoTables(), "corrupt=1"));
    EXPECT_FALSE(rig.session.Connect(true));
    ASSERT_EQ(rig.reporter.Messages().size(), 1u);
    const std::string& text = rig.reporter.Messages()[0].text;
    EXPECT_EQ(text.rfind("Checksum error: Pc(", 0), 0u) << text;
    EXPECT_NE(text.find(") VS Device("), std::string::npos);
    const auto hexIn = [&](const std::string& label) {
        const size_t open = text.find(label) + label.size();
        return text.substr(open, text.find(')', open) - open);
    };
    for (const std::string& value : {hexIn("Pc("), hexIn("Device(")}) {
        ASSERT_FALSE(value.empty());
        EXPECT_EQ(value.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
    }
    EXPECT_FALSE(fs::exists(rig.home / "Presets" / "Arranger SIM-61"));
}

TEST(DeviceSession, ProductNamesThatAreNoFolderNamesAreRefused) {
    for (const char* name : {"", "..", "../Evil", "a/b", "a\\b", "Tab\tName", "x..y"}) {
        DeviceRig rig;
        IdentityRecord id = rig.Instrument().Identity();
        id.productName = name;
        rig.Instrument().SetIdentity(id);
        EXPECT_FALSE(rig.session.Connect(true)) << name;
        ASSERT_EQ(rig.reporter.Texts(),
                  (std::vector<std::string>{std::string("Invalid product name: ") + name}));
        EXPECT_FALSE(rig.link.Busy());
        EXPECT_EQ(rig.app.currentDevice, "Default");
        EXPECT_FALSE(fs::exists(rig.home / "Presets"));
        EXPECT_FALSE(fs::exists(rig.home / "Evil"));
        EXPECT_FALSE(IniFile(rig.home / "Cnfg.ini").HasSection("LastDevice"));
    }
}

TEST(DeviceSession, DeviceListWithElevenOtherNames) {
    std::string config = "[LastDevice]\nDevice=Default\n[DeviceList]\n";
    for (int i = 0; i < 10; ++i) {
        config += "Device" + std::to_string(i) + "=Other " + std::to_string(i) + "\n";
    }
    DeviceRig::Options options;
    options.config = config;
    DeviceRig rig(options);
    ASSERT_EQ(rig.app.deviceList.size(), 11u);
    ASSERT_TRUE(rig.session.Connect(false));
    IniFile ini(rig.home / "Cnfg.ini");
    EXPECT_EQ(ini.GetString("DeviceList", "Device0"), "Arranger SIM-61");
    EXPECT_EQ(ini.GetString("DeviceList", "Device1"), "Default");
    EXPECT_EQ(ini.GetString("DeviceList", "Device2"), "Other 0");
    EXPECT_EQ(ini.GetString("DeviceList", "Device9"), "Other 7");
    EXPECT_EQ(ini.GetString("DeviceList", "Device10"), "");
    EXPECT_EQ(ini.GetSectionKeys("DeviceList").size(), 10u);
}

TEST(DeviceSession, KeepAliveLosesTheLinkAfterFourUnansweredRequests) {
    DeviceRig rig(WithTables(test::DemoTables(), "no-keepalive"));
    ASSERT_TRUE(rig.session.Connect(false));
    rig.reporter.Clear();
    for (int tick = 1; tick <= 3; ++tick) {
        rig.session.KeepAliveTick();
    }
    EXPECT_TRUE(rig.link.state.connected);  // three unanswered: still connected
    rig.session.KeepAliveTick();
    EXPECT_FALSE(rig.link.state.connected);
    EXPECT_TRUE(rig.link.state.abort);
    EXPECT_FALSE(rig.session.KeepAliveRunning());
    ASSERT_EQ(rig.reporter.Messages().size(), 1u);
    EXPECT_EQ(rig.reporter.Messages()[0],
              (RecordingReporter::Message{Icon::Warning, "Active sense",
                                          "No active sense message be detected, please check the "
                                          "connection",
                                          false}));
    EXPECT_EQ(rig.observer.displays.back(), "");
}

TEST(DeviceSession, KeepAliveOnTheTimerWithAnsweringInstrument) {
    DeviceRig rig;
    ASSERT_TRUE(rig.session.Connect(false));
    rig.Run(std::chrono::seconds(30));
    EXPECT_TRUE(rig.link.state.connected);
    EXPECT_GE(rig.link.state.keepAliveAnswered, 25u);
    EXPECT_TRUE(rig.reporter.Empty());
}

TEST(DeviceSession, KeepAliveCountersResetDuringALongExchange) {
    DeviceRig::Options options = WithTables(test::DemoTables());
    options.timing.baud = WireTiming::kMidiBaud;  // a slow cable: the fetch takes minutes
    DeviceRig rig(options);
    ASSERT_TRUE(rig.session.Connect(false));
    // A fetch while the keep-alive timer runs: its ticks find the link busy.
    const auto start = rig.loop.Now();
    ASSERT_TRUE(rig.session.FetchAllTables(true));
    EXPECT_GT(rig.loop.Now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(rig.link.state.connected);
    EXPECT_TRUE(rig.reporter.Empty());
    rig.Run(std::chrono::seconds(5));
    EXPECT_TRUE(rig.link.state.connected);
}

TEST(DeviceSession, NoKeepAliveWhenTheStorageFunctionsAreOff) {
    DeviceRig::Options options = WithTables(test::DemoTables(), "no-keepalive");
    options.transmitFunc = false;
    DeviceRig rig(options);
    ASSERT_TRUE(rig.session.Connect(false));
    EXPECT_FALSE(rig.session.KeepAliveRunning());
    rig.Run(std::chrono::seconds(10));
    EXPECT_TRUE(rig.link.state.connected);
}

TEST(DeviceSession, DisconnectAndItsRefusal) {
    DeviceRig rig;
    ASSERT_TRUE(rig.session.Connect(false));
    SimFaults faults;
    faults.Force(StatusPoint::Disconnect, 0);
    rig.Instrument().SetFaults(faults);
    EXPECT_FALSE(rig.session.Disconnect(true));
    EXPECT_EQ(rig.reporter.Texts(), (std::vector<std::string>{"Can't be allow disconnect"}));
    EXPECT_TRUE(rig.link.state.connected);
    rig.Instrument().SetFaults({});
    EXPECT_TRUE(rig.session.Disconnect(true));
    EXPECT_FALSE(rig.link.state.deviceHeld);
    EXPECT_EQ(rig.observer.displays.back(), "");
}

TEST(DeviceSession, BusyLinkMakesConnectAndDisconnectReturnAtOnce) {
    DeviceRig rig;
    Exchange other(rig.link);
    ASSERT_TRUE(other.Begun());
    EXPECT_TRUE(rig.session.Connect(true));
    EXPECT_TRUE(rig.session.Disconnect(true));
    EXPECT_TRUE(rig.output.sent.empty());
    EXPECT_FALSE(rig.link.state.connected);
}

TEST(DeviceSession, SendFailureIsALinkProblem) {
    DeviceRig rig;
    rig.output.refuse = true;
    EXPECT_FALSE(rig.session.Connect(true));
    ASSERT_EQ(rig.reporter.Messages().size(), 1u);
    EXPECT_EQ(rig.reporter.Messages()[0].text, "Send message failed, please check the connection");
    EXPECT_EQ(rig.reporter.Messages()[0].icon, Icon::Warning);
    EXPECT_FALSE(rig.link.Busy());
}

TEST(DeviceSession, ConnectCommandFlow) {
    DeviceRig rig;
    rig.observer.dialog = [] { return false; };
    rig.session.ConnectCommand();  // dialog cancelled: nothing happens
    EXPECT_EQ(rig.observer.dialogs, 1);
    EXPECT_FALSE(rig.link.state.connected);

    rig.observer.dialog = [] { return true; };
    rig.session.ConnectCommand();  // never connected: connect with messages, pages refreshed
    EXPECT_TRUE(rig.link.state.connected);
    EXPECT_TRUE(rig.link.state.portsChosen);
    EXPECT_EQ(rig.observer.pageRefreshes, 1);

    rig.session.ConnectCommand();  // connected: disconnect, the device list rebuilt
    EXPECT_FALSE(rig.link.state.connected);
    EXPECT_EQ(rig.app.deviceList, (std::vector<std::string>{"Arranger SIM-61", "Default"}));
    EXPECT_EQ(rig.observer.deviceListChanges, 1);

    rig.session.ConnectCommand();  // ports chosen, not connected: connect and refresh
    EXPECT_TRUE(rig.link.state.connected);
    EXPECT_EQ(rig.observer.deviceRefreshes, 1);
    EXPECT_EQ(rig.observer.dialogs, 2);
}

TEST(DeviceSession, DeviceChangesReconnectSilently) {
    DeviceRig rig;
    ASSERT_TRUE(rig.session.Connect(false));
    rig.session.OnDeviceNodesChanged();
    EXPECT_TRUE(rig.link.state.connected);
    EXPECT_EQ(rig.observer.displays,
              (std::vector<std::string>{"Arranger SIM-61", "", "Arranger SIM-61"}));
    rig.session.OnDeviceArrival();
    rig.session.OnDeviceRemoval();
    EXPECT_EQ(rig.observer.driveChanges, 2);
}

TEST(DeviceSession, RefreshDeviceFollowsTheDeviceBoxUnlessHeld) {
    DeviceRig rig;
    ASSERT_TRUE(rig.session.Connect(false));
    ASSERT_TRUE(rig.session.Disconnect(false));
    rig.observer.selectedDevice = "Default";
    rig.session.RefreshDevice();
    EXPECT_EQ(rig.app.currentDevice, "Default");
    EXPECT_EQ(rig.app.profile.Values().deviceClass, -1);  // no "device.ini" for it here
    ASSERT_TRUE(rig.session.Connect(false));
    rig.observer.selectedDevice = "Default";
    rig.session.RefreshDevice();
    EXPECT_EQ(rig.app.currentDevice, "Arranger SIM-61");
}

TEST(DeviceSession, ASilentReconnectAfterTheLinkWasLost) {
    DeviceRig rig;
    rig.session.TrySilentReconnect();  // no ports chosen yet: nothing
    EXPECT_FALSE(rig.link.state.connected);
    rig.observer.dialog = [] { return true; };
    rig.session.ConnectCommand();
    ASSERT_TRUE(rig.link.state.connected);
    rig.link.state.connected = false;  // lost, as the keep-alive finds it
    rig.session.TrySilentReconnect();
    EXPECT_TRUE(rig.link.state.connected);
    EXPECT_TRUE(rig.reporter.Empty());
    EXPECT_EQ(rig.observer.deviceRefreshes, 1);
}

TEST(DeviceSession, ASilentReconnectFindsTheChosenPortsByName) {
    DeviceRig rig;
    auto first = std::make_unique<test::FakeMidiBackend>(std::vector<std::string>{"Other in"},
                                                         std::vector<std::string>{"Other out"});
    auto second = std::make_unique<test::FakeMidiBackend>(std::vector<std::string>{"Keys in"},
                                                          std::vector<std::string>{"Keys out"});
    test::FakeMidiBackend& other = *first;
    test::FakeMidiBackend& keys = *second;
    rig.ports.AddBackend(std::move(first));
    rig.ports.AddBackend(std::move(second));
    rig.ports.ListPorts();  // the simulated instrument, "Other", "Keys"
    rig.ports.SetChosenInput(2);
    rig.ports.SetChosenOutput(2);
    rig.link.state.portsChosen = true;

    // A port plugged in ahead of the chosen one moves it to position 3.
    other.SetPortNames({"Other in", "Inserted in"}, {"Other out", "Inserted out"});
    rig.session.TrySilentReconnect();
    EXPECT_TRUE(other.Log().empty()) << testing::PrintToString(other.Log());
    EXPECT_TRUE(other.Sent().empty());
    EXPECT_EQ(keys.Log().front(), "openIn 0");
    ASSERT_EQ(keys.Sent().size(), 1u);  // the connect request, to the chosen instrument
    EXPECT_EQ(rig.ports.ChosenInput(), 3);
    EXPECT_EQ(rig.ports.ChosenOutput(), 3);
    EXPECT_FALSE(rig.link.Busy());

    // The chosen port is gone: nothing is opened, nothing is sent.
    keys.SetPortNames({}, {});
    keys.ClearLog();
    rig.session.TrySilentReconnect();
    EXPECT_TRUE(other.Log().empty()) << testing::PrintToString(other.Log());
    EXPECT_TRUE(other.Sent().empty());
    EXPECT_EQ(keys.Sent().size(), 1u);
    EXPECT_FALSE(rig.link.state.connected);
}

TEST(PortWatcher, NoticesPortsComingAndGoing) {
    VirtualEventLoop loop;
    RecordingReporter reporter;
    MidiPorts ports(loop, reporter);
    auto backend = std::make_unique<test::FakeMidiBackend>(std::vector<std::string>{"A in"},
                                                           std::vector<std::string>{"A out"});
    test::FakeMidiBackend& fake = *backend;
    ports.AddBackend(std::move(backend));
    PortWatcher watcher(ports);
    EXPECT_FALSE(watcher.Changed());  // the first look
    EXPECT_FALSE(watcher.Changed());
    fake.SetPortNames({"A in", "B in"}, {"A out", "B out"});
    EXPECT_TRUE(watcher.Changed());
    EXPECT_FALSE(watcher.Changed());
    fake.SetPortNames({"A in"}, {"A out"});
    EXPECT_TRUE(watcher.Changed());
}

TEST(KeyboardRange, ByDeviceClass) {
    for (int c : {0, 1, 2}) {
        EXPECT_EQ(KeyboardRangeOfClass(c).low, 36);
        EXPECT_EQ(KeyboardRangeOfClass(c).high, 96);
    }
    EXPECT_EQ(KeyboardRangeOfClass(3).low, 28);
    EXPECT_EQ(KeyboardRangeOfClass(3).high, 103);
    EXPECT_EQ(KeyboardRangeOfClass(4).low, 21);
    EXPECT_EQ(KeyboardRangeOfClass(-1).high, 108);
}

}  // namespace
}  // namespace veltrano
