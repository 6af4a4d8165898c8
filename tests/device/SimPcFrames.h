#pragma once

// The PC's side of the conversation with the simulated instrument, built with the codec the
// program itself uses.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/SysExMessage.h"
#include "device/peer/SimulatedInstrument.h"

namespace veltrano::simtest {

inline Bytes Ack(uint8_t command, uint8_t status) {
    return sysex::BuildStatusFrame(command, status);
}
inline Bytes ConnectRequest() {
    return sysex::BuildStatusFrame(sysex::CMD_CONNECTION, 0);
}
inline Bytes DisconnectRequest() {
    return sysex::BuildStatusFrame(sysex::CMD_CONNECTION, 1);
}
inline Bytes KeepAlive() {
    return sysex::BuildFrame(sysex::CMD_ACTIVE_SENSE, {});
}
inline Bytes AbortRequest() {
    return sysex::BuildFrame(sysex::CMD_ABORT, {});
}
inline Bytes ResetRequest() {
    return sysex::BuildFrame(sysex::CMD_DOWNLOAD_RESET, {});
}
inline Bytes TableRequest(uint8_t table, bool chinese = false) {
    return sysex::BuildStatusFrame(chinese ? sysex::CMD_GET_TAB_FILE_CN : sysex::CMD_GET_TAB_FILE,
                                   table);
}
inline Bytes QueryRequest(std::string_view path) {
    return sysex::BuildFrame(sysex::CMD_QUERY_FILES, EncodeQueryRecord(path).value());
}

// A transfer header for any name, even one the codec would refuse to build (up to 255 bytes
// of length are claimed; the field holds the first 64).
inline Bytes RawHeader(std::string_view name, uint32_t size, uint32_t count) {
    ByteWriter w;
    w.U16Le(0);
    w.U8(static_cast<uint8_t>(name.size()));
    w.FixedText(name, sysex::kMaxNameLength);
    w.U32Le(size);
    w.U32Le(count);
    return w.Take();
}
inline Bytes UploadRequest(std::string_view name, uint32_t size = 0) {
    return sysex::BuildFrame(sysex::CMD_UPLOAD, RawHeader(name, size, (size + 255) / 256));
}
inline Bytes DownloadHeader(std::string_view name, uint32_t size) {
    return sysex::BuildFrame(sysex::CMD_DOWNLOAD, RawHeader(name, size, (size + 1023) / 1024));
}
inline Bytes DownloadPacketFrame(uint32_t number, ByteView data) {
    return sysex::BuildFrame(sysex::CMD_DOWNLOAD, EncodeDownloadPacket(number, data));
}
inline Bytes DeleteRequest(std::string_view name) {
    ByteWriter w;
    w.U8(static_cast<uint8_t>(name.size()));
    w.FixedText(name, sysex::kMaxNameLength);
    return sysex::BuildFrame(sysex::CMD_DELETE, w.Data());
}
// The same frame with its checksum spoiled.
inline Bytes Damaged(Bytes frame) {
    frame[frame.size() - 4] ^= 0x01;
    return frame;
}

inline Bytes BytesOf(std::string_view text) {
    const ByteView view = AsBytes(text);
    return Bytes(view.begin(), view.end());
}

// Numbered bytes, so that a block in the wrong place shows.
inline Bytes Pattern(size_t size, uint8_t seed = 0) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + seed + i / 256);
    }
    return bytes;
}

// The one answer to a frame; an empty frame (and a failure) when there is not exactly one.
inline Bytes One(SimulatedInstrument& instrument, const Bytes& frame) {
    const auto out = instrument.HandleFrame(frame);
    EXPECT_EQ(out.size(), 1u) << DescribeFrame(frame, true);
    return out.size() == 1 ? out.front().frame : Bytes{};
}

// The status of the one answer; -1 when there is none.
inline int StatusOf(SimulatedInstrument& instrument, const Bytes& frame) {
    const Bytes answer = One(instrument, frame);
    const auto status = sysex::ReplyStatus(answer);
    return status ? *status : -1;
}

// Lists a folder as the PC does, acknowledging every entry and the end.
inline std::vector<FileEntry> List(SimulatedInstrument& instrument, std::string_view path) {
    std::vector<FileEntry> entries;
    Bytes answer = One(instrument, QueryRequest(path));
    for (int guard = 0; guard < 1000 && !answer.empty(); ++guard) {
        const auto reply = EntryReply::Decode(answer);
        if (!reply || reply->status != 0) {
            if (reply && reply->status == 1) {
                EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_QUERY_FILES, 0)).empty());
            }
            break;
        }
        EXPECT_TRUE(reply->checksum.match);
        if (reply->entry) {
            entries.push_back(*reply->entry);
        }
        answer = One(instrument, Ack(sysex::CMD_QUERY_FILES, 0));
    }
    return entries;
}

// Sends a whole file as the PC does; the status of the header and of each packet.
inline std::vector<int> Download(SimulatedInstrument& instrument, std::string_view name,
                                 const Bytes& data) {
    std::vector<int> statuses;
    statuses.push_back(
        StatusOf(instrument, DownloadHeader(name, static_cast<uint32_t>(data.size()))));
    if (statuses.back() != 0) {
        return statuses;
    }
    for (size_t offset = 0, number = 1; offset < data.size(); offset += 1024, ++number) {
        const ByteView part =
            ByteView(data).subspan(offset, std::min<size_t>(1024, data.size() - offset));
        statuses.push_back(
            StatusOf(instrument, DownloadPacketFrame(static_cast<uint32_t>(number), part)));
    }
    return statuses;
}

// Fetches a file as the PC does; nullopt when the first reply is not status 0. Every block is
// checked for its checksum, number and length.
inline std::optional<Bytes> Upload(SimulatedInstrument& instrument, std::string_view name,
                                   uint32_t size) {
    if (StatusOf(instrument, UploadRequest(name, size)) != 0) {
        return std::nullopt;
    }
    Bytes data;
    const uint32_t blocks = (size + 255) / 256;
    for (uint32_t b = 0; b < blocks; ++b) {
        const Bytes frame = One(instrument, Ack(sysex::CMD_UPLOAD, 0));
        EXPECT_EQ(frame.size(), sysex::kDataBlockFrameSize);
        const DataBlock block = DataBlock::Decode(frame);
        EXPECT_TRUE(block.checksum.match);
        const auto head = sysex::DecodePayload(frame, 6);
        if (head) {
            ByteReader r(*head);
            EXPECT_EQ(r.U32Le(), b);
            EXPECT_EQ(r.U16Le(), std::min<uint32_t>(256, size - b * 256));
        }
        const size_t length = std::min<size_t>(256, size - b * 256);
        data.insert(data.end(), block.data.begin(), block.data.begin() + length);
    }
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_UPLOAD, 0)).empty());
    return data;
}

}  // namespace veltrano::simtest
