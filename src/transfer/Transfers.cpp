#include "transfer/Transfers.h"

#include <algorithm>
#include <system_error>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "base/Text.h"
#include "device/Link.h"
#include "device/SysExMessage.h"
#include "transfer/DeviceListing.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUpload = "Upload";
constexpr const char* kDownload = "Download";
constexpr const char* kDelete = "Delete";
constexpr const char* kQuery = "Query files";
constexpr const char* kAbort = "Abort";
constexpr int kMaxTimeouts = 3;
constexpr int kMaxBlockRetries = 3;

// Marks a transfer as running for as long as it is on the stack.
class RunningMark {
public:
    explicit RunningMark(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningMark() { flag_ = false; }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

private:
    bool& flag_;
};

}  // namespace

Transfers::Transfers(Link& link, DeviceListing& listing, TransferObserver& observer)
    : link_(link), listing_(listing), observer_(observer) {}

bool Transfers::IsAcceptableLocalName(const std::string& name) {
    return name.size() <= sysex::kMaxNameLength && IsSafePathComponent(name);
}

bool Transfers::UploadFile(const std::string& name, uint32_t size, const fs::path& localFolder) {
    Reporter& reporter = link_.Report();
    if (!link_.state.connected) {
        reporter.Show(Icon::Warning, kUpload, "Please check the connection of device");
        return false;
    }
    // The name becomes a local file name: nothing from the instrument may lead elsewhere.
    if (!IsAcceptableLocalName(name)) {
        reporter.Show(Icon::Error, kUpload, "Invalid file name: " + name);
        return false;
    }
    Exchange exchange(link_);
    if (!exchange.Begun()) {
        return false;
    }
    const RunningMark running(running_);
    TempFileBeside file(localFolder / name);
    if (!file.Open()) {
        reporter.Show(Icon::Error, kUpload, "Create file failed: " + name);
        return false;
    }

    const uint32_t blocks = static_cast<uint32_t>((uint64_t{size} + 255) / 256);
    const TransferHeader header{name, size, blocks};
    auto fail = [&](Icon icon, const std::string& text) {
        file.Discard();
        reporter.Show(icon, kUpload, text);
        return false;
    };
    int timeouts = 0;

restart:
    link_.ArmReplyWait();
    if (!link_.Sender().SendUploadRequest(header)) {
        return fail(Icon::Error, "Send long message failed: " + name);
    }
    if (link_.WaitReply() == WaitResult::Timeout) {
        if (++timeouts <= kMaxTimeouts) {
            link_.DrainLateAnswers();
            goto restart;
        }
        return fail(Icon::Error, "Time out: " + name);
    }
    if (link_.state.abort) {
        return fail(Icon::Warning, "Uploading is aborted: " + name);
    }
    link_.ArmReplyWait();
    {
        const Bytes& reply = link_.LastFrame();
        if (sysex::FrameCommand(reply) != sysex::CMD_UPLOAD) {
            return fail(Icon::Error, "Command error: " + name);
        }
        const auto status = sysex::ReplyStatus(reply);
        if (status == 0) {
            if (!link_.Sender().SendAck(sysex::CMD_UPLOAD, sysex::kAckOk)) {
                return fail(Icon::Error, "Send long message failed: " + name);
            }
        } else if (status == 2) {
            return fail(Icon::Error, "Checksum error: " + name);
        } else if (status == 3) {
            file.Discard();
            exchange.Pause();
            reporter.Show(Icon::Error, kUpload, "This file is not exist: " + name);
            observer_.ListDeviceAgain();
            return false;
        }
        // Any other status: no acknowledgement, the first block comes anyway.
    }

    {
        int retries = 0;
        uint32_t b = 0;
        while (b < blocks) {
            if (link_.state.abort) {
                return fail(Icon::Warning, "Uploading is aborted: " + name);
            }
            const size_t length = b + 1 < blocks ? sysex::kUploadBlockSize
                                                 : size - size_t{b} * sysex::kUploadBlockSize;
            if (link_.WaitReply() == WaitResult::Timeout) {
                if (++timeouts <= kMaxTimeouts) {
                    link_.DrainLateAnswers();
                    goto restart;  // the whole file again, from block 0
                }
                return fail(Icon::Error, "Time out: " + name);
            }
            if (link_.state.abort) {
                return fail(Icon::Warning, "Uploading is aborted: " + name);
            }
            const DataBlock block = DataBlock::Decode(link_.LastFrame());
            if (block.checksum.match) {
                const std::string_view data(reinterpret_cast<const char*>(block.data.data()),
                                            length);
                if (!file.WriteAt(uint64_t{b} * sysex::kUploadBlockSize, data)) {
                    (void)AbortTransfer();
                    return fail(Icon::Error, "The disk is full");
                }
                if (!link_.Sender().SendAck(sysex::CMD_UPLOAD, sysex::kAckOk)) {
                    return fail(Icon::Error, "Send long message failed: " + name);
                }
                retries = 0;
                ++b;
                observer_.Progress(std::min<uint64_t>(uint64_t{b} * sysex::kUploadBlockSize, size),
                                   size);
            } else {
                if (!link_.Sender().SendAck(sysex::CMD_UPLOAD, sysex::kAckChecksumError)) {
                    return fail(Icon::Error, "Send long message failed: " + name);
                }
                if (++retries > kMaxBlockRetries) {
                    return fail(Icon::Error,
                                "Checksum error: " + sysex::ChecksumText(block.checksum, true) +
                                    " - " + name);
                }
            }
            link_.ArmReplyWait();
        }
    }
    if (!file.Commit()) {
        reporter.Show(Icon::Error, kUpload, "Create file failed: " + name);
        return false;
    }
    return true;
}

