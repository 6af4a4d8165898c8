#include "device/peer/SimulatedInstrument.h"

#include <algorithm>
#include <cstdio>

#include "base/FileIo.h"
#include "device/FrameDecoder.h"
#include "device/PresetCatalog.h"

namespace veltrano {

namespace {

constexpr uint8_t kStatusOk = 0;
constexpr uint8_t kStatusChecksum = 2;
constexpr uint8_t kListingEnd = 1;
constexpr uint8_t kListingNoFolder = 3;
constexpr uint8_t kDisconnected = 1;
constexpr uint8_t kConnectRefused = 1;
constexpr uint8_t kDeleteFailed = 1;
constexpr uint8_t kUploadMissing = 3;
constexpr uint8_t kDownloadExists = 4;
constexpr uint8_t kDownloadUnsupported = 5;
constexpr uint8_t kPacketWriteFailed = 64;
constexpr uint8_t kPacketDiskError = 65;
constexpr int kTableCount = 7;

size_t BlockCount(size_t size, size_t blockSize) {
    return (size + blockSize - 1) / blockSize;
}

}  // namespace

IdentityRecord DefaultSimIdentity() {
    IdentityRecord identity;
    identity.deviceClass = 1;
    identity.productName = "Arranger SIM-61";
    identity.firmwareVersion = "1.00";
    identity.deviceId = 0;
    identity.controllerTypes = 1;
    identity.pedals = 2;
    identity.knobs = 4;
    identity.pads = 4;
    identity.pitchbend = 1;
    identity.knobFunctionGroups = 3;
    identity.knobCustomGroup = 3;
    return identity;
}

SimulatedInstrument::SimulatedInstrument(SimulatedInstrumentConfig config,
                                         std::unique_ptr<InstrumentStorage> storage)
    : config_(std::move(config)),
      storage_(storage ? std::move(storage) : std::make_unique<MemoryStorage>()),
      random_(config_.seed),
      folder_(instrument_fs::kDefaultFolder) {}

std::vector<SimulatedInstrument::Outgoing> SimulatedInstrument::HandleFrame(
    ByteView frame, EventLoop::TimePoint now) {
    out_.clear();
    now_ = now;
    ++counters_.framesIn;
    if (!sysex::IsValidFrame(frame) || frame.size() < sysex::kFrameOverhead) {
        ++counters_.invalidIn;
        return {};
    }
    Request request;
    request.command = sysex::FrameCommand(frame);
    auto payload = DecodeFramePayload(frame);
    request.damaged = !payload || !sysex::VerifyFrameChecksum(frame).match;
    if (payload) {
        request.payload = std::move(*payload);
    }
    if (request.damaged) {
        ++counters_.badChecksumIn;
    }

    switch (request.command) {
        case sysex::CMD_CONNECTION:
            OnConnection(request);
            break;
        case sysex::CMD_ACTIVE_SENSE:
            if (request.damaged || config_.faults.noKeepAlive) {
                ++counters_.ignored;
            } else {
                OnActiveSense();
            }
            break;
        case sysex::CMD_ABORT:
            if (request.damaged) {
                ++counters_.ignored;
            } else {
                OnAbort();
            }
            break;
        case sysex::CMD_GET_TAB_FILE:
        case sysex::CMD_GET_TAB_FILE_CN:
            OnTable(request, now);
            break;
        case sysex::CMD_QUERY_FILES:
            OnQuery(request);
            break;
        case sysex::CMD_UPLOAD:
            OnUpload(request);
            break;
        case sysex::CMD_DOWNLOAD:
            OnDownload(request);
            break;
        case sysex::CMD_DELETE:
            OnDelete(request);
            break;
        case sysex::CMD_DOWNLOAD_RESET:
            // Throws away a partly received file; the PC expects no answer.
            if (request.damaged) {
                ++counters_.ignored;
            } else {
                EndExchange();
            }
            break;
        default:
            ++counters_.ignored;
            break;
    }
    return std::move(out_);
}

// ---- connection, keep-alive, abort ----

void SimulatedInstrument::OnConnection(const Request& request) {
    if (request.damaged || request.payload.size() != 1 ||
        (request.payload[0] != sysex::kConnect && request.payload[0] != sysex::kDisconnect)) {
        ++counters_.ignored;
        return;
    }
    EndExchange();
    if (request.payload[0] == sysex::kConnect) {
        const uint8_t status =
            FinalStatus(StatusPoint::Connect,
                        config_.faults.refuseConnect ? kConnectRefused : kStatusOk, false);
        connected_ = status == kStatusOk;
        ByteWriter payload(1 + sysex::kIdentitySize);
        payload.U8(status);
        payload.Append(config_.identity.Encode());
        Answer(sysex::BuildFrame(sysex::CMD_CONNECTION, payload.Data()));
    } else {
        const uint8_t status = FinalStatus(StatusPoint::Disconnect, kDisconnected, false);
        if (status == kDisconnected) {
            connected_ = false;
        }
        Answer(sysex::BuildStatusFrame(sysex::CMD_CONNECTION, status));
    }
}

void SimulatedInstrument::OnActiveSense() {
    // Keep-alive answers are not part of any exchange, so they do not count as the answer an
    // acknowledgement refers to.
    const bool lost = lastAnswerLost_;
    const EventLoop::TimePoint due = lastAnswerDue_;
    Answer(sysex::BuildFrame(sysex::CMD_ACTIVE_SENSE, {}));
    lastAnswerLost_ = lost;
    lastAnswerDue_ = due;
}

void SimulatedInstrument::OnAbort() {
    EndExchange();
    Answer(sysex::BuildStatusFrame(sysex::CMD_ABORT, kStatusOk));
}

// ---- preset tables ----

void SimulatedInstrument::OnTable(const Request& request, EventLoop::TimePoint now) {
    if (request.damaged || request.payload.size() != 1) {
        ++counters_.ignored;
        return;
    }
    const uint8_t value = request.payload[0];
    // Table numbers 0 and 2 look exactly like the acknowledgements 0 and 2.
    const bool isAck = exchange_ == Exchange::Table && command_ == request.command &&
                       (value == sysex::kAckOk || value == sysex::kAckChecksumError) &&
                       LastAnswerArrived(now);
    if (isAck) {
        if (value == sysex::kAckChecksumError) {
            Answer(lastFrame_);
        } else if (nextBlock_ < blocks_) {
            SendBlock(nextBlock_);
        } else {
            EndExchange();
        }
        return;
    }
    EndExchange();
    if (value >= kTableCount) {
        ++counters_.ignored;
        return;
    }
    if (request.command == sysex::CMD_GET_TAB_FILE_CN) {
        if (config_.faults.ignoreChinese) {
            ++counters_.ignored;
            return;
        }
        if (config_.faults.refuseChinese) {
            // The answer of an instrument without Chinese tables: the English command byte.
            ByteWriter header(sysex::kTableHeaderPayloadSize);
            header.U32Le(0);
            header.U32Le(0);
            Answer(sysex::BuildFrame(sysex::CMD_GET_TAB_FILE, header.Data()));
            return;
        }
    }
    StartTable(request.command, value);
}

void SimulatedInstrument::StartTable(uint8_t command, uint8_t table) {
    const std::string fileName =
        PresetCatalog::TableFileName(table, command == sysex::CMD_GET_TAB_FILE_CN);
    std::optional<std::string> bytes;
    if (!config_.tablesFolder.empty()) {
        bytes = ReadFileBytes(config_.tablesFolder / fileName, kMaxTableSize);
    }
    if (bytes) {
        const ByteView view = AsBytes(*bytes);
        data_.assign(view.begin(), view.end());
    }
    exchange_ = Exchange::Table;
    command_ = command;
    blocks_ = BlockCount(data_.size(), sysex::kUploadBlockSize);
    nextBlock_ = 0;
    ByteWriter header(sysex::kTableHeaderPayloadSize);
    header.U32Le(static_cast<uint32_t>(data_.size()));
    header.U32Le(static_cast<uint32_t>(blocks_));
    lastFrame_ = sysex::BuildFrame(command, header.Data());
    Answer(lastFrame_);
}

void SimulatedInstrument::SendBlock(size_t index) {
    const size_t offset = index * sysex::kUploadBlockSize;
    const size_t length = std::min(sysex::kUploadBlockSize, data_.size() - offset);
    lastFrame_ = BuildDataBlockFrame(command_, ByteView(data_).subspan(offset, length),
                                     static_cast<uint32_t>(index));
    nextBlock_ = index + 1;
    Answer(lastFrame_);
}

// ---- listing ----

void SimulatedInstrument::OnQuery(const Request& request) {
    if (request.damaged) {
        ++counters_.ignored;
        return;
    }
    if (request.payload.size() == 1) {
        if (exchange_ != Exchange::Listing) {
            ++counters_.ignored;
        } else if (request.payload[0] == sysex::kAckOk) {
            if (endSent_) {
                // The PC takes the folder as its current one once it has seen the end.
                folder_ = listingFolder_;
                EndExchange();
            } else {
                SendNextEntry();
            }
        } else {
            // Acknowledgement 2: the PC has given up on this listing.
            EndExchange();
        }
        return;
    }
    const auto path = request.payload.size() == sysex::kQueryRecordSize
                          ? DecodeQueryRecord(request.payload)
                          : std::nullopt;
    if (!path) {
        ++counters_.ignored;
        return;
    }
    EndExchange();
    const auto folder = instrument_fs::CanonicalFolder(*path);
    if (const auto forced = config_.faults.Forced(StatusPoint::Query)) {
        ++counters_.forced;
        if (*forced == kListingEnd && folder) {
            // An empty listing: the folder becomes current with the PC's acknowledgement.
            exchange_ = Exchange::Listing;
            listingFolder_ = *folder;
            endSent_ = true;
        } else if (*forced != kStatusOk) {
            // The PC ends an invalid listing without an acknowledgement and takes the folder.
            folder_ = folder;
        }
        Answer(sysex::BuildStatusFrame(sysex::CMD_QUERY_FILES, *forced));
        return;
    }
    if (!folder) {
        folder_.reset();
        Answer(sysex::BuildStatusFrame(sysex::CMD_QUERY_FILES, kListingNoFolder));
        return;
    }
    exchange_ = Exchange::Listing;
    listingFolder_ = *folder;
    entries_ = storage_->List(*folder);
    nextEntry_ = 0;
    endSent_ = false;
    SendNextEntry();
}

void SimulatedInstrument::SendNextEntry() {
    if (nextEntry_ < entries_.size()) {
        Answer(BuildEntryFrame(entries_[nextEntry_++]));
    } else {
        endSent_ = true;
        Answer(sysex::BuildStatusFrame(sysex::CMD_QUERY_FILES, kListingEnd));
    }
}

// ---- upload (instrument to PC) ----

void SimulatedInstrument::OnUpload(const Request& request) {
    if (request.payload.size() == 1 && !request.damaged) {
        if (exchange_ != Exchange::Upload) {
            ++counters_.ignored;
        } else if (request.payload[0] == sysex::kAckOk) {
            if (nextBlock_ < blocks_) {
                SendBlock(nextBlock_);
            } else {
                EndExchange();
            }
        } else if (request.payload[0] == sysex::kAckChecksumError && !lastFrame_.empty()) {
            Answer(lastFrame_);
        } else {
            ++counters_.ignored;
        }
        return;
    }
    if (request.payload.size() == 1 ||
        (!request.damaged && request.payload.size() != sysex::kTransferHeaderSize)) {
        // A damaged acknowledgement, or not an upload request at all.
        ++counters_.ignored;
        return;
    }
    // Any request starts the upload again from the beginning.
    EndExchange();
    if (request.damaged) {
        Answer(sysex::BuildStatusFrame(sysex::CMD_UPLOAD, kStatusChecksum));
        return;
    }
    const uint8_t found = UploadStatus(request);
    const uint8_t status = FinalStatus(StatusPoint::Upload, found, found == kStatusOk);
    Answer(sysex::BuildStatusFrame(sysex::CMD_UPLOAD, status));
    if (status == kStatusChecksum || status == kUploadMissing) {
        data_.clear();
        return;
    }
    exchange_ = Exchange::Upload;
    command_ = sysex::CMD_UPLOAD;
    blocks_ = BlockCount(data_.size(), sysex::kUploadBlockSize);
    nextBlock_ = 0;
    lastFrame_.clear();
    // After any other status the PC sends no acknowledgement and waits for the first block.
    if (status != kStatusOk && blocks_ > 0) {
        SendBlock(0);
    }
}

uint8_t SimulatedInstrument::UploadStatus(const Request& request) {
    const auto header = TransferHeader::Decode(request.payload);
    if (!header || !folder_ || !instrument_fs::IsAcceptableFileName(header->name)) {
        return kUploadMissing;
    }
    auto bytes = storage_->ReadFile(*folder_, header->name, kMaxFileSize);
    if (!bytes) {
        return kUploadMissing;
    }
    data_ = std::move(*bytes);
    return kStatusOk;
}

// ---- download (PC to instrument) ----

void SimulatedInstrument::OnDownload(const Request& request) {
    const size_t size = request.payload.size();
    if (size == sysex::kTransferHeaderSize ||
        (request.damaged && size != sysex::kDownloadPacketSize &&
         exchange_ != Exchange::Download)) {
        OnDownloadHeader(request);
    } else if (size == sysex::kDownloadPacketSize || request.damaged) {
        OnDownloadPacket(request);
    } else {
        ++counters_.ignored;
    }
}

void SimulatedInstrument::OnDownloadHeader(const Request& request) {
    // A new header throws away whatever part of a file came before it.
    EndExchange();
    if (request.damaged) {
        Answer(sysex::BuildStatusFrame(sysex::CMD_DOWNLOAD, kStatusChecksum));
        return;
    }
    const auto header = TransferHeader::Decode(request.payload);
    // Refusals that no forced status overrides: nothing unsafe or too large is ever written.
    if (!header || !folder_ || !instrument_fs::IsAcceptableFileName(header->name) ||
        !instrument_fs::HasAcceptedExtension(header->name) || header->size > kMaxFileSize) {
        Answer(sysex::BuildStatusFrame(sysex::CMD_DOWNLOAD, kDownloadUnsupported));
        return;
    }
    const auto packets = static_cast<uint32_t>(BlockCount(header->size, sysex::kDownloadDataSize));
    uint8_t status = kStatusOk;
    if (header->count != packets) {
        status = kStatusChecksum;  // the header contradicts itself: it was damaged on the way
    } else if (storage_->NameTaken(*folder_, header->name)) {
        status = kDownloadExists;
    }
    status = FinalStatus(StatusPoint::DownloadHeader, status, status == kStatusOk);
    if (status != kStatusOk) {
        Answer(sysex::BuildStatusFrame(sysex::CMD_DOWNLOAD, status));
        return;
    }
    writer_ = storage_->BeginWrite(*folder_, header->name);
    writerFailed_ = writer_ == nullptr;
    if (packets == 0) {
        // An empty file has no packets: it is complete with its header.
        if (writerFailed_ || !writer_->Commit()) {
            EndExchange();
            Answer(sysex::BuildStatusFrame(sysex::CMD_DOWNLOAD, kPacketDiskError));
            return;
        }
        ++counters_.filesWritten;
        EndExchange();
        Answer(sysex::BuildStatusFrame(sysex::CMD_DOWNLOAD, kStatusOk));
        return;
    }
    exchange_ = Exchange::Download;
    downloadSize_ = header->size;
    packets_ = packets;
    nextPacket_ = 1;
    Answer(sysex::BuildStatusFrame(sysex::CMD_DOWNLOAD, kStatusOk));
}

void SimulatedInstrument::OnDownloadPacket(const Request& request) {
    if (exchange_ != Exchange::Download) {
        ++counters_.ignored;
        return;
    }
    bool complete = false;
    const uint8_t status = PacketStatus(request, complete);
    if (status != kStatusOk && status != kStatusChecksum) {
        // The PC gives up after any other status; the partial file goes.
        EndExchange();
    } else if (complete) {
        ++counters_.filesWritten;
        EndExchange();
    }
    Answer(sysex::BuildStatusFrame(sysex::CMD_DOWNLOAD, status));
}

uint8_t SimulatedInstrument::PacketStatus(const Request& request, bool& complete) {
    if (request.damaged) {
        return kStatusChecksum;
    }
    const auto packet = DownloadPacket::Decode(request.payload);
    if (!packet) {
        return kStatusChecksum;
    }
    if (packet->number >= 1 && packet->number < nextPacket_) {
        return kStatusOk;  // a repeat of a packet already stored
    }
    const size_t expected = packet->number < packets_
                                ? sysex::kDownloadDataSize
                                : downloadSize_ - sysex::kDownloadDataSize * (packets_ - 1);
    if (packet->number != nextPacket_ || packet->data.size() != expected) {
        return kStatusChecksum;
    }
    if (writerFailed_) {
        return kPacketDiskError;
    }
    const uint8_t status = FinalStatus(StatusPoint::DownloadPacket, kStatusOk, true);
    if (status != kStatusOk) {
        return status;
    }
    if (!writer_->Append(packet->data)) {
        return kPacketWriteFailed;
    }
    ++nextPacket_;
    if (nextPacket_ > packets_) {
        if (!writer_->Commit()) {
            return kPacketWriteFailed;
        }
        complete = true;
    }
    return kStatusOk;
}

// ---- delete ----

void SimulatedInstrument::OnDelete(const Request& request) {
    if (!request.damaged && request.payload.size() != sysex::kDeleteRecordSize) {
        ++counters_.ignored;
        return;
    }
    EndExchange();
    const uint8_t status = request.damaged ? kStatusChecksum : DeleteStatus(request);
    Answer(sysex::BuildStatusFrame(sysex::CMD_DELETE, status));
}

uint8_t SimulatedInstrument::DeleteStatus(const Request& request) {
    const auto name = DecodeDeleteRecord(request.payload);
    if (!name || !folder_ || !instrument_fs::IsAcceptableFileName(*name)) {
        return kDeleteFailed;
    }
    const bool exists = storage_->FindFile(*folder_, *name).has_value();
    const uint8_t status =
        FinalStatus(StatusPoint::Delete, exists ? kStatusOk : kDeleteFailed, exists);
    if (status != kStatusOk || !exists) {
        return status;
    }
    if (!storage_->RemoveFile(*folder_, *name)) {
        return kDeleteFailed;
    }
    ++counters_.filesDeleted;
    return kStatusOk;
}

// ---- common ----

void SimulatedInstrument::EndExchange() {
    exchange_ = Exchange::None;
    command_ = 0;
    data_.clear();
    blocks_ = 0;
    nextBlock_ = 0;
    lastFrame_.clear();
    entries_.clear();
    nextEntry_ = 0;
    endSent_ = false;
    listingFolder_.clear();
    writer_.reset();  // an unfinished file is discarded
    writerFailed_ = false;
    downloadSize_ = 0;
    packets_ = 0;
    nextPacket_ = 1;
}

uint8_t SimulatedInstrument::FinalStatus(StatusPoint point, uint8_t status, bool nakAllowed) {
    if (const auto forced = config_.faults.Forced(point)) {
        ++counters_.forced;
        return *forced;
    }
    if (nakAllowed && status == kStatusOk && Chance(config_.faults.nak)) {
        ++counters_.naks;
        return kStatusChecksum;
    }
    return status;
}

void SimulatedInstrument::Answer(Bytes frame) {
    ++counters_.answers;
    if (Chance(config_.faults.drop)) {
        ++counters_.dropped;
        lastAnswerLost_ = true;
        return;
    }
    lastAnswerLost_ = false;
    if (Chance(config_.faults.corrupt) && frame.size() >= sysex::kFrameOverhead) {
        // The low seven bits of the checksum's low byte: still a well-formed frame.
        frame[frame.size() - 4] ^= 0x01;
        ++counters_.corrupted;
    }
    EventLoop::Duration delay{0};
    if (Chance(config_.faults.late)) {
        delay = config_.faults.lateDelay;
        ++counters_.delayed;
    }
    lastAnswerDue_ = now_ + delay;
    ++counters_.framesOut;
    out_.push_back(Outgoing{std::move(frame), delay});
}

bool SimulatedInstrument::Chance(double probability) {
    if (probability <= 0.0) {
        return false;
    }
    // Drawn the same way on every platform: mt19937's output is fixed by the standard, the
    // library's distributions are not.
    const double draw = static_cast<double>(random_()) / 4294967296.0;
    return draw < probability;
}

bool SimulatedInstrument::LastAnswerArrived(EventLoop::TimePoint now) const {
    return !lastAnswerLost_ && now >= lastAnswerDue_;
}

// ---- descriptions for logs ----

std::string DescribeFrame(ByteView frame, bool fromPc) {
    return DecodeMidiMessage(frame, fromPc).Line();
}

}  // namespace veltrano
