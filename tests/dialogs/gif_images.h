#pragma once
// Hand-made GIF files for the tests: frames of one colour each, with or
// without a graphic control extension, with extensions between them. The
// image data use the plainest valid LZW stream: a clear code before every
// pixel, so the code width never grows.

#include <QColor>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ombrix::test {

struct TestGifFrame {
    int paletteIndex = 0;     // colour of every pixel of the frame
    std::optional<int> delay; // nothing: no graphic control extension
    int disposal = 0;
    int left = 0, top = 0, width = 0, height = 0; // width 0: the whole screen
    bool commentBefore = false;                   // a comment extension before the frame
};

inline TestGifFrame solid(int paletteIndex, std::optional<int> delay = std::nullopt,
                          int disposal = 0) {
    TestGifFrame frame;
    frame.paletteIndex = paletteIndex;
    frame.delay = delay;
    frame.disposal = disposal;
    return frame;
}

inline TestGifFrame patch(int paletteIndex, int delay, int left, int top, int width, int height) {
    TestGifFrame frame = solid(paletteIndex, delay);
    frame.left = left;
    frame.top = top;
    frame.width = width;
    frame.height = height;
    return frame;
}

// Four colours: red, green, blue, white.
inline const std::vector<QColor> gifPalette{Qt::red, Qt::green, Qt::blue, Qt::white};

inline void putLe16(std::string& out, int value) {
    out.push_back(char(value & 0xFF));
    out.push_back(char((value >> 8) & 0xFF));
}

inline std::string lzwSolid(int index, int pixels) {
    // Minimum code size 2: clear = 4, end = 5, codes 3 bits wide.
    std::vector<int> codes;
    for (int i = 0; i < pixels; ++i) {
        codes.push_back(4);
        codes.push_back(index);
    }
    codes.push_back(5);
    std::string bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= std::uint32_t(code) << count;
        count += 3;
        while (count >= 8) {
            bytes.push_back(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0)
        bytes.push_back(char(bits & 0xFF));
    std::string blocks;
    for (std::size_t at = 0; at < bytes.size(); at += 255) {
        const std::string chunk = bytes.substr(at, 255);
        blocks.push_back(char(chunk.size()));
        blocks += chunk;
    }
    blocks.push_back('\0');
    return blocks;
}

inline std::string makeGif(int width, int height, const std::vector<TestGifFrame>& frames,
                           bool applicationExtension = false, bool trailer = true) {
    std::string gif = "GIF89a";
    putLe16(gif, width);
    putLe16(gif, height);
    gif.push_back(char(0x81)); // global table of 4 entries
    gif.push_back(char(3));    // background: white
    gif.push_back('\0');
    for (const QColor& colour : gifPalette) {
        gif.push_back(char(colour.red()));
        gif.push_back(char(colour.green()));
        gif.push_back(char(colour.blue()));
    }
    if (applicationExtension)
        gif += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const TestGifFrame& frame : frames) {
        if (frame.commentBefore)
            gif += std::string("\x21\xFE\x05hello\x00", 9);
        if (frame.delay) {
            gif += "\x21\xF9\x04";
            gif.push_back(char(frame.disposal << 2));
            putLe16(gif, *frame.delay);
            gif.push_back('\0');
            gif.push_back('\0');
        }
        const int w = frame.width ? frame.width : width;
        const int h = frame.height ? frame.height : height;
        gif.push_back(char(0x2C));
        putLe16(gif, frame.left);
        putLe16(gif, frame.top);
        putLe16(gif, w);
        putLe16(gif, h);
        gif.push_back('\0');
        gif.push_back(char(2)); // minimum code size
        gif += lzwSolid(frame.paletteIndex, w * h);
    }
    if (trailer)
        gif.push_back(char(0x3B));
    return gif;
}

} // namespace ombrix::test
