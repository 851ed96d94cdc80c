#pragma once
// Where --add-account --oauth custom takes the client secret from, for a
// provider that insists on one: a file (--client-secret-file PATH) or
// standard input (--client-secret -). Never the command line itself: every
// user of the machine reads a program's arguments in ps.

#include "cli/cli_command.h"

#include <istream>
#include <optional>
#include <string>

namespace ombrix {

struct ClientSecretSource {
    std::string file; // empty: standard input
};

// Takes --client-secret - or --client-secret-file PATH. Throws UsageError for
// --client-secret with any other value (saying how to pass it instead) and
// for both at once.
std::optional<ClientSecretSource> takeClientSecretSource(CommandArguments& arguments);

struct ClientSecretRead {
    std::optional<std::string> secret;
    std::string failure; // for the user, when no secret was read
};

// The first line of the file or of `in`, without its line end.
ClientSecretRead readClientSecret(const ClientSecretSource& source, std::istream& in);

// Standard input up to its end, one line end after it dropped; nothing when
// longer than any password or secret (4096 bytes).
std::optional<std::string> readSecretText(std::istream& in);

} // namespace ombrix
