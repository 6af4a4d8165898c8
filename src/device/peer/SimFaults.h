#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano {

// The replies of the simulated instrument whose status can be forced.
enum class StatusPoint {
    Connect,         // "connect": the connect reply (0 accepts)
    Disconnect,      // "disconnect": the disconnect reply (1 accepts)
    Upload,          // "upload": the first reply to an upload request
    DownloadHeader,  // "download": the reply to a download's transfer header
    DownloadPacket,  // "download-packet": the reply to every download data packet
    Delete,          // "delete"
    Query,           // "query": a listing is answered by one frame with this status instead
};
inline constexpr size_t kStatusPointCount = 7;

[[nodiscard]] std::string_view StatusPointName(StatusPoint point);

// What the simulated instrument does wrong, on purpose. The probabilities apply to every answer
// it sends, each drawn from the instrument's seeded generator, so a run repeats exactly.
struct SimFaults {
    double drop = 0.0;     // the answer is lost
    double corrupt = 0.0;  // the answer's checksum is wrong
    double late = 0.0;     // the answer comes after lateDelay (past the PC's one-second wait)
    double nak = 0.0;      // status 2 instead of 0 where a checksum error may be reported
    std::chrono::milliseconds lateDelay{1500};

    bool refuseConnect = false;  // the connect reply carries status 1
    bool refuseChinese = false;  // Chinese table requests are answered with command 0x04
    bool ignoreChinese = false;  // Chinese table requests are not answered
    bool noKeepAlive = false;    // keep-alive requests are not answered

    std::array<std::optional<uint8_t>, kStatusPointCount> forced{};

    [[nodiscard]] std::optional<uint8_t> Forced(StatusPoint point) const {
        return forced[static_cast<size_t>(point)];
    }
    void Force(StatusPoint point, uint8_t status) { forced[static_cast<size_t>(point)] = status; }
    [[nodiscard]] bool Any() const;
    bool operator==(const SimFaults&) const = default;
};

struct FaultListResult {
    SimFaults faults;
    std::string error;  // empty when the text was understood
    [[nodiscard]] bool Ok() const { return error.empty(); }
};

// Reads a comma-separated fault list:
//   drop=P corrupt=P late=P nak=P   probabilities from 0 to 1 per answer
//   late-ms=N                       the delay of a late answer (default 1500)
//   refuse-connect refuse-cn ignore-cn no-keepalive
//   status=POINT:N                  POINT one of connect, disconnect, upload, download,
//                                   download-packet, delete, query; N from 0 to 255
// "download:64", ":65" and ":66" mean the packets, since only packets carry those statuses.
// A forced status replaces the status the instrument would send; the request's action (storing,
// deleting, sending blocks) happens only when the forced status is the success one. It never
// makes the instrument accept a name, folder, type or size it refuses.
// Blanks around items are ignored; an empty text means no faults.
[[nodiscard]] FaultListResult ParseFaultList(std::string_view text);

// The faults in the form ParseFaultList reads.
[[nodiscard]] std::string FormatFaultList(const SimFaults& faults);

}  // namespace veltrano