bool Transfers::AbortTransfer() {
    Reporter& reporter = link_.Report();
    if (!link_.Busy()) {
        return true;
    }
    if (!link_.state.connected) {
        reporter.Show(Icon::Warning, kAbort, "No connection with device");
        return false;
    }
    // This runs inside the interrupted sequence's wait, whose exchange holds busy and clears
    // it (and abort) when that sequence has ended.
    link_.ArmReplyWait();
    if (!link_.Sender().SendAbort()) {
        reporter.Show(Icon::Error, kAbort, "Send long message failed");
        return false;
    }
    link_.state.abort = true;
    if (link_.WaitReply() == WaitResult::Timeout) {
        reporter.Show(Icon::Error, kAbort, "Time out");
        return false;
    }
    return true;
}

bool Transfers::DownloadFile(const fs::path& path) {
    declined_ = false;
    Reporter& reporter = link_.Report();
    const std::string name = path.filename().string();
    const std::string shownPath = path.string();
    if (!link_.state.connected) {
        reporter.Show(Icon::Warning, kDownload, "Please check the connection of device");
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        reporter.Show(Icon::Error, kDownload, "This file is not exist: " + shownPath);
        observer_.ListLocalAgain();
        return false;
    }
    if (name.size() > sysex::kMaxNameLength) {
        reporter.Show(Icon::Error, kDownload, "Invalid file name: " + name);
        return false;
    }
    const uintmax_t length = fs::file_size(path, ec);
    if (ec) {
        reporter.Show(Icon::Error, kDownload, "Open file failed: " + shownPath);
        return false;
    }
    if (length > kMaxDownloadSize) {
        reporter.Show(Icon::Error, kDownload,
                      "The file size can't be more than 256M: " + shownPath);
        return false;
    }
    const auto image = ReadFileBytes(path, kMaxDownloadSize);
    if (!image) {
        reporter.Show(Icon::Error, kDownload, "Open file failed: " + shownPath);
        return false;
    }

    Exchange exchange(link_);
    if (!exchange.Begun()) {
        return false;
    }
    const RunningMark running(running_);
    auto fail = [&](Icon icon, const std::string& text) {
        reporter.Show(icon, kDownload, text);
        return false;
    };
    const uint32_t size = static_cast<uint32_t>(image->size());
    const uint32_t blocks = static_cast<uint32_t>((uint64_t{size} + 1023) / 1024);
    int timeouts = 0;

    // After a time-out, or a damaged header: the reset command, a pause, and the whole file
    // again. A reset that cannot be sent ends the download.
    auto resetAndPause = [&](bool afterTimeout) {
        if (!link_.Sender().SendDownloadReset()) {
            return false;
        }
        if (afterTimeout) {
            link_.DrainLateAnswers();
        }
        link_.Loop().Sleep(kRestartPause);
        return true;
    };
    // Waits for the instrument's answer to the header or a packet.
    enum class Step { Reply, Restart, Fail };
    const auto awaitReply = [&]() {
        if (link_.WaitReply() == WaitResult::Timeout) {
            if (++timeouts > kMaxTimeouts) {
                fail(Icon::Error, "Time out: " + name);
                return Step::Fail;
            }
            if (!resetAndPause(true)) {
                fail(Icon::Error, "Send long message failed: " + name);
                return Step::Fail;
            }
            return Step::Restart;
        }
        if (link_.state.abort) {
            fail(Icon::Warning, "Downloading is aborted: " + name);
            return Step::Fail;
        }
        if (sysex::FrameCommand(link_.LastFrame()) != sysex::CMD_DOWNLOAD) {
            fail(Icon::Error, "Command error: " + name);
            return Step::Fail;
        }
        return Step::Reply;
    };

restart:
    link_.ArmReplyWait();
    // The header describes the bytes that were read, which are the bytes the packets carry,
    // even when the file changes on disk meanwhile.
    if (!link_.Sender().SendDownloadHeader(TransferHeader{name, size, blocks})) {
        return fail(Icon::Error, "Send long message failed: " + name);
    }
    switch (awaitReply()) {
        case Step::Reply:
            break;
        case Step::Restart:
            goto restart;
        case Step::Fail:
            return false;
    }
    switch (sysex::ReplyStatus(link_.LastFrame()).value_or(0xFF)) {
        case 0:
            break;
        case 2:
            if (++timeouts > kMaxTimeouts) {
                return fail(Icon::Error, "Checksum error: " + name);
            }
            if (!resetAndPause(false)) {
                return fail(Icon::Error, "Send long message failed: " + name);
            }
            goto restart;
        case 4: {
            exchange.Pause();
            const Answer answer = reporter.Ask(
                Icon::Question, kDownload,
                "This file(" + name + ") is exist, do you want to overwrite it?", Buttons::YesNo);
            if (answer != Answer::Yes) {
                declined_ = true;
                return true;
            }
            if (!exchange.Resume()) {
                return false;  // another exchange started while the question was open
            }
            if (!DeleteStep(exchange, name)) {
                return fail(Icon::Error, "Delete the file failed: " + name);
            }
            goto restart;
        }
        case 5:
            exchange.Pause();
            return fail(Icon::Error, "The file type is not be supported: " + name);
        default:
            return fail(Icon::Error, "Unknown error: " + name);
    }

    {
        int retries = 0;
        uint32_t b = 0;
        while (b < blocks) {
            if (link_.state.abort) {
                return fail(Icon::Warning, "Downloading is aborted: " + name);
            }
            const size_t offset = size_t{b} * sysex::kDownloadDataSize;
            const size_t length = std::min(sysex::kDownloadDataSize, image->size() - offset);
            const Bytes packet = EncodeDownloadPacket(
                b + 1, AsBytes(std::string_view(*image).substr(offset, length)));
            link_.ArmReplyWait();
            if (!link_.Sender().SendFrame(sysex::BuildFrame(sysex::CMD_DOWNLOAD, packet))) {
                return fail(Icon::Error, "Send long message failed: " + name);
            }
            switch (awaitReply()) {
                case Step::Reply:
                    break;
                case Step::Restart:
                    goto restart;  // a new header, and the file again from packet 1
                case Step::Fail:
                    return false;
            }
            switch (sysex::ReplyStatus(link_.LastFrame()).value_or(0xFF)) {
                case 0:
                    retries = 0;
                    ++b;
                    observer_.Progress(offset + length, size);
                    break;
                case 2:
                    if (++retries >= kMaxBlockRetries) {
                        return fail(Icon::Error,
                                    "Number of retransmission is out of range: " + name);
                    }
                    break;
                case 64:
                    return fail(Icon::Error, "Write failed: " + name);
                case 65:
                    return fail(Icon::Error, "Disk error: " + name);
                case 66:
                    exchange.Pause();
                    return fail(Icon::Error, "Out of memory: " + name);
                default:
                    return fail(Icon::Error, "Unknown error: " + name);
            }
        }
    }
    return true;
}

