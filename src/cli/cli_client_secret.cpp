#include "cli/cli_client_secret.h"

#include "core/language.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace ombrix {
namespace {

constexpr std::size_t kMaxSecretBytes = 4096;

std::string howToPass() {
    return Text("--client-secret nimmt keinen Wert auf der Befehlszeile (jeder Benutzer sieht ihn "
                "mit ps): --client-secret-file DATEI liest ihn aus einer Datei, --client-secret - "
                "von der Standardeingabe",
                "--client-secret takes no value on the command line (any user sees it with ps): "
                "--client-secret-file FILE reads it from a file, --client-secret - from standard "
                "input");
}

std::string whereFrom(const ClientSecretSource& source) {
    return source.file.empty() ? Text("der Standardeingabe", "standard input") : source.file;
}

} // namespace

std::optional<ClientSecretSource> takeClientSecretSource(CommandArguments& arguments) {
    const std::optional<std::string> inline_ = arguments.takeValue("--client-secret");
    const std::optional<std::string> file = arguments.takeValue("--client-secret-file");
    if (inline_ && *inline_ != "-")
        throw UsageError(howToPass());
    if (inline_ && file)
        throw UsageError(
            std::string("--client-secret - ") +
            Text("oder --client-secret-file, nicht beide", "or --client-secret-file, not both"));
    if (file && file->empty())
        throw UsageError(std::string("--client-secret-file ") +
                         Text("braucht eine Datei", "needs a file"));
    if (!inline_ && !file)
        return std::nullopt;
    return ClientSecretSource{file.value_or("")};
}

ClientSecretRead readClientSecret(const ClientSecretSource& source, std::istream& in) {
    std::optional<std::string> text;
    if (source.file.empty()) {
        text = readSecretText(in);
    } else {
        std::ifstream file(source.file, std::ios::binary);
        if (!file)
            return {std::nullopt, source.file + ": " + std::strerror(errno)};
        text = readSecretText(file);
    }
    if (!text)
        return {std::nullopt,
                std::string(Text("Das Client-Secret aus ", "the client secret from ")) +
                    whereFrom(source) + Text(" ist zu lang.", " is too long.")};
    // A file written with an editor ends in a line end; a secret holds none.
    if (const std::size_t end = text->find_first_of("\r\n"); end != std::string::npos)
        text->resize(end);
    if (text->empty())
        return {std::nullopt, std::string(Text("Kein Client-Secret in ", "no client secret in ")) +
                                  whereFrom(source)};
    return {std::move(text), {}};
}

std::optional<std::string> readSecretText(std::istream& in) {
    std::string text;
    char c;
    while (text.size() <= kMaxSecretBytes && in.get(c))
        text += c;
    if (text.size() > kMaxSecretBytes)
        return std::nullopt;
    if (text.ends_with('\n'))
        text.pop_back();
    if (text.ends_with('\r'))
        text.pop_back();
    return text;
}

} // namespace ombrix
