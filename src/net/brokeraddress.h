#pragma once
// Where a station's samples go: the broker's address as the user writes it,
// mqtt://host[:port] or mqtts://host[:port] (TLS with the server's certificate
// checked), and the station code that names the station's topics.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kordel {

struct BrokerAddress {
    std::string host;
    std::uint16_t port = 0;
    bool tls = false;
};

inline constexpr std::uint16_t kMqttPort = 1883;
inline constexpr std::uint16_t kMqttsPort = 8883;

// The address, or nothing with the reason in `error`. A host is a name or an
// IPv4 address (letters, digits, '.', '-') or an IPv6 address in brackets; a
// port is 1..65535. Anything after the port (a path, user information) is
// refused rather than silently ignored.
std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, std::string& error);

// mqtt://host:port, as shown in the log.
std::string brokerUrlText(const BrokerAddress& address);

// Letters, digits, '-' and '_', 1 to 64 of them: a code that is one topic level
// and never a wildcard or a separator.
bool isValidStationCode(std::string_view code);

// kordel/<CODE>/line and kordel/<CODE>/state.
std::string lineTopic(std::string_view code);
std::string stateTopic(std::string_view code);

}  // namespace kordel