bool Transfers::DeleteDeviceFile(const std::string& name) {
    Exchange exchange(link_);
    if (!exchange.Begun()) {
        return false;
    }
    return DeleteStep(exchange, name);
}

bool Transfers::DeleteStep(Exchange& exchange, const std::string& name) {
    Reporter& reporter = link_.Report();
    if (name.size() > sysex::kMaxNameLength) {
        reporter.Show(Icon::Error, kDelete, "Invalid file name: " + name);
        return false;
    }
    int failures = 0;
    while (true) {
        link_.ArmReplyWait();
        if (!link_.Sender().SendDelete(name)) {
            reporter.Show(Icon::Error, kDelete, "Send long message failed: " + name);
            return false;
        }
        if (link_.WaitReply() == WaitResult::Timeout) {
            if (++failures > kMaxTimeouts) {
                reporter.Show(Icon::Error, kDelete, "Time out: " + name);
                return false;
            }
            link_.DrainLateAnswers();
            continue;
        }
        const auto status = sysex::ReplyStatus(link_.LastFrame());
        if (status == 2) {
            if (++failures > kMaxTimeouts) {
                reporter.Show(Icon::Error, kDelete, "Time out: " + name);
                return false;
            }
            continue;
        }
        if (status == 1) {
            exchange.Pause();
            reporter.Show(Icon::Error, kDelete,
                          "Delete file failed(it's conflicted or deleted): " + name);
            observer_.ListDeviceAgain();
            return false;
        }
        return true;
    }
}

