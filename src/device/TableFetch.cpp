#include "device/TableFetch.h"

#include <string>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "device/Link.h"
#include "device/PresetCatalog.h"
#include "device/SysExMessage.h"

namespace veltrano {

namespace {

constexpr const char* kCaption = "GetTabFiles";
constexpr int kMaxResends = 3;

constexpr const char* kCreateFailed[] = {
    "Create voice preset file failed.",       "Create style preset file failed.",
    "Create song preset file failed.",        "Create Arp preset file failed.",
    "Create Performance preset file failed.", "Create Chopper preset file failed.",
    "Create default performance file failed."};

// Text tables get CR LF line ends. A line feed that already follows a CR is kept as it is, so
// tables that arrive with CR LF are not doubled up.
class TextLineEnds {
public:
    std::string Convert(ByteView data) {
        std::string out;
        out.reserve(data.size() + data.size() / 16);
        for (const uint8_t b : data) {
            if (b == '\n' && lastByte_ != '\r') {
                out.push_back('\r');
            }
            out.push_back(static_cast<char>(b));
            lastByte_ = b;
        }
        return out;
    }

private:
    uint8_t lastByte_ = 0;
};

class Fetch {
public:
    Fetch(Link& link, int table, bool chinese, bool show)
        : link_(link),
          command_(chinese ? sysex::CMD_GET_TAB_FILE_CN : sysex::CMD_GET_TAB_FILE),
          table_(table),
          chinese_(chinese),
          show_(show) {}

    bool Run(TempFileBeside& file) {
        if (!Transfer(file)) {
            file.Discard();
            return false;
        }
        return file.Commit();
    }

private:
    void Say(const std::string& text) {
        if (show_) {
            link_.Report().Show(Icon::Error, kCaption, text);
        }
    }

    bool Request() {
        link_.ArmReplyWait();
        if (!link_.Sender().SendGetTabFile(table_, chinese_)) {
            Say("Send long message failed");
            return false;
        }
        return true;
    }

    bool Transfer(TempFileBeside& file) {
        if (!Request()) {
            return false;
        }
        int timeouts = 0;
        while (link_.WaitReply() == WaitResult::Timeout) {
            if (++timeouts > kMaxResends) {
                Say("Time out");
                return false;
            }
            link_.DrainLateAnswers();
            if (!Request()) {
                return false;
            }
        }
        const Bytes& reply = link_.LastFrame();
        const auto header = TableHeaderReply::Decode(reply);
        if (sysex::FrameCommand(reply) != command_ || !header) {
            Say("Command error");
            return false;
        }
        const uint32_t size = header->size;
        const uint32_t blocks = header->blocks;
        if (!link_.Sender().SendAck(command_, sysex::kAckOk)) {
            Say("Send long message failed");
            return false;
        }
        link_.ArmReplyWait();

        const bool text = table_ != 6;
        TextLineEnds lineEnds;
        uint64_t written = 0;
        for (uint32_t b = 0; b < blocks; ++b) {
            if (link_.WaitReply() == WaitResult::Timeout) {
                Say("Time out");
                return false;
            }
            const DataBlock block = DataBlock::Decode(link_.LastFrame());
            if (!block.checksum.match) {
                (void)link_.Sender().SendAck(command_, sysex::kAckChecksumError);
                Say("Checksum error: " + sysex::ChecksumText(block.checksum, true));
                return false;
            }
            const uint64_t left = size > written ? size - written : 0;
            const size_t length =
                static_cast<size_t>(std::min<uint64_t>(left, sysex::kUploadBlockSize));
            const ByteView data(block.data.data(), length);
            const bool stored =
                text ? file.Append(lineEnds.Convert(data)) : file.Append(AsText(data));
            if (!stored) {
                Say("Write file failed");
                return false;
            }
            written += length;
            link_.ArmReplyWait();
            if (!link_.Sender().SendAck(command_, sysex::kAckOk)) {
                Say("Send long message failed");
                return false;
            }
        }
        return true;
    }

    Link& link_;
    uint8_t command_;
    int table_;
    bool chinese_;
    bool show_;
};

}  // namespace

bool GetTabFiles(Link& link, const Exchange& exchange, const std::filesystem::path& deviceFolder,
                 int table, bool chinese, bool show) {
    (void)exchange;  // the proof that the caller holds the link
    if (table < 0 || table > 6) {
        return false;
    }
    TempFileBeside file(deviceFolder / PresetCatalog::TableFileName(table, chinese));
    if (!file.Open()) {
        link.Report().Show(Icon::Error, kCaption, kCreateFailed[table]);
        return false;
    }
    return Fetch(link, table, chinese, show).Run(file);
}

}  // namespace veltrano
