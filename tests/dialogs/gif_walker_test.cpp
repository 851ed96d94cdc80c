#include "dialogs/animated_picture.h"
#include "dialogs/gif_blocks.h"
#include "gif_images.h"
#include "support/gui_wait.h"

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::makeGif;
using test::patch;
using test::processEventsUntil;
using test::solid;
using test::TestGifFrame;

std::span<const std::uint8_t> bytesOf(const std::string& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()};
}

TEST(GifLayout, ReadsScreenBackgroundAndFramesWithTheirControlBlocks) {
    TestGifFrame commentedPatch = patch(1, 10, 1, 2, 3, 2);
    commentedPatch.disposal = 3;
    commentedPatch.commentBefore = true;
    const std::string gif = makeGif(6, 4, {solid(0, 4, 2), commentedPatch, solid(2)}, true);
    const auto layout = readGifLayout(bytesOf(gif));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->width, 6);
    EXPECT_EQ(layout->height, 4);
    EXPECT_EQ(layout->headerLength, 13u + 12u);
    ASSERT_TRUE(layout->background);
    EXPECT_EQ((*layout->background)[0], 255) << "entry 3 of the table: white";

    ASSERT_EQ(layout->frames.size(), 3u);
    EXPECT_EQ(layout->frames[0].delay, 4);
    EXPECT_EQ(layout->frames[0].disposal, 2);
    EXPECT_EQ(layout->frames[1].delay, 10);
    EXPECT_EQ(layout->frames[1].disposal, 3);
    EXPECT_EQ(QRect(layout->frames[1].left, layout->frames[1].top, layout->frames[1].width,
                    layout->frames[1].height),
              QRect(1, 2, 3, 2));
    EXPECT_EQ(layout->frames[2].delay, -1) << "no graphic control extension";
    EXPECT_EQ(gif[layout->frames[0].begin], '\x21') << "a frame begins at its control block";
    EXPECT_EQ(gif[layout->frames[2].begin], '\x2C');
    EXPECT_EQ(layout->frames[2].end, gif.size() - 1) << "the trailer ends the walk";
}

TEST(GifLayout, StopsBeforeABlockThatPassesTheEnd) {
    const std::string whole = makeGif(4, 4, {solid(0, 10), solid(1, 10)});
    const std::string cut = whole.substr(0, whole.size() - 6); // inside the last image's data
    const auto layout = readGifLayout(bytesOf(cut));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->frames.size(), 1u);
}

TEST(GifLayout, StopsAtAnUnknownBlock) {
    std::string gif = makeGif(2, 2, {solid(0)}, false, false);
    gif += "\x99";
    gif += makeGif(2, 2, {solid(1)}).substr(13 + 12);
    const auto layout = readGifLayout(bytesOf(gif));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->frames.size(), 1u);
}

TEST(GifLayout, RefusesWhatIsNoGifOrTooShort) {
    EXPECT_FALSE(readGifLayout(bytesOf("BM1234567890123456")));
    EXPECT_FALSE(readGifLayout(bytesOf("GIF89a")));
    const std::string headerOnly = makeGif(2, 2, {}).substr(0, 16); // table cut short
    EXPECT_FALSE(readGifLayout(bytesOf(headerOnly)));
    const auto empty = readGifLayout(bytesOf(makeGif(2, 2, {})));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->frames.empty());
}

TEST(GifLayout, FrameGifIsHeaderFrameAndTrailer) {
    const std::string gif = makeGif(3, 3, {solid(0, 10), solid(2, 10)});
    const auto layout = readGifLayout(bytesOf(gif));
    ASSERT_TRUE(layout);
    const std::string second = buildFrameGif(bytesOf(gif), *layout, layout->frames[1]);
    EXPECT_EQ(second.substr(0, 25), gif.substr(0, 25));
    EXPECT_EQ(second.back(), '\x3B');
    QImage image;
    ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(second.data()),
                                   int(second.size()), "GIF"));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::blue));
}

struct WaitRow {
    const char* name;
    int delay;
    int milliseconds;
};

class FrameWait : public testing::TestWithParam<WaitRow> {};

TEST_P(FrameWait, FollowsTheDelayRule) {
    EXPECT_EQ(frameWaitMilliseconds(GetParam().delay), GetParam().milliseconds);
}

INSTANTIATE_TEST_SUITE_P(Delays, FrameWait,
                         testing::Values(WaitRow{"NoExtension", -1, 100}, WaitRow{"Zero", 0, 100},
                                         WaitRow{"FourIsTooFast", 4, 100},
                                         WaitRow{"FiveIsTaken", 5, 50},
                                         WaitRow{"TenIsExactly100", 10, 100},
                                         WaitRow{"Fifty", 50, 500},
                                         WaitRow{"Largest", 65535, 655350}),
                         [](const auto& row) { return std::string(row.param.name); });

// The animated picture control.

