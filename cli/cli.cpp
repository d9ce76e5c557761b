#include "cli/cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace tarn
{
namespace cli
{
namespace
{

const char kMainHelp[] =
    "Usage: tessel-cli [-C DIR] COMMAND [OPTIONS] [ARGS]\n"
    "\n"
    "Works on a Tessel data directory (tableList.xml, the data files and their .meta\n"
    "files) without the editor. Every command loads the tables exactly as the editor does.\n"
    "\n"
    "Commands:\n"
    "  check     report problems: refused tables, lossy lines, broken links, duplicate ids\n"
    "  dump      print rows as JSON lines\n"
    "  resave    load and save every table as the editor's Save command does\n"
    "\n"
    "Options:\n"
    "  -C DIR    use DIR as the data directory (default: the current directory)\n"
    "  -h, --help  show this help; 'tessel-cli COMMAND --help' shows a command's help\n"
    "\n"
    "Exit status: 0 success, 1 problems found or a table not written, 2 usage error.\n";

const char kCheckHelp[] =
    "Usage: tessel-cli [-C DIR] check [--strict]\n"
    "\n"
    "Loads every table of tableList.xml as the editor does, then checks the links between tables:\n"
    "every LinkTableName must name a listed table, and every non-zero value of a link column\n"
    "(INT, UINT, INT64, UINT64, or each element of a STRING_INT or STRING_FLOAT list) must be the\n"
    "id of a row of that table. Also reports ids used twice within a table.\n"
    "\n"
    "Prints one line per finding, FILE:LINE: error: MESSAGE or FILE:LINE: warning: MESSAGE (LINE is\n"
    "the 1-based line in FILE, 0 when none applies; warnings say what the next save would change),\n"
    "then the summary N tables, N rows, N errors, N warnings.\n"
    "\n"
    "Options:\n"
    "  --strict  warnings fail the check too\n"
    "\n"
    "Exit status: 0 when there is no error and no failed internal check was reported (with --strict,\n"
    "also no warning), 1 otherwise, 2 on a usage error.\n";

const char kDumpHelp[] =
    "Usage: tessel-cli [-C DIR] dump [FILENAME...]\n"
    "\n"
    "Prints every row of the named tables (FILENAME as tableList.xml gives it; all tables in list\n"
    "order when none is named) as one JSON object per line, in UTF-8:\n"
    "  {\"table\":\"items.txt\",\"id\":1,\"name\":\"...\",\"cells\":[\"...\",...]}\n"
    "where cells holds each value in field order, in the text form the data file holds.\n"
    "\n"
    "Problems found while loading go to standard error. Standard output carries only the JSON lines,\n"
    "unless loading itself prints: the report of a failed internal check (which valid data never\n"
    "triggers) and the \"name = ..., type = ...\" lines of a metadata file generated for a table\n"
    "that had none.\n"
    "\n"
    "Exit status: 0 when every named table was dumped and every entry of tableList.xml loaded,\n"
    "1 otherwise, 2 on a usage error.\n";

const char kResaveHelp[] =
    "Usage: tessel-cli [-C DIR] resave\n"
    "\n"
    "Loads every table and saves it back exactly as the editor's Save command does (each file is\n"
    "replaced only once its new content is completely written). Prints the findings of loading\n"
    "(as check does) and one line per table that could not be saved.\n"
    "\n"
    "Exit status: 0 when every table of tableList.xml was loaded and written, 1 otherwise, 2 on a\n"
    "usage error.\n";

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "tessel-cli: %s\nTry 'tessel-cli --help'.\n", message.c_str());
    return kExitUsage;
}

bool IsHelp(const std::string& arg)
{
    return arg == "-h" || arg == "--help";
}

} // namespace

int Run(int argc, char** argv)
{
    std::string directory;
    std::string command;
    std::vector<std::string> arguments;
    bool help = false;
    bool strict = false;
    bool endOfOptions = false;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (!endOfOptions && arg == "--")
        {
            endOfOptions = true;
            continue;
        }
        if (!endOfOptions && arg.size() > 1 && arg[0] == '-')
        {
            if (arg == "-C")
            {
                if (i + 1 >= argc)
                    return UsageError("option -C needs a directory");
                directory = argv[++i];
            }
            else if (arg.compare(0, 2, "-C") == 0)
                directory = arg.substr(2);
            else if (IsHelp(arg))
                help = true;
            else if (arg == "--strict" && command == "check")
                strict = true;
            else
                return UsageError("unknown option '" + arg + "'" +
                                  (command.empty() ? std::string() : " for " + command));
            continue;
        }
        if (command.empty())
        {
            command = arg;
            if (command != "check" && command != "dump" && command != "resave")
                return UsageError("unknown command '" + command + "'");
        }
        else
            arguments.push_back(arg);
    }

    if (help)
    {
        std::fputs(command == "check"    ? kCheckHelp
                   : command == "dump"   ? kDumpHelp
                   : command == "resave" ? kResaveHelp
                                         : kMainHelp,
                   stdout);
        return kExitOk;
    }
    if (command.empty())
        return UsageError("no command given");
    if (command != "dump" && !arguments.empty())
        return UsageError("unexpected argument '" + arguments.front() + "' for " + command);

    if (!directory.empty() && ::chdir(directory.c_str()) != 0)
    {
        std::fprintf(stderr, "tessel-cli: cannot change to the directory '%s': %s\n", directory.c_str(),
                     std::strerror(errno));
        return kExitUsage;
    }

    if (command == "check")
    {
        CheckOptions options;
        options.strict = strict;
        return Check(options);
    }
    if (command == "dump")
        return Dump(arguments);
    return Resave();
}

} // namespace cli
} // namespace tarn
