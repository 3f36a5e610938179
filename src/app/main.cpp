// The kavrel executable: the host window, or a headless subcommand.
#include "kavCommands.h"

#include <report/kavClass.h>
#include <rtl/kavRTTI.h>

#include <QApplication>
#include <QGuiApplication>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char usageText[]
    = "Usage: kavrel [COMMAND] [ARGS]\n"
      "\n"
      "Without a command, opens the host window.\n"
      "\n"
      "Commands:\n"
      "  design [FILE.kv3] [--size WxH] [--grab OUT.png] [--tab designer|preview] [--page N]\n"
      "                                         open the designer on a report (--grab: write\n"
      "                                         a picture of the window and exit;\n"
      "                                         --standalone: keep named connections)\n"
      "  script FILE [--language NAME] [--il] [--include DIR] [--limit N] [--report KV3]\n"
      "                                         compile and run a script\n"
      "  resave IN.kv3 OUT.kv3 [--password TEXT]\n"
      "                                         load a template and save it again\n"
      "  prepare IN.kv3 -o OUT.kw3 [--dump]     run a report\n"
      "  export IN.(kv3|kw3) -o OUT.(pdf|png|jpg|svg|txt|csv|html) [--pages RANGE] [--dpi N]\n"
      "                                         export the pages as files\n"
      "  print IN.(kv3|kw3) [--printer NAME] [--pages RANGE] [--copies N] [--collate] [--reverse]\n"
      "        [--mode default|split|join|scale] [--sheet PAPERNUMBER] [-o FILE.pdf]\n"
      "                                         print a report, or print it into a PDF file\n"
      "  preview IN.(kv3|kw3) [--page N] [--zoom PCT|width|page] [--find TEXT]\n"
      "        [--outline|--thumbnails] [--size WxH] [--grab OUT.png]\n"
      "                                         show a report in the preview window\n"
      "  prepare, export, print and preview also take --data ALIAS=FILE (a .db/.sqlite, .csv\n"
      "  or .json file for a data set or database; the extension picks the reader),\n"
      "  --set NAME=VALUE (a dialog control or a report variable), --no-dialogs (run without\n"
      "  the report's dialog pages) and --password TEXT (for a protected report)\n"
      "  --help                                 print this text\n"
      "  --version                              print the version\n";

// Without a session (a build machine, ssh) the platform wants a private runtime folder;
// make the one it would fall back to, quietly, instead of warning on every run.
void useRuntimeFolder()
{
    const QByteArray folder = "/tmp/runtime-" + QByteArray::number(getuid());
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return;
    // Only a private folder of our own: another user's one is left to the platform's warning.
    struct stat info
    {};
    if (::lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid()
        && (info.st_mode & 0777) == 0700)
        qputenv("XDG_RUNTIME_DIR", folder);
}

} // namespace

int main(int argc, char **argv)
{
    // A file-size limit (a disk quota, ulimit -f) makes a write fail with its own error,
    // naming the file, instead of ending the program half way.
    std::signal(SIGXFSZ, SIG_IGN);
    const bool preview = argc > 1 && std::strcmp(argv[1], "preview") == 0;
    const bool window = argc == 1 || preview || std::strcmp(argv[1], "design") == 0;
    const bool headless = !window || kavNoDisplay();
    // Headless commands measure text and decode pictures without a display.
    if (headless && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (headless && !qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        useRuntimeFolder();
    // Our options are read before the application sees them: it would take some of them
    // (-reverse, -platform, -style ...) for itself. Headless commands and the preview give
    // it none.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    int appArgc = headless || preview ? 1 : argc;
    // The preview and the designer are made of widgets; the headless commands need no more
    // than a GUI application.
    const bool widgets = window;
    const std::unique_ptr<QGuiApplication> app = widgets
                                                     ? std::make_unique<QApplication>(appArgc, argv)
                                                     : std::make_unique<QGuiApplication>(appArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KAVREL_VERSION));
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    const QString command = args.value(0);
    if (command == QLatin1String("--version")) {
        std::printf("kavrel %s\n", KAVREL_VERSION);
        return 0;
    }
    if (command == QLatin1String("resave"))
        return kavCmdResave(args.mid(1));
    if (command == QLatin1String("script"))
        return kavCmdScript(args.mid(1));
    if (command == QLatin1String("prepare"))
        return kavCmdPrepare(args.mid(1));
    if (command == QLatin1String("export"))
        return kavCmdExport(args.mid(1));
    if (command == QLatin1String("print"))
        return kavCmdPrint(args.mid(1));
    if (preview)
        return kavCmdPreview(args.mid(1));
    // Without a command the program is the host window on a new report.
    if (command == QLatin1String("design") || args.isEmpty())
        return kavCmdDesign(args.mid(1));
    if (command == QLatin1String("--help") || command == QLatin1String("help")) {
        std::fputs(usageText, stdout);
        return 0;
    }
    std::fputs(usageText, stderr);
    std::fprintf(stderr, "kavrel: unknown command '%s'\n", qPrintable(command));
    return 2;
}
