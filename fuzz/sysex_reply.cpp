// The receive path and every decoder of the instrument's replies, on arbitrary bytes. The
// input is taken both as it comes and wrapped in a valid frame around an arbitrary payload, so
// the decoders see deep inputs and not only frames the receive path throws away.
#include <cstddef>
#include <cstdint>

#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "device/Link.h"
#include "device/MidiPorts.h"
#include "device/SysExMessage.h"

namespace {

class NullOutput : public veltrano::FrameOutput {
public:
    bool SendLong(veltrano::ByteView) override { return true; }
};

void Decode(veltrano::ByteView frame) {
    using namespace veltrano;
    (void)sysex::IsValidFrame(frame);
    (void)sysex::FrameCommand(frame);
    (void)sysex::ReplyStatus(frame);
    (void)sysex::VerifyFrameChecksum(frame);
    (void)ConnectReply::Decode(frame);
    (void)TableHeaderReply::Decode(frame);
    (void)DataBlock::Decode(frame);
    (void)EntryReply::Decode(frame);
    const auto payload = sysex::DecodePayload(frame, frame.size() / 2);
    if (payload) {
        (void)TransferHeader::Decode(*payload);
        (void)DecodeDeleteRecord(*payload);
        (void)DecodeQueryRecord(*payload);
        (void)DownloadPacket::Decode(*payload);
        (void)IdentityRecord::Decode(*payload);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    const ByteView raw(data, size);
    Decode(raw);
    if (size > 0) {
        // A well-formed frame: first byte the command, the rest raw encoded payload.
        Bytes encoded(raw.begin() + 1, raw.end());
        for (uint8_t& b : encoded) {
            b &= 0x7F;
        }
        const Bytes frame = sysex::BuildSysExMsg(data[0] & 0x7F, encoded);
        Decode(frame);

        VirtualEventLoop loop;
        SilentReporter reporter;
        NullOutput output;
        Link link(loop, output, reporter);
        link.OnFrame(Bytes(raw.begin(), raw.end()));
        link.OnFrame(frame);
    }
    return 0;
}
