#include "dialogs/auth_choice.h"

#include "dialogs/sign_in_texts.h"
#include "oauth/providers.h"

#include <QSignalBlocker>
#include <vector>

namespace ombrix {

void AuthChoice::offer(std::string_view host, const std::string& own) {
    std::vector<std::string> providers{std::string()};
    const std::string preset = oauth::presetForHost(host);
    if (!preset.empty())
        providers.push_back(preset);
    if (!own.empty() && own != preset && own != oauth::kCustom)
        providers.push_back(own);
    providers.push_back(oauth::kCustom);

    const std::string chosen = provider();
    {
        const QSignalBlocker quiet(box_); // one change signal at the end, if any
        box_->clear();
        for (const std::string& entry : providers) {
            const std::string text =
                entry.empty() ? sign_in_texts::passwordChoice() : sign_in_texts::oauthChoice(entry);
            box_->addItem(QString::fromStdString(text), QString::fromStdString(entry));
        }
        box_->setCurrentIndex(-1);
    }
    choose(chosen);
}

void AuthChoice::choose(const std::string& provider) {
    const int index = box_->findData(QString::fromStdString(provider));
    box_->setCurrentIndex(index < 0 ? 0 : index);
}

std::string AuthChoice::provider() const {
    return box_->currentIndex() < 0 ? std::string() : box_->currentData().toString().toStdString();
}

} // namespace ombrix
