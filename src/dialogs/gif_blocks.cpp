#include "dialogs/gif_blocks.h"

namespace ombrix {
namespace {

constexpr std::size_t kScreenDescriptorEnd = 13;

int le16(std::span<const std::uint8_t> data, std::size_t at) {
    return data[at] | (data[at + 1] << 8);
}

std::size_t colourTableLength(std::uint8_t packed) {
    return (packed & 0x80) ? 3u * (2u << (packed & 0x07)) : 0u;
}

// Sub-blocks: length-prefixed chunks ending with a zero byte. Returns the
// position after the terminator, or nothing when the chain passes the end.
std::optional<std::size_t> skipSubBlocks(std::span<const std::uint8_t> data, std::size_t at) {
    while (at < data.size()) {
        const std::size_t length = data[at];
        if (length == 0)
            return at + 1;
        at += length + 1;
    }
    return std::nullopt;
}

// The end of a block of `fixed` bytes followed by sub-blocks, if it fits.
std::optional<std::size_t> blockWithSubBlocks(std::span<const std::uint8_t> data, std::size_t at,
                                              std::size_t fixed) {
    if (at + fixed > data.size())
        return std::nullopt;
    return skipSubBlocks(data, at + fixed);
}

enum class BlockKind { Application, Comment, GraphicControl, PlainText, Image, Trailer, Unknown };

BlockKind kindAt(std::span<const std::uint8_t> data, std::size_t at) {
    if (at >= data.size())
        return BlockKind::Unknown;
    if (data[at] == 0x2C)
        return BlockKind::Image;
    if (data[at] == 0x3B)
        return BlockKind::Trailer;
    if (data[at] != 0x21 || at + 1 >= data.size())
        return BlockKind::Unknown;
    switch (data[at + 1]) {
    case 0xFF:
        return BlockKind::Application;
    case 0xFE:
        return BlockKind::Comment;
    case 0xF9:
        return BlockKind::GraphicControl;
    case 0x01:
        return BlockKind::PlainText;
    default:
        return BlockKind::Unknown;
    }
}

std::optional<std::size_t> blockEnd(std::span<const std::uint8_t> data, std::size_t at,
                                    BlockKind kind) {
    switch (kind) {
    case BlockKind::Application:
        return blockWithSubBlocks(data, at, 14);
    case BlockKind::Comment:
        return blockWithSubBlocks(data, at, 2);
    case BlockKind::GraphicControl:
        return at + 8 <= data.size() ? std::optional(at + 8) : std::nullopt;
    case BlockKind::PlainText:
        return blockWithSubBlocks(data, at, 15);
    case BlockKind::Image:
        if (at + 10 > data.size())
            return std::nullopt;
        return blockWithSubBlocks(data, at, 10 + colourTableLength(data[at + 9]) + 1);
    case BlockKind::Trailer:
        return at + 1;
    case BlockKind::Unknown:
        break;
    }
    return std::nullopt;
}

// Position and size of an image descriptor, or of a plain-text grid.
void placeFrame(std::span<const std::uint8_t> data, std::size_t at, BlockKind kind,
                GifFrameBlocks& frame) {
    const std::size_t field = kind == BlockKind::Image ? at + 1 : at + 3;
    frame.left = le16(data, field);
    frame.top = le16(data, field + 2);
    frame.width = le16(data, field + 4);
    frame.height = le16(data, field + 6);
}

} // namespace

bool startsWithGif(std::span<const std::uint8_t> data) {
    return data.size() >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
}

std::optional<GifLayout> readGifLayout(std::span<const std::uint8_t> data) {
    if (!startsWithGif(data) || data.size() < kScreenDescriptorEnd)
        return std::nullopt;
    GifLayout layout;
    layout.width = le16(data, 6);
    layout.height = le16(data, 8);
    const std::size_t tableLength = colourTableLength(data[10]);
    layout.headerLength = kScreenDescriptorEnd + tableLength;
    if (layout.headerLength > data.size())
        return std::nullopt;
    const std::size_t backgroundEntry = kScreenDescriptorEnd + 3u * data[11];
    if (tableLength > 0 && backgroundEntry + 3 <= layout.headerLength)
        layout.background = {data[backgroundEntry], data[backgroundEntry + 1],
                             data[backgroundEntry + 2]};

    std::optional<std::size_t> pendingControl;
    for (std::size_t at = layout.headerLength;;) {
        const BlockKind kind = kindAt(data, at);
        const std::optional<std::size_t> end = blockEnd(data, at, kind);
        if (!end || kind == BlockKind::Trailer)
            break;
        if (kind == BlockKind::GraphicControl) {
            pendingControl = at; // a later control block overrides an unused one
        } else if (kind == BlockKind::Image || kind == BlockKind::PlainText) {
            GifFrameBlocks frame;
            frame.begin = pendingControl.value_or(at);
            frame.end = *end;
            if (pendingControl) {
                frame.disposal = (data[*pendingControl + 3] >> 2) & 0x07;
                frame.delay = le16(data, *pendingControl + 4);
            }
            placeFrame(data, at, kind, frame);
            layout.frames.push_back(frame);
            pendingControl.reset();
        }
        at = *end;
    }
    return layout;
}

std::string buildFrameGif(std::span<const std::uint8_t> data, const GifLayout& layout,
                          const GifFrameBlocks& frame) {
    std::string gif;
    gif.reserve(layout.headerLength + (frame.end - frame.begin) + 1);
    gif.append(reinterpret_cast<const char*>(data.data()), layout.headerLength);
    gif.append(reinterpret_cast<const char*>(data.data() + frame.begin), frame.end - frame.begin);
    gif.push_back(char(0x3B));
    return gif;
}

int frameWaitMilliseconds(int delay) {
    if (delay < 0)
        return 100;
    return static_cast<std::uint32_t>(delay) >= 5 ? delay * 10 : 100;
}

} // namespace ombrix
