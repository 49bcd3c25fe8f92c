#include "link/lineassembler.h"

namespace kordel {

void LineAssembler::feed(std::string_view bytes, const PieceHandler& onPiece) {
    for (char c : bytes) {
        buffer_[length_++] = c;
        if (c == '\n' || length_ == buffer_.size()) {
            const std::size_t n = length_;
            length_ = 0;
            onPiece(std::string_view(buffer_.data(), n));
        }
    }
}

}  // namespace kordel
