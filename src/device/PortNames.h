#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltrano {

// Finds a port in a list of port names, as a user names it on the command line:
// - a decimal number is a list position;
// - otherwise an exact name;
// - otherwise a shorter form of one name: for "client:port" names (as JACK lists them) the part
//   after the client, and for names that end in a sequencer address ("Client:Port 128:0", as
//   ALSA lists them) the name without the address, the part after the client, or the address
//   "128:0" alone.
// Returns the position, or -1 when nothing matches or the query fits more than one port.
[[nodiscard]] int FindPort(const std::vector<std::string>& names, std::string_view query);

}  // namespace veltrano
