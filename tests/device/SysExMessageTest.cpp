#include "device/SysExMessage.h"

#include <gtest/gtest.h>

#include "device/MidiPorts.h"

namespace veltrano {
namespace {

using namespace sysex;

Bytes Hex(std::initializer_list<int> values) {
    Bytes bytes;
    for (int v : values) {
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return bytes;
}

class RecordingOutput : public FrameOutput {
public:
    bool SendLong(ByteView bytes) override {
        frames.emplace_back(bytes.begin(), bytes.end());
        return accept;
    }
    std::vector<Bytes> frames;
    bool accept = true;
};

TEST(SysExFrame, ExampleFramesOfTheProtocol) {
    RecordingOutput out;
    SysExSender sender(out);
    ASSERT_TRUE(sender.SendActiveSense());
    ASSERT_TRUE(sender.SendConnection(kConnect));
    ASSERT_TRUE(sender.SendConnection(kDisconnect));
    ASSERT_TRUE(sender.SendAck(CMD_GET_TAB_FILE, kAckOk));
    const Bytes head = Hex({0xF0, 0x00, 0x20, 0x2B, 0x55, 0x52, 0x53, 0x57});
    auto with = [&](std::initializer_list<int> rest) {
        Bytes frame = head;
        const Bytes tail = Hex(rest);
        frame.insert(frame.end(), tail.begin(), tail.end());
        return frame;
    };
    EXPECT_EQ(out.frames[0], with({0x01, 0x01, 0x1D, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(out.frames[1], with({0x00, 0x00, 0x00, 0x01, 0x1C, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(out.frames[2], with({0x00, 0x00, 0x01, 0x01, 0x1D, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(out.frames[3], with({0x04, 0x00, 0x00, 0x01, 0x20, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(out.frames[0].size(), 14u);
    EXPECT_EQ(out.frames[1].size(), 16u);
    for (const Bytes& f : out.frames) {
        EXPECT_TRUE(IsValidFrame(f));
        EXPECT_TRUE(VerifyFrameChecksum(f).match);
    }
    EXPECT_EQ(VerifyFrameChecksum(out.frames[0]).computed, 0x019D);
}

TEST(SysExFrame, PairEncodingAndChecksum) {
    EXPECT_EQ(SplitData(Hex({0x80, 0x7F, 0xFF, 0x00})),
              Hex({0x01, 0x00, 0x00, 0x7F, 0x01, 0x7F, 0x00, 0x00}));
    EXPECT_EQ(CombineData(Hex({0x01, 0x00, 0x00, 0x7F})), Hex({0x80, 0x7F}));
    EXPECT_FALSE(CombineData(Hex({0x01, 0x00, 0x00})).has_value());
    Bytes all(256);
    for (int i = 0; i < 256; ++i) {
        all[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    }
    EXPECT_EQ(CombineData(SplitData(all)), all);

    // A sum past 0xFFFF keeps its low 16 bits in the frame.
    const Bytes payload(600, 0xFF);
    const Bytes frame = BuildFrame(0x13, payload);
    EXPECT_GT(CheckSum(ByteView(frame).subspan(1, frame.size() - 6)), 0xFFFFu);
    EXPECT_TRUE(VerifyFrameChecksum(frame).match);
    EXPECT_EQ(frame.size(), 14 + 2 * payload.size());
    for (size_t i = 1; i + 1 < frame.size(); ++i) {
        EXPECT_LT(frame[i], 0x80) << i;  // only data bytes between F0 and F7
    }
}

TEST(SysExFrame, ValidationAndShortFrames) {
    const Bytes good = BuildStatusFrame(CMD_UPLOAD, 3);
    EXPECT_TRUE(IsValidFrame(good));
    EXPECT_EQ(FrameCommand(good), CMD_UPLOAD);
    EXPECT_EQ(ReplyStatus(good), 3);
    for (size_t i = 1; i <= 7; ++i) {
        Bytes bad = good;
        bad[i] ^= 0x01;
        EXPECT_FALSE(IsValidFrame(bad)) << i;
    }
    Bytes noEnd = good;
    noEnd.back() = 0x00;
    EXPECT_FALSE(IsValidFrame(noEnd));
    EXPECT_FALSE(IsValidFrame(Hex({0xF0, 0xF7})));
    const Bytes empty = BuildFrame(CMD_ABORT, {});
    EXPECT_FALSE(ReplyStatus(empty).has_value());
    EXPECT_FALSE(DecodePayload(good, 2).has_value());
    EXPECT_EQ(FrameCommand(Hex({0xF0})), 0xFF);
    EXPECT_FALSE(VerifyChecksum(good, good.size()).match);
    EXPECT_FALSE(VerifyChecksum(good, 0).match);

    ChecksumResult r{false, 0x1a2, 0x19d};
    EXPECT_EQ(ChecksumText(r, false), "Pc(1a2) VS Device(19d)");
    EXPECT_EQ(ChecksumText(r, true), "Pc(0x1a2) VS Device(0x19d)");
}

TEST(SysExRecords, IdentityRecord) {
    IdentityRecord id;
    id.deviceClass = 3;
    id.productName = std::string(30, 'P');  // fills its field: no terminating zero
    id.firmwareVersion = "V1.23";
    id.deviceId = 261;
    id.controllerTypes = 2;
    id.pedals = 3;
    id.knobs = 6;
    id.pads = 12;
    id.pitchbend = 1;
    id.knobFunctionGroups = 4;
    id.knobCustomGroup = 2;
    const Bytes record = id.Encode();
    ASSERT_EQ(record.size(), kIdentitySize);
    EXPECT_EQ(record[53], 0x05);
    EXPECT_EQ(record[54], 0x01);
    EXPECT_EQ(IdentityRecord::Decode(record), id);

    Bytes negative = record;
    negative[53] = 0xFF;  // each byte is signed: -1 + 256 × 1
    EXPECT_EQ(IdentityRecord::Decode(negative)->deviceId, 255);
    EXPECT_FALSE(IdentityRecord::Decode(ByteView(record).first(73)).has_value());

    Bytes payload{0};
    payload.insert(payload.end(), record.begin(), record.end());
    const Bytes frame = BuildFrame(CMD_CONNECTION, payload);
    ASSERT_EQ(frame.size(), kConnectReplySize);
    const auto reply = ConnectReply::Decode(frame);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->status, 0);
    EXPECT_TRUE(reply->checksum.match);
    EXPECT_EQ(reply->identity, id);
    // A refusal carries only its status: no identity, and no checksum to trust.
    const auto refused = ConnectReply::Decode(BuildStatusFrame(CMD_CONNECTION, 1));
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->status, 1);
    EXPECT_FALSE(refused->identity.has_value());
    EXPECT_FALSE(refused->checksum.match);
}

TEST(SysExRecords, RequestRecordsRefuseOversizedNames) {
    TransferHeader header{std::string(64, 'n'), 1025, 2};
    const auto encoded = header.Encode();
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(encoded->size(), kTransferHeaderSize);
    const auto decoded = TransferHeader::Decode(*encoded);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->name, header.name);
    EXPECT_EQ(decoded->size, 1025u);
    EXPECT_EQ(decoded->count, 2u);
    EXPECT_FALSE((TransferHeader{std::string(65, 'n'), 0, 0}.Encode().has_value()));

    EXPECT_EQ(EncodeDeleteRecord("song.mid")->size(), kDeleteRecordSize);
    EXPECT_EQ(DecodeDeleteRecord(*EncodeDeleteRecord("song.mid")), "song.mid");
    EXPECT_FALSE(EncodeDeleteRecord(std::string(65, 'x')).has_value());

    EXPECT_EQ(DecodeQueryRecord(*EncodeQueryRecord("")), "USER");
    EXPECT_EQ(DecodeQueryRecord(*EncodeQueryRecord("USER\\STYLE")), "USER\\STYLE");
    EXPECT_TRUE(EncodeQueryRecord(std::string(150, 'p')).has_value());
    EXPECT_FALSE(EncodeQueryRecord(std::string(151, 'p')).has_value());

    RecordingOutput out;
    SysExSender sender(out);
    EXPECT_FALSE(sender.SendDelete(std::string(65, 'x')));
    EXPECT_FALSE(sender.SendQueryFiles(std::string(151, 'p')));
    EXPECT_FALSE(sender.SendGetTabFile(7, false));
    EXPECT_TRUE(out.frames.empty());  // nothing reached the output
    out.accept = false;
    EXPECT_FALSE(sender.SendAbort());
}

TEST(SysExRecords, DownloadPacketsAndDataBlocks) {
    const Bytes data(1, 0xAB);
    const Bytes packet = EncodeDownloadPacket(2, data);
    ASSERT_EQ(packet.size(), kDownloadPacketSize);
    EXPECT_EQ(packet[0], 2);
    EXPECT_EQ(packet[4], 1);
    EXPECT_EQ(packet[6], 0xAB);
    EXPECT_EQ(packet[7], 0);
    EXPECT_EQ(BuildFrame(CMD_DOWNLOAD, packet).size(), 2074u);
    const auto back = DownloadPacket::Decode(packet);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->number, 2u);
    EXPECT_EQ(back->data, data);
    EXPECT_FALSE(DownloadPacket::Decode(ByteView(packet).first(100)).has_value());

    Bytes block(200);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(i * 3);
    }
    const Bytes frame = BuildDataBlockFrame(CMD_UPLOAD, block, 7);
    ASSERT_EQ(frame.size(), kDataBlockFrameSize);
    const DataBlock decoded = DataBlock::Decode(frame);
    EXPECT_TRUE(decoded.checksum.match);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), decoded.data.begin()));
    EXPECT_EQ(decoded.data[200], 0);

    Bytes damaged = frame;
    damaged[100] ^= 0x01;
    EXPECT_FALSE(DataBlock::Decode(damaged).checksum.match);
    // A frame shorter than a block counts as damaged, whatever its checksum says.
    const Bytes shortFrame = BuildFrame(CMD_UPLOAD, Bytes(100, 1));
    EXPECT_FALSE(DataBlock::Decode(shortFrame).checksum.match);
    EXPECT_FALSE(DataBlock::Decode(Hex({0xF0, 0xF7})).checksum.match);

    const Bytes header = BuildFrame(CMD_GET_TAB_FILE, Hex({0x2C, 0x01, 0, 0, 2, 0, 0, 0}));
    const auto table = TableHeaderReply::Decode(header);
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->size, 300u);
    EXPECT_EQ(table->blocks, 2u);
    EXPECT_FALSE(TableHeaderReply::Decode(BuildStatusFrame(CMD_GET_TAB_FILE, 0)).has_value());
}

TEST(SysExRecords, ListingEntries) {
    FileEntry entry{1, 11, 22, 33, 0, 4096, "STYLE01.STY"};
    const Bytes frame = BuildEntryFrame(entry);
    EXPECT_EQ(frame.size(), 100 + 2 * entry.name.size());
    const auto reply = EntryReply::Decode(frame);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->status, 0);
    EXPECT_TRUE(reply->checksum.match);
    EXPECT_EQ(reply->entry, entry);

    Bytes damaged = frame;
    damaged[20] ^= 0x01;
    EXPECT_FALSE(EntryReply::Decode(damaged)->checksum.match);

    // The frame ends before the name it announces: no entry, and a mismatch.
    Bytes cut(frame.begin(), frame.end() - 10);
    cut.push_back(kEnd);
    const auto cutReply = EntryReply::Decode(cut);
    ASSERT_TRUE(cutReply.has_value());
    EXPECT_FALSE(cutReply->entry.has_value());
    EXPECT_FALSE(cutReply->checksum.match);

    FileEntry longName{1, 0, 0, 0, 0, 1, std::string(521, 'L')};
    const auto tooLong = EntryReply::Decode(BuildEntryFrame(longName));
    EXPECT_TRUE(tooLong->nameTooLong);
    EXPECT_FALSE(tooLong->entry.has_value());
    FileEntry longest{0, 0, 0, 0, 0, 0, std::string(520, 'L')};
    EXPECT_EQ(EntryReply::Decode(BuildEntryFrame(longest))->entry, longest);

    const auto end = EntryReply::Decode(BuildStatusFrame(CMD_QUERY_FILES, 1));
    EXPECT_EQ(end->status, 1);
    EXPECT_FALSE(end->entry.has_value());
}

}  // namespace
}  // namespace veltrano
