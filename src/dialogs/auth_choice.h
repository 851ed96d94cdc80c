#pragma once
// The choice "password / OAuth (PROVIDER)" of the account editor and the
// wizard: the password, the preset provider of the server (Google,
// Microsoft) where its name is one of theirs, and a provider of the user's own.

#include <QComboBox>
#include <string>
#include <string_view>

namespace ombrix {

class AuthChoice {
public:
    explicit AuthChoice(QComboBox* box = nullptr) : box_(box) {}

    // The entries for a server named `host`; `own` is the account's provider,
    // offered even where the server's name no longer says it. The entry
    // chosen before stays chosen while it is offered, else the password.
    void offer(std::string_view host, const std::string& own);
    void choose(const std::string& provider);
    // "" for the password, else "google", "microsoft" or "custom".
    std::string provider() const;

private:
    QComboBox* box_;
};

} // namespace ombrix
