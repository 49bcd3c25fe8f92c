#pragma once
// Cuts the received byte stream into pieces: a piece ends after an LF or when it
// reaches 63 bytes, whichever comes first. In step with the instrument every
// piece is one device line; after a lost or added byte the next LF brings the
// stream back in step, so one fault costs one line, not the rest of the run.
// Chunk boundaries never matter: a piece may span any number of feeds.

#include <array>
#include <cstddef>
#include <functional>
#include <string_view>

#include "link/deviceline.h"

namespace kordel {

class LineAssembler {
public:
    // Called for every completed piece; the view is valid during the call only.
    using PieceHandler = std::function<void(std::string_view piece)>;

    void feed(std::string_view bytes, const PieceHandler& onPiece);

    // Forgets the piece in hand (a new recording run starts at a fresh piece).
    void reset() { length_ = 0; }

    // Bytes of the piece in hand, not yet completed.
    std::string_view pending() const { return {buffer_.data(), length_}; }

private:
    std::array<char, kDeviceLineLength> buffer_{};
    std::size_t length_ = 0;
};

}  // namespace kordel
