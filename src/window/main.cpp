#include <cstdio>
#include <cstring>

#include "common/Proceso.h"
#include "window/Programa.h"

namespace {

constexpr const char* kAyuda =
    "Usage: velqor [LAUNCH.ZEVcos [LAUNCH.ZEVcos ...]]\n"
    "\n"
    "Runs one maintenance pass over one Microsoft SQL Server database: rebuilds or defragments\n"
    "every fragmented index, updates the statistics, shrinks and backs up the log and backs up\n"
    "the database.\n"
    "\n"
    "Without an argument it opens the window. With the path of a launch configuration (written\n"
    "by the window's \"Save configuration for automatic launch\" or by velqor-config\n"
    "write-launch) it runs the pass unattended: it asks nothing, writes the report beside the\n"
    "program, writes errors to a log file there, and ends. Started from a terminal, it shows its\n"
    "progress on one line of standard error; under a scheduler it prints nothing when it "
    "succeeds.\n"
    "\n"
    "With several launch configurations (velqor A.ZEVcos B.ZEVcos ...) it runs one pass for each\n"
    "in turn, each with its own report, history and log entries, and goes on after one fails.\n"
    "They are taken as several only when every argument on its own names a different launch\n"
    "configuration; otherwise the arguments are joined with blanks into one path, so that a path\n"
    "with blanks that arrives in pieces still works.\n"
    "\n"
    "Exit status of an unattended run (of several: the worst of theirs): 0 the pass succeeded\n"
    "and nothing had to be logged;\n"
    "1 the pass failed, was refused or cancelled, or a step failed (the log says why);\n"
    "2 the configuration could not be used.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help\n"
    "  --version      show the version\n";

}  // namespace

int main(int argc, char** argv) {
    // Asked of the program itself (and by help2man); no window toolkit is loaded for it.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kAyuda, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("velqor %d.%d.%d\n", velqor::VersionPrograma::kMayor,
                    velqor::VersionPrograma::kMenor, velqor::VersionPrograma::kRevision);
        return 0;
    }
    return velqor::ventana::EjecutaPrograma(argc, argv, VELQOR_MODULO_VENTANA);
}
