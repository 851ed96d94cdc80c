#include "core/keyring_directory.h"

#include <filesystem>

namespace ombrix {

std::string canonicalKeyringDirectory(const std::string& directory) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(directory, error);
    return error || canonical.empty() ? directory : canonical.string();
}

SecretLookup lookupOwnSecret(const SecretKey& key, std::string_view label) {
    const SecretLookup own = lookupSecret(key);
    if (own.outcome != SecretOutcome::NotFound || key.directory.empty())
        return own;
    SecretKey older = key;
    older.directory.clear();
    const SecretLookup found = lookupSecret(older);
    // A copy the keyring does not take now is tried at the next lookup; the
    // password is had all the same.
    if (found.outcome == SecretOutcome::Done)
        storeSecret(key, label, found.password);
    return found;
}

} // namespace ombrix