bool Transfers::QueryFiles(const std::string& requested) {
    Reporter& reporter = link_.Report();
    if (!link_.state.connected) {
        reporter.Show(Icon::Warning, kQuery, "No device be connected");
        return false;
    }
    const std::string path = requested.empty() ? DeviceListing::kDefaultFolder : requested;
    if (path.size() > sysex::kMaxPathLength) {
        reporter.Show(Icon::Error, kQuery, "Invalid path: " + path);
        return false;
    }
    Exchange exchange(link_);
    if (!exchange.Begun()) {
        return false;
    }
    listing_.Clear();
    link_.ArmReplyWait();
    if (!link_.Sender().SendQueryFiles(path)) {
        return false;
    }
    while (true) {
        if (link_.WaitReply() == WaitResult::Timeout) {
            reporter.Show(Icon::Error, kQuery, "Time out");
            return false;
        }
        const auto reply = EntryReply::Decode(link_.LastFrame());
        const uint8_t status = reply ? reply->status : 0xFF;
        if (status != 0) {
            if (status != 1) {
                reporter.Show(Icon::Error, kQuery, "Invalid file flag");
            } else if (!link_.Sender().SendAck(sysex::CMD_QUERY_FILES, sysex::kAckOk)) {
                reporter.Show(Icon::Error, kQuery, "Send long message failed");
                return false;
            }
            listing_.SetFolder(path);
            return true;
        }
        if (!reply->checksum.match) {
            (void)link_.Sender().SendAck(sysex::CMD_QUERY_FILES, sysex::kAckChecksumError);
            exchange.Pause();
            reporter.Show(Icon::Error, kQuery,
                          "Checksum error: " + sysex::ChecksumText(reply->checksum, false));
            return false;
        }
        // An entry whose name does not fit the program's record is left out; the rest of the
        // folder still comes.
        if (reply->entry) {
            listing_.Add(*reply->entry);
        }
        link_.ArmReplyWait();
        if (!link_.Sender().SendAck(sysex::CMD_QUERY_FILES, sysex::kAckOk)) {
            reporter.Show(Icon::Error, kQuery, "Send long message failed");
            return false;
        }
    }
}

}  // namespace veltrano
