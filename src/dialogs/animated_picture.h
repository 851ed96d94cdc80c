#pragma once
// A picture control that shows any picture QImage reads, and plays animated
// GIF files frame by frame on a thread of its own.

#include "dialogs/gif_blocks.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace ombrix {

class CAnimatedPicture : public QWidget {
public:
    explicit CAnimatedPicture(QWidget* parent = nullptr);
    ~CAnimatedPicture() override;

    // False when the file cannot be read (or is larger than kMaxPictureBytes)
    // or holds no picture.
    bool LoadFromFile(const QString& path);
    bool LoadFromMemory(std::span<const std::uint8_t> data);
    // An animation plays on its thread; a still picture is drawn once. False
    // when nothing is loaded.
    bool Start();
    void Stop();
    void Unload();
    void SetBackground(const QColor& colour);

    bool isLoaded() const { return loaded_; }
    bool isGif() const { return isGif_; }
    bool isAnimating() const { return threadRunning_; }
    int frameCount() const { return int(frames_.size()); }
    int frameDelay(int index) const { return frames_.at(std::size_t(index)).delay; }
    int frameDisposal(int index) const { return frames_.at(std::size_t(index)).disposal; }
    QSize pictureSize() const { return pictureSize_; }
    QColor background() const;
    // A copy of what the control shows now.
    QImage currentImage() const;
    // How many frames the animation thread has drawn since Start.
    int framesDrawn() const { return framesDrawn_; }

    static constexpr std::size_t kMaxPictureBytes = 16 * 1024 * 1024;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return pictureSize_; }

private:
    struct Frame {
        QImage image;
        int left = 0, top = 0, width = 0, height = 0;
        int delay = -1;
        int disposal = 0;
        QRect area() const { return QRect(left, top, width, height); }
    };

    bool loadGif(std::span<const std::uint8_t> data);
    void prepareSurface();
    void animate();
    bool waitForStop(int milliseconds);
    void disposeLocked(const Frame& frame);
    void requestRepaint();

    std::vector<Frame> frames_;
    QImage still_;
    QSize pictureSize_;
    bool loaded_ = false;
    bool isGif_ = false;

    // Shared with the animation thread.
    mutable std::mutex surfaceMutex_;
    QImage surface_;
    QImage saved_; // the area under a "restore to previous" frame
    QColor background_{255, 255, 255};
    std::condition_variable stopEvent_;
    bool stopRequested_ = false;
    std::atomic<bool> threadRunning_{false};
    std::atomic<int> framesDrawn_{0};
    std::thread thread_;
};

} // namespace ombrix
