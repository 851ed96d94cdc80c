#pragma once
// Walking the blocks of a GIF file to find its frames, and cutting one frame
// out as a GIF of its own, so that a single-picture decoder can read it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ombrix {

struct GifFrameBlocks {
    std::size_t begin = 0; // its graphic control extension, or the image itself
    std::size_t end = 0;   // one past its image (or plain-text) block
    int delay = -1;        // hundredths of a second; -1 without a graphic control extension
    int disposal = 0;      // 0..7
    int left = 0, top = 0, width = 0, height = 0;
};

struct GifLayout {
    int width = 0, height = 0;                             // logical screen
    std::size_t headerLength = 0;                          // 13 + the global colour table
    std::optional<std::array<std::uint8_t, 3>> background; // from the global table
    std::vector<GifFrameBlocks> frames;
};

bool startsWithGif(std::span<const std::uint8_t> data);

// The layout of GIF data, or nothing when the data do not begin with "GIF" or
// are too short for the screen descriptor and its colour table. The walk
// stops at the trailer, at an unknown block, or at a block that would pass
// the end of the data; frames found before that are kept.
std::optional<GifLayout> readGifLayout(std::span<const std::uint8_t> data);

// The GIF of one frame: the first 13 bytes and the global colour table, the
// frame's blocks and the trailer.
std::string buildFrameGif(std::span<const std::uint8_t> data, const GifLayout& layout,
                          const GifFrameBlocks& frame);

// How long a frame stays: delay x 10 ms from 5 on, else 100 ms. A frame
// without a graphic control extension (delay -1) stays 100 ms, too.
int frameWaitMilliseconds(int delay);

} // namespace ombrix