QColor centreOf(const CAnimatedPicture& picture) {
    const QImage image = picture.currentImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

TEST(AnimatedPicture, OneFrameGifIsShownStillWithoutAThread) {
    CAnimatedPicture picture;
    const std::string gif = makeGif(5, 7, {solid(1, 10)});
    ASSERT_TRUE(picture.LoadFromMemory(bytesOf(gif)));
    EXPECT_TRUE(picture.isGif());
    EXPECT_EQ(picture.frameCount(), 0) << "a single picture, no frame list";
    EXPECT_EQ(picture.pictureSize(), QSize(5, 7));
    EXPECT_EQ(picture.size(), QSize(5, 7)) << "the control takes the picture's size";
    EXPECT_TRUE(picture.Start());
    EXPECT_FALSE(picture.isAnimating());
    EXPECT_EQ(centreOf(picture), QColor(Qt::green));
}

TEST(AnimatedPicture, KeepsEachFramesDelayAndPlaysThemInTurn) {
    CAnimatedPicture picture;
    const std::string gif = makeGif(4, 4, {solid(0, 4), solid(1, 10), solid(2, 50), solid(3)});
    ASSERT_TRUE(picture.LoadFromMemory(bytesOf(gif)));
    ASSERT_EQ(picture.frameCount(), 4);
    EXPECT_EQ(picture.frameDelay(0), 4);
    EXPECT_EQ(picture.frameDelay(1), 10);
    EXPECT_EQ(picture.frameDelay(2), 50);
    EXPECT_EQ(picture.frameDelay(3), -1);

    ASSERT_TRUE(picture.Start());
    const std::vector<QColor> frameColours{Qt::red, Qt::green, Qt::blue, Qt::white};
    std::vector<QColor> firstSeen; // frame colours in the order they first showed
    const bool cycled = processEventsUntil([&] {
        const QColor now = centreOf(picture);
        if (std::count(frameColours.begin(), frameColours.end(), now) &&
            !std::count(firstSeen.begin(), firstSeen.end(), now))
            firstSeen.push_back(now);
        return picture.framesDrawn() >= 5; // all four frames, then the first again
    });
    EXPECT_TRUE(cycled);
    EXPECT_TRUE(picture.isAnimating());
    picture.Stop();
    EXPECT_FALSE(picture.isAnimating());
    EXPECT_EQ(firstSeen, frameColours);
}

TEST(AnimatedPicture, PartialFramesLandAtTheirPlace) {
    CAnimatedPicture picture;
    const std::string gif = makeGif(6, 6, {solid(0, 10), patch(2, 100, 2, 3, 2, 2)});
    ASSERT_TRUE(picture.LoadFromMemory(bytesOf(gif)));
    ASSERT_TRUE(picture.Start());
    ASSERT_TRUE(processEventsUntil([&] { return picture.framesDrawn() >= 2; }));
    const QImage image = picture.currentImage();
    picture.Stop();
    EXPECT_EQ(image.pixelColor(2, 3), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(3, 4), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(1, 3), QColor(Qt::red)) << "the first frame shows around it";
    EXPECT_EQ(image.pixelColor(4, 4), QColor(Qt::red));
}

TEST(AnimatedPicture, OtherPictureFormatsAreShownStill) {
    for (const char* format : {"BMP", "JPEG", "PNG"}) {
        QImage source(8, 6, QImage::Format_RGB32);
        source.fill(QColor(0, 0, 255));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(source.save(&buffer, format)) << format;
        CAnimatedPicture picture;
        ASSERT_TRUE(picture.LoadFromMemory(
            {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())}))
            << format;
        EXPECT_FALSE(picture.isGif());
        EXPECT_EQ(picture.pictureSize(), QSize(8, 6));
        EXPECT_TRUE(picture.Start());
        EXPECT_FALSE(picture.isAnimating());
        EXPECT_LT(centreOf(picture).red(), 20) << format;
        EXPECT_GT(centreOf(picture).blue(), 230) << format;
    }
}

TEST(AnimatedPicture, UnreadableDataLeavesItEmpty) {
    CAnimatedPicture picture;
    EXPECT_FALSE(picture.LoadFromMemory(bytesOf("this is no picture")));
    EXPECT_FALSE(picture.LoadFromMemory(bytesOf(makeGif(4, 4, {}))));
    EXPECT_FALSE(picture.LoadFromFile("/nonexistent/obx001.dat"));
    EXPECT_FALSE(picture.isLoaded());
    EXPECT_FALSE(picture.Start());
}

TEST(AnimatedPicture, UnloadStopsAndForgetsEverything) {
    CAnimatedPicture picture;
    ASSERT_TRUE(picture.LoadFromMemory(bytesOf(makeGif(4, 4, {solid(0, 5), solid(1)}))));
    ASSERT_TRUE(picture.Start());
    ASSERT_TRUE(processEventsUntil([&] { return picture.isAnimating(); }));
    picture.Unload();
    EXPECT_FALSE(picture.isAnimating());
    EXPECT_FALSE(picture.isLoaded());
    EXPECT_EQ(picture.frameCount(), 0);
    EXPECT_EQ(picture.background(), QColor(255, 255, 255));
}

TEST(AnimatedPicture, TheShippedPictureIsAnAnimation) {
    const char* source = std::getenv("OMBRIX_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    CAnimatedPicture picture;
    ASSERT_TRUE(picture.LoadFromFile(QString(source) + "/src/res/obx001.dat"));
    EXPECT_GT(picture.frameCount(), 1);
    EXPECT_EQ(picture.pictureSize(), QSize(32, 32));
    for (int i = 0; i < picture.frameCount(); ++i)
        EXPECT_EQ(frameWaitMilliseconds(picture.frameDelay(i)), 100);
}

} // namespace
} // namespace ombrix
