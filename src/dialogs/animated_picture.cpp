#include "dialogs/animated_picture.h"

#include <QFile>
#include <QPainter>
#include <QPointer>

namespace ombrix {

CAnimatedPicture::CAnimatedPicture(QWidget* parent) : QWidget(parent) {}

CAnimatedPicture::~CAnimatedPicture() {
    Stop();
}

bool CAnimatedPicture::LoadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > qint64(kMaxPictureBytes))
        return false;
    const QByteArray bytes = file.read(qint64(kMaxPictureBytes));
    if (bytes.size() != file.size())
        return false;
    return LoadFromMemory(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
}

bool CAnimatedPicture::LoadFromMemory(std::span<const std::uint8_t> data) {
    Unload();
    const bool loaded =
        startsWithGif(data) ? loadGif(data) : still_.loadFromData(data.data(), int(data.size()));
    if (!loaded) {
        Unload();
        return false;
    }
    if (!isGif_)
        pictureSize_ = still_.size();
    prepareSurface();
    loaded_ = true;
    return true;
}

bool CAnimatedPicture::loadGif(std::span<const std::uint8_t> data) {
    const std::optional<GifLayout> layout = readGifLayout(data);
    if (!layout || layout->frames.empty())
        return false;
    isGif_ = true;
    pictureSize_ = QSize(layout->width, layout->height);
    if (layout->background) {
        const auto& rgb = *layout->background;
        background_ = QColor(rgb[0], rgb[1], rgb[2]);
    }
    if (layout->frames.size() == 1)
        return still_.loadFromData(data.data(), int(data.size()), "GIF");

    for (const GifFrameBlocks& blocks : layout->frames) {
        const std::string gif = buildFrameGif(data, *layout, blocks);
        QImage image;
        if (!image.loadFromData(reinterpret_cast<const uchar*>(gif.data()), int(gif.size()), "GIF"))
            continue; // a frame the decoder cannot read is left out
        Frame frame{{},           blocks.left,    blocks.top, blocks.width, blocks.height,
                    blocks.delay, blocks.disposal};
        // The decoder may hand back the whole logical screen; keep the frame's own area.
        if (image.size() != frame.area().size() && image.rect().contains(frame.area()))
            image = image.copy(frame.area());
        frame.image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        frames_.push_back(std::move(frame));
    }
    return !frames_.empty();
}

void CAnimatedPicture::prepareSurface() {
    resize(pictureSize_);
    std::lock_guard lock(surfaceMutex_);
    surface_ = QImage(pictureSize_, QImage::Format_ARGB32_Premultiplied);
    background_ = palette().color(QPalette::Button);
    surface_.fill(palette().color(QPalette::Window));
}

bool CAnimatedPicture::Start() {
    if (!loaded_)
        return false;
    if (isGif_ && frames_.size() > 1) {
        Stop();
        thread_ = std::thread([this] { animate(); });
        return true;
    }
    {
        std::lock_guard lock(surfaceMutex_);
        QPainter painter(&surface_);
        painter.drawImage(QRect(QPoint(0, 0), pictureSize_), still_);
    }
    update();
    return true;
}

void CAnimatedPicture::Stop() {
    {
        std::lock_guard lock(surfaceMutex_);
        stopRequested_ = true;
    }
    stopEvent_.notify_all();
    // Joined, never left behind: a detached thread would draw into a freed control.
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(surfaceMutex_);
    stopRequested_ = false;
}

void CAnimatedPicture::Unload() {
    Stop();
    frames_.clear();
    still_ = QImage();
    pictureSize_ = QSize();
    loaded_ = false;
    isGif_ = false;
    framesDrawn_ = 0;
    std::lock_guard lock(surfaceMutex_);
    surface_ = QImage();
    saved_ = QImage();
    background_ = QColor(255, 255, 255);
}

void CAnimatedPicture::SetBackground(const QColor& colour) {
    std::lock_guard lock(surfaceMutex_);
    background_ = colour;
    surface_.fill(colour);
}

QColor CAnimatedPicture::background() const {
    std::lock_guard lock(surfaceMutex_);
    return background_;
}

QImage CAnimatedPicture::currentImage() const {
    std::lock_guard lock(surfaceMutex_);
    return surface_.copy();
}

void CAnimatedPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::lock_guard lock(surfaceMutex_);
    painter.drawImage(0, 0, surface_);
}

// Animation thread: draws the frames into the surface in turn until stopped.
void CAnimatedPicture::animate() {
    threadRunning_ = true;
    {
        std::lock_guard lock(surfaceMutex_);
        disposeLocked(frames_.front());
    }
    for (std::size_t index = 0;;) {
        const Frame& frame = frames_[index];
        {
            std::lock_guard lock(surfaceMutex_);
            if (stopRequested_)
                break;
            if (frame.disposal == 3)
                saved_ = surface_.copy(frame.area());
            QPainter painter(&surface_);
            painter.drawImage(frame.area(), frame.image);
        }
        ++framesDrawn_;
        requestRepaint();
        if (waitForStop(frameWaitMilliseconds(frame.delay)))
            break;
        std::lock_guard lock(surfaceMutex_);
        disposeLocked(frame);
        if (++index == frames_.size()) {
            index = 0;
            surface_.fill(background_);
        }
    }
    threadRunning_ = false;
}

// Animation thread: true when Stop asked the thread to end.
bool CAnimatedPicture::waitForStop(int milliseconds) {
    std::unique_lock lock(surfaceMutex_);
    return stopEvent_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [this] { return stopRequested_; });
}

// Animation thread, surface locked: leaves the frame's area as its disposal asks.
void CAnimatedPicture::disposeLocked(const Frame& frame) {
    if (frame.disposal == 2) {
        QPainter painter(&surface_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(frame.area(), background_);
    } else if (frame.disposal == 3 && !saved_.isNull()) {
        QPainter painter(&surface_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(frame.area().topLeft(), saved_);
        saved_ = QImage();
    }
}

// Animation thread: the repaint itself happens on the window thread.
void CAnimatedPicture::requestRepaint() {
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

} // namespace ombrix
