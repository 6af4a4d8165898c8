#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "base/EventLoop.h"
#include "device/SysExMessage.h"
#include "device/peer/InstrumentStorage.h"
#include "device/peer/SimFaults.h"

namespace veltrano {

// The identity the simulated instrument reports when it is not told otherwise.
[[nodiscard]] IdentityRecord DefaultSimIdentity();

struct SimulatedInstrumentConfig {
    IdentityRecord identity = DefaultSimIdentity();
    // Where the preset tables are read from, by their usual file names. A missing table is
    // served as an empty one.
    std::filesystem::path tablesFolder;
    SimFaults faults;
    uint32_t seed = 0;
};

struct SimCounters {
    uint64_t framesIn = 0;       // everything handed to HandleFrame
    uint64_t invalidIn = 0;      // not one of our frames at all
    uint64_t badChecksumIn = 0;  // ours, but damaged
    uint64_t ignored = 0;        // valid frames that get no answer (also refused tables)
    uint64_t answers = 0;        // answers made, before drop/corrupt/late
    uint64_t framesOut = 0;      // answers actually sent
    uint64_t dropped = 0;
    uint64_t corrupted = 0;
    uint64_t delayed = 0;
    uint64_t naks = 0;    // status 2 sent by the nak fault
    uint64_t forced = 0;  // statuses replaced by a forced one
    uint64_t filesWritten = 0;
    uint64_t filesDeleted = 0;
};

// The instrument at the other end of the cable, as a state machine: each frame from the PC goes
// in, the frames the instrument answers with come out. It keeps at most one exchange going
// (a table, a listing, an upload or a download); every new request replaces the one before.
//
// Storage: the folders USER, USER\VOICE, USER\STYLE, USER\SONG and USB. Uploads, downloads and
// deletes work in the current folder, which is the folder of the last completed listing (USER
// at start). A listing of a folder the instrument does not have is answered with status 3, which
// the PC takes as the end of an invalid listing; the instrument then has no current folder until
// the next good listing, so uploads answer 3, downloads 5 and deletes 1. Names from the PC that
// the storage does not accept are refused the same way. Names compare without letter case. A
// download must carry one of the accepted extensions (status 5 otherwise), must not be larger
// than kMaxFileSize, and its file is stored only when its last packet has arrived; packets come
// in order from number 1, and one out of order or of the wrong length is answered with 2.
//
// Damaged frames from the PC (bad checksum) are answered with status 2 where the PC expects
// that (upload request, download header and packets, delete) and are ignored otherwise.
class SimulatedInstrument {
public:
    // One answer; `delay` is extra time before it leaves (the late fault).
    struct Outgoing {
        Bytes frame;
        EventLoop::Duration delay{0};
    };

    enum class Exchange { None, Table, Listing, Upload, Download };

    // Without a storage, files live in memory.
    explicit SimulatedInstrument(SimulatedInstrumentConfig config,
                                 std::unique_ptr<InstrumentStorage> storage = nullptr);

    // `now` is when the frame arrived. It tells a table acknowledgement from a new request of
    // the same bytes: an acknowledgement cannot come before the answer it acknowledges could
    // have arrived (a dropped or late answer), so such a frame starts the request again.
    [[nodiscard]] std::vector<Outgoing> HandleFrame(ByteView frame, EventLoop::TimePoint now = {});

    [[nodiscard]] const SimCounters& Counters() const { return counters_; }
    [[nodiscard]] InstrumentStorage& Storage() { return *storage_; }
    // The current folder; nullopt after a listing of a folder the instrument does not have.
    [[nodiscard]] const std::optional<std::string>& CurrentFolder() const { return folder_; }
    [[nodiscard]] bool Connected() const { return connected_; }
    [[nodiscard]] Exchange CurrentExchange() const { return exchange_; }

    [[nodiscard]] const SimFaults& Faults() const { return config_.faults; }
    void SetFaults(const SimFaults& faults) { config_.faults = faults; }
    [[nodiscard]] const IdentityRecord& Identity() const { return config_.identity; }
    void SetIdentity(const IdentityRecord& identity) { config_.identity = identity; }

    // Files larger than this are neither received nor sent (the PC's own limit).
    static constexpr uint32_t kMaxFileSize = 0x10000000;
    // A table larger than this is served as an empty one.
    static constexpr uint64_t kMaxTableSize = 16 * 1024 * 1024;

private:
    // A frame split into what the handlers need.
    struct Request {
        uint8_t command = 0;
        Bytes payload;
        bool damaged = false;  // bad checksum, or a payload that is not whole pairs
    };

    void OnConnection(const Request& request);
    void OnActiveSense();
    void OnAbort();
    void OnTable(const Request& request, EventLoop::TimePoint now);
    void OnQuery(const Request& request);
    void OnUpload(const Request& request);
    void OnDownload(const Request& request);
    void OnDownloadHeader(const Request& request);
    void OnDownloadPacket(const Request& request);
    void OnDelete(const Request& request);

    void StartTable(uint8_t command, uint8_t table);
    void SendNextEntry();
    void SendBlock(size_t index);
    [[nodiscard]] uint8_t UploadStatus(const Request& request);
    [[nodiscard]] uint8_t PacketStatus(const Request& request, bool& complete);
    [[nodiscard]] uint8_t DeleteStatus(const Request& request);

    void EndExchange();
    // The status after forced statuses and the nak fault; nak only where a checksum error
    // may be reported and only in place of a success.
    [[nodiscard]] uint8_t FinalStatus(StatusPoint point, uint8_t status, bool nakAllowed);
    // Queues an answer, with the drop, corrupt and late faults applied.
    void Answer(Bytes frame);
    [[nodiscard]] bool Chance(double probability);
    // True when an acknowledgement of the last answer can have been sent by `now`.
    [[nodiscard]] bool LastAnswerArrived(EventLoop::TimePoint now) const;

    SimulatedInstrumentConfig config_;
    std::unique_ptr<InstrumentStorage> storage_;
    std::mt19937 random_;
    SimCounters counters_;
    std::vector<Outgoing> out_;
    EventLoop::TimePoint now_{};

    bool connected_ = false;
    std::optional<std::string> folder_;

    // The exchange in progress and its data.
    Exchange exchange_ = Exchange::None;
    uint8_t command_ = 0;   // of the table exchange (0x04 or 0x05)
    Bytes data_;            // the table or the file being sent
    size_t blocks_ = 0;     // blocks of data_
    size_t nextBlock_ = 0;  // the block an acknowledgement 0 asks for
    Bytes lastFrame_;       // repeated after an acknowledgement 2
    std::vector<FileEntry> entries_;
    size_t nextEntry_ = 0;
    bool endSent_ = false;
    std::string listingFolder_;
    std::unique_ptr<StorageWriter> writer_;
    bool writerFailed_ = false;
    uint32_t downloadSize_ = 0;
    uint32_t packets_ = 0;
    uint32_t nextPacket_ = 1;

    // What became of the last answer, for telling acknowledgements from new requests.
    bool lastAnswerLost_ = false;
    EventLoop::TimePoint lastAnswerDue_{};
};

// One line about a frame for logs, as the MIDI monitor decodes it: the command's name, then
// its fields ("status=0", "name="A.MID" size=300 count=2", "entry="VOICE" (folder)", …).
// `fromPc` tells requests from answers.
[[nodiscard]] std::string DescribeFrame(ByteView frame, bool fromPc);

}  // namespace veltrano
