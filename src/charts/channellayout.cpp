#include "charts/channellayout.h"

#include <algorithm>
#include <cmath>

namespace kordel {

void ChannelLayout::layout(const std::array<bool, kChannels>& checked, int areaHeight) {
    areaHeight_ = areaHeight;
    visible_.clear();
    for (int k = 0; k < kChannels; ++k) {
        if (checked[k]) {
            visible_.push_back(k);
        }
    }
    if (!visible_.empty()) {
        const int h = std::max(0, (areaHeight - 6) / count());
        for (int k : visible_) {
            heights_[k] = h;
        }
    }
    restack();
    keepShares();
}

void ChannelLayout::setPanelHeight(int channel, int height) {
    if (channel < 0 || channel >= kChannels) {
        return;
    }
    heights_[channel] = std::max(0, height);
    restack();
    keepShares();
}

void ChannelLayout::resize(int areaHeight) {
    const int space = panelSpace(areaHeight);
    areaHeight_ = areaHeight;
    for (std::size_t i = 0; i + 1 < visible_.size(); ++i) {
        const int k = visible_[i];
        heights_[k] = std::max(0, static_cast<int>(std::lround(shares_[k] * space)));
    }
    restack();
}

int ChannelLayout::panelSpace(int areaHeight) const {
    // Below every panel but the last: a gap of one pixel and the splitter.
    const int between = (count() - 1) * (1 + kSplitterHeight);
    return std::max(0, areaHeight - std::max(0, between));
}

void ChannelLayout::keepShares() {
    const int space = panelSpace(areaHeight_);
    for (int k : visible_) {
        shares_[k] = space > 0 ? static_cast<double>(panels_[k].height) / space : 1.0 / count();
    }
}

int ChannelLayout::dragHeight(int channel, int wanted) const {
    if (channel < 0 || channel >= kChannels || !panels_[channel].shown || visible_.empty() ||
        visible_.back() == channel) {
        return channel >= 0 && channel < kChannels ? panels_[channel].height : 0;
    }
    const int current = panels_[channel].height;
    const int last = panels_[visible_.back()].height;
    const int lowest = std::min(kMinDragHeight, current);
    const int highest = std::max(current, current + last - kMinDragHeight);
    return std::clamp(wanted, lowest, highest);
}

void ChannelLayout::restack() {
    panels_ = {};
    splitters_ = {};
    int top = 0;
    for (std::size_t i = 0; i < visible_.size(); ++i) {
        const int k = visible_[i];
        const bool last = i + 1 == visible_.size();
        Strip& p = panels_[k];
        p.shown = true;
        p.top = top;
        p.height = last ? std::max(0, areaHeight_ - top) : heights_[k];
        if (last) {
            heights_[k] = p.height;
        } else {
            Strip& s = splitters_[k];
            s.shown = true;
            s.top = p.top + p.height + 1;
            s.height = kSplitterHeight;
            top = s.top + s.height;
        }
    }
}

}  // namespace kordel
