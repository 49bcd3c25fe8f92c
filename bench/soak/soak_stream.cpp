// soak_stream BYTES KORDEL-SIM-OPTIONS...
// Writes to standard output the first BYTES bytes that `kordel-sim --fast`
// sends with these options (faults included) while nothing is sent to it: in
// fast mode the instrument's clock moves on by one sample interval per line,
// so what it sends does not depend on how fast it is read.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/simoptions.h"
#include "sim/simulatedinstrument.h"

int main(int argc, char** argv) {
    using namespace kordel;
    if (argc < 2) {
        std::fputs("usage: soak_stream BYTES KORDEL-SIM-OPTIONS...\n", stderr);
        return 2;
    }
    const std::size_t bytes = std::stoull(argv[1]);
    const SimOptions options = parseSimOptions(std::vector<std::string>(argv + 2, argv + argc));
    if (!options.problems.empty() || !options.start || !options.fast) {
        std::fputs("soak_stream: needs valid kordel-sim options with --fast and --start\n", stderr);
        return 2;
    }
    SimulatedInstrument instrument(options.instrument, *options.start, options.faults);
    std::string sent;
    while (sent.size() < bytes) {
        instrument.advanceClock(instrument.msUntilSample());
        sent += instrument.takeDueLine();
    }
    return std::fwrite(sent.data(), 1, bytes, stdout) == bytes ? 0 : 1;
}
