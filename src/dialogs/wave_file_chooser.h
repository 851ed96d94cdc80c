#pragma once
// The browse dialog for wave files, shared by the notification panel and the
// account editor.

#include <QString>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace ombrix {

// Asks for a wave file; nullopt when cancelled. Tests put their own in.
using WaveFileChooser = std::function<std::optional<QString>(QWidget* parent)>;

// Sets up the browse dialog for wave files: an existing file, the filters,
// the default suffix "wav", no file name given.
void prepareWaveFileDialog(QFileDialog& dialog);

// A QFileDialog prepared by prepareWaveFileDialog.
std::optional<QString> chooseWaveFile(QWidget* parent);

} // namespace ombrix
