#include "dialogs/wave_file_chooser.h"

#include "core/language.h"

#include <QFileDialog>

namespace ombrix {

void prepareWaveFileDialog(QFileDialog& dialog) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    // "All files" must also list names without a dot here, so its pattern is "*".
    dialog.setNameFilters({QString::fromUtf8(Text("wave dateien (*.wav)", "wave files (*.wav)")),
                           QString::fromUtf8(Text("alle Dateien (*)", "all files (*)"))});
}

std::optional<QString> chooseWaveFile(QWidget* parent) {
    QFileDialog dialog(parent);
    prepareWaveFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace ombrix
