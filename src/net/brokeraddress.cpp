#include "net/brokeraddress.h"

#include <charconv>

namespace kordel {

namespace {

bool isAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isHostName(std::string_view h) {
    if (h.empty() || h.size() > 253) {
        return false;
    }
    for (char c : h) {
        if (!isAlnum(c) && c != '.' && c != '-') {
            return false;
        }
    }
    return true;
}

bool isIpv6(std::string_view h) {
    if (h.size() < 2) {
        return false;
    }
    for (char c : h) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != ':' && c != '.') {
            return false;
        }
    }
    return true;
}

std::optional<BrokerAddress> fail(std::string& error, std::string text) {
    error = std::move(text);
    return std::nullopt;
}

}  // namespace

std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, std::string& error) {
    BrokerAddress a;
    constexpr std::string_view plain = "mqtt://";
    constexpr std::string_view secure = "mqtts://";
    std::string_view rest;
    if (url.starts_with(plain)) {
        rest = url.substr(plain.size());
        a.port = kMqttPort;
    } else if (url.starts_with(secure)) {
        rest = url.substr(secure.size());
        a.port = kMqttsPort;
        a.tls = true;
    } else {
        return fail(error, "the broker address must start with mqtt:// or mqtts://");
    }
    std::string_view host = rest;
    std::string_view port;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string_view::npos || !isIpv6(rest.substr(1, close - 1))) {
            return fail(error, "the broker's IPv6 address is not readable");
        }
        host = rest.substr(1, close - 1);
        const std::string_view after = rest.substr(close + 1);
        if (!after.empty() && !after.starts_with(':')) {
            return fail(error, "only a port may follow the broker's host");
        }
        port = after.empty() ? after : after.substr(1);
        if (after.starts_with(':') && port.empty()) {
            return fail(error, "the broker's port is empty");
        }
    } else {
        const auto colon = rest.find(':');
        if (colon != std::string_view::npos) {
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
            if (port.empty()) {
                return fail(error, "the broker's port is empty");
            }
        }
        if (!isHostName(host)) {
            return fail(error, host.empty() ? "the broker's host is missing"
                                            : "the broker's host may hold only letters, digits, '.' and '-'");
        }
    }
    if (!port.empty()) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (ec != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535) {
            return fail(error, "the broker's port must be a number from 1 to 65535");
        }
        a.port = static_cast<std::uint16_t>(value);
    }
    a.host = std::string(host);
    return a;
}

std::string brokerUrlText(const BrokerAddress& a) {
    const bool v6 = a.host.find(':') != std::string::npos;
    return std::string(a.tls ? "mqtts://" : "mqtt://") + (v6 ? "[" + a.host + "]" : a.host) + ":" +
           std::to_string(a.port);
}

bool isValidStationCode(std::string_view code) {
    if (code.empty() || code.size() > 64) {
        return false;
    }
    for (char c : code) {
        if (!isAlnum(c) && c != '-' && c != '_') {
            return false;
        }
    }
    return true;
}

std::string lineTopic(std::string_view code) { return "kordel/" + std::string(code) + "/line"; }
std::string stateTopic(std::string_view code) { return "kordel/" + std::string(code) + "/state"; }

}  // namespace kordel
