#include "files/summarywriter.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "app/textfile.h"
#include "files/outputfile.h"

namespace kordel {

namespace {

// `tenths` / 10 with one decimal and a leading minus when negative.
std::string tenthsText(long long tenths) {
    const bool negative = tenths < 0;
    const long long m = negative ? -tenths : tenths;
    std::string s = negative ? "-" : "";
    s += std::to_string(m / 10);
    s += '.';
    s += static_cast<char>('0' + m % 10);
    return s;
}

}  // namespace

SummaryWriter::~SummaryWriter() { (void)end(); }

std::string SummaryWriter::fileName(const std::string& stem) { return stem + ".INF"; }

std::string SummaryWriter::temperatureText(std::uint16_t raw) {
    // raw × 0.2 − 102.4 is exactly 2 × raw − 1024 tenths.
    return tenthsText(2LL * raw - 1024);
}

std::string SummaryWriter::supplyText(std::uint16_t vinRaw) {
    if (vinRaw == 0) {
        return "not available";
    }
    // 4788 ÷ raw in tenths, the half rounded up (the value is never negative).
    const long long tenths = (2LL * 47880 + vinRaw) / (2LL * vinRaw);
    return tenthsText(tenths);
}

std::string SummaryWriter::headerText(const SummaryHeader& h) {
    const CivilDateTime& t = h.time;
    std::string s;
    s += "Data from KORDEL-K5.\r\n";
    s += "\r\n";
    s += "Input file: " + h.inputName + "\r\n";
    s += "\r\n";
    s += "Date: " + TwoDigits(t.day) + "-" + TwoDigits(t.month) + "-" + std::to_string(t.year) + "\r\n";
    s += "Time: " + TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second) + "\r\n";
    s += "Latitude: " + h.latitude + "\r\n";
    s += "Longitude: " + h.longitude + "\r\n";
    s += "Ts: " + temperatureText(h.tsRaw) + "\r\n";
    s += "Te: " + temperatureText(h.teRaw) + "\r\n";
    s += "VIN: " + supplyText(h.vinRaw) + "\r\n";
    s += "VBAT: " + std::to_string(h.vbat) + "\r\n";
    s += "\r\n";
    s += "Name files : \r\n";
    s += h.firstDataFile + "\r\n";
    return s;
}

IoStatus SummaryWriter::begin(const std::string& path, const SummaryHeader& header) {
    if (IoStatus s = end(); !s) {
        return s;
    }
    path_ = path;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return IoStatus::fromErrno("Cannot create " + path, errno);
    }
    IoStatus status = writeAll(fd, headerText(header), path);
    if (::close(fd) != 0 && status.ok()) {
        status = IoStatus::fromErrno("Cannot close " + path, errno);
    }
    if (!status) {
        return status;
    }
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        return IoStatus::fromErrno("Cannot open " + path, errno);
    }
    fd_ = fd;
    return {};
}

IoStatus SummaryWriter::addLine(std::string_view text) {
    if (fd_ < 0) {
        return IoStatus::failure("Cannot write " + path_ + ": file not open");
    }
    std::string line(text);
    line += "\r\n";
    const off_t before = ::lseek(fd_, 0, SEEK_END);
    IoStatus status = writeAll(fd_, line, path_);
    if (!status && before >= 0) {
        truncateTo(fd_, static_cast<std::uint64_t>(before));  // no fragment of a line stays
    }
    return status;
}

IoStatus SummaryWriter::end() {
    if (fd_ < 0) {
        return {};
    }
    IoStatus status;
    if (::close(fd_) != 0) {
        status = IoStatus::fromErrno("Cannot close " + path_, errno);
    }
    fd_ = -1;
    return status;
}

}  // namespace kordel
