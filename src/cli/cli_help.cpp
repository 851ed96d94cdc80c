#include "cli/cli_command.h"
#include "core/language.h"

#include <ostream>

namespace ombrix {

int runHelp(CommandArguments& arguments, const CliContext& context) {
    arguments.expectNoMore();
    std::ostream& out = context.io.out;
    out << Text("Aufruf: ombrix [--dir DIR] [--lang de|en] [BEFEHL]\n",
                "usage: ombrix [--dir DIR] [--lang de|en] [COMMAND]\n");
    out << Text("Ohne Befehl startet das Desktop-Programm.\n",
                "Without a command the desktop program starts.\n");
    for (const CliCommand& command : cliCommands())
        out << "  " << command.usage << "\n      "
            << Text(command.summaryGerman, command.summaryEnglish) << '\n';
    out << "  --dir DIR\n      "
        << Text("Verzeichnis der Dateien obx.dat, obx.msf und obx.rd",
                "directory of the files obx.dat, obx.msf and obx.rd")
        << "\n  --lang de|en\n      " << Text("Sprache der Texte", "language of the texts") << '\n';
    return 0;
}

} // namespace ombrix
