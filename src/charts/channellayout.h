#pragma once
// Where the six channel panels and the five splitters between them sit in the
// panel area. Shown panels are stacked in channel order from the top; each
// splitter (2 pixels) lies one pixel below the panel of its number; the last
// shown panel fills what remains of the area and has no splitter below it.

#include <array>
#include <vector>

namespace kordel {

struct Strip {
    int top = 0;
    int height = 0;
    bool shown = false;

    friend bool operator==(const Strip&, const Strip&) = default;
};

class ChannelLayout {
public:
    static constexpr int kChannels = 6;  // Bx, By, Bz, Ts, Te and the total field F
    static constexpr int kSplitters = kChannels - 1;
    static constexpr int kSplitterHeight = 2;

    // Lays the panels out afresh: the checked channels are shown, all at the
    // height (areaHeight - 6) / count, the last one filling the rest.
    void layout(const std::array<bool, kChannels>& checked, int areaHeight);

    // A panel given a height of its own (a splitter drag, a stored height): the
    // panels below keep their heights and move, the last shown takes the rest.
    void setPanelHeight(int channel, int height);

    // The area changed its height: the shown panels keep their proportions (as
    // last laid out or set), so growing and shrinking reach every panel and
    // going back gives the same heights again.
    void resize(int areaHeight);

    // The height a splitter drag may give the panel of `channel` when the user
    // asks for `wanted`: as with a splitter's minimum size of kMinDragHeight,
    // the panel keeps at least that much (or what it has, when it has less),
    // and the last shown panel, which takes the difference, keeps at least
    // that much too. A hidden or last shown panel keeps its height.
    static constexpr int kMinDragHeight = 30;
    int dragHeight(int channel, int wanted) const;

    const std::vector<int>& visible() const { return visible_; }
    int count() const { return static_cast<int>(visible_.size()); }
    bool shown(int channel) const { return panels_[channel].shown; }
    const Strip& panel(int channel) const { return panels_[channel]; }
    const Strip& splitter(int index) const { return splitters_[index]; }
    int areaHeight() const { return areaHeight_; }

private:
    void restack();
    // Each shown panel's part of the height the panels share, taken now.
    void keepShares();
    int panelSpace(int areaHeight) const;

    int areaHeight_ = 0;
    std::vector<int> visible_;
    std::array<int, kChannels> heights_{};
    std::array<double, kChannels> shares_{};
    std::array<Strip, kChannels> panels_{};
    std::array<Strip, kSplitters> splitters_{};
};

}  // namespace kordel
