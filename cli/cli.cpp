#include "cli/cli.h"

#include <cerrno>
#include <climits>
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

const char kTextConvHelp[] =
    "Usage: tessel-cli textconv FILE\n"
    "\n"
    "Prints the data file FILE as UTF-8 text with LF line ends: the two header lines, then one line\n"
    "per row with the values separated by tabs. A file that would not load is printed as raw text\n"
    "after a note line saying why. Needs no metadata, so git can use it on any version of a file:\n"
    "  .gitattributes:  *.txt diff=tessel\n"
    "  git config diff.tessel.textconv \"tessel-cli textconv\"\n"
    "\n"
    "Exit status: 0 when FILE was printed, 1 when it cannot be read, 2 on a usage error.\n";

const char kDiffHelp[] =
    "Usage: tessel-cli diff [--json] DIR_A DIR_B\n"
    "\n"
    "Loads both data directories and compares them table by table (by file name) and row by row\n"
    "(by id): tables and fields added or removed, rows added or removed, and for each changed row\n"
    "every field whose value differs, with the old and the new value. The order of rows is not\n"
    "compared. Problems found while loading go to standard error.\n"
    "\n"
    "Options:\n"
    "  --json    print one JSON object instead of one line per difference\n"
    "\n"
    "Exit status: 0 when equal, 1 when different, 2 when a directory or a table of it could not be\n"
    "loaded, or on a usage error.\n";

const char kExportHelp[] =
    "Usage: tessel-cli [-C DIR] export TABLE [--format csv|tsv|json] [-o FILE]\n"
    "\n"
    "Writes the table TABLE (its FileName in tableList.xml) in UTF-8 to FILE, or to standard output.\n"
    "csv (the default): RFC 4180, CR LF line ends, a UTF-8 byte-order mark (so that spreadsheets\n"
    "read it as UTF-8), a header row of the field names, then one record per row with every value\n"
    "in the data file's own text form (64-bit ids stay exact). tsv: the same with tabs. json: an\n"
    "array of objects keyed by field name with typed values (numbers, strings, arrays for lists).\n"
    "\n"
    "Exit status: 0 when written, 1 when the table could not be loaded or FILE not written, 2 on a\n"
    "usage error.\n";

const char kImportHelp[] =
    "Usage: tessel-cli [-C DIR] import TABLE FILE [--mode replace|merge] [--dry-run]\n"
    "\n"
    "Reads FILE (UTF-8 CSV, or TSV when it ends in .tsv or its header line holds a tab; with a\n"
    "byte-order mark or without, CR LF or LF line ends, quoted fields) into the table TABLE. The\n"
    "header row names the fields (every field of the table may appear once; the id and the name\n"
    "field must), and every value is parsed with its field's rules, as the editor parses typed text.\n"
    "  --mode replace  (the default) the rows of FILE become the table's rows, in their order\n"
    "  --mode merge    a row whose id the table has updates that row (only the columns FILE has);\n"
    "                  other rows are appended\n"
    "  --dry-run       print what would change, write nothing\n"
    "Any problem (an unknown or repeated column, no id or name column, a value the field does not\n"
    "accept or over its limit, an id used twice, a record with too many or too few values, text\n"
    "that is not UTF-8) is printed as FILE:LINE:COLUMN: error: MESSAGE (COLUMN counts the fields of\n"
    "the record from 1) and nothing is written. Otherwise the table is saved as the editor saves it\n"
    "and a summary is printed (rows added, changed, unchanged and, when replacing, removed).\n"
    "\n"
    "This is also the way back for a table whose data file another tool saved as UTF-8 or with LF\n"
    "line ends (the editor and check refuse such a file): save it from the spreadsheet as CSV and\n"
    "import that with --mode replace. The data file is then written anew from the table's metadata,\n"
    "the file's own two header lines (when they can still be read) and the rows of the CSV.\n"
    "\n"
    "Exit status: 0 when imported (or, with --dry-run, importable), 1 on any problem, 2 on a usage\n"
    "error.\n";

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
    bool version = false;
    ExchangeOptions exchange;
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
            else if (arg == "--json" && command == "diff")
                exchange.json = true;
            else if (arg == "--dry-run" && command == "import")
                exchange.dryRun = true;
            else if (arg == "--version" && command.empty())
                version = true;
            else if ((arg == "--format" && command == "export") || (arg == "--mode" && command == "import") ||
                     (arg == "-o" && command == "export"))
            {
                if (i + 1 >= argc)
                    return UsageError("option " + arg + " needs a value");
                const std::string value = argv[++i];
                if (arg == "-o")
                    exchange.output = value;
                else if (arg == "--format")
                {
                    if (value != "csv" && value != "tsv" && value != "json")
                        return UsageError("unknown format '" + value + "' (csv, tsv or json)");
                    exchange.format = value;
                }
                else
                {
                    if (value != "replace" && value != "merge")
                        return UsageError("unknown mode '" + value + "' (replace or merge)");
                    exchange.merge = value == "merge";
                }
            }
            else
                return UsageError("unknown option '" + arg + "'" +
                                  (command.empty() ? std::string() : " for " + command));
            continue;
        }
        if (command.empty())
        {
            command = arg;
            if (command != "check" && command != "dump" && command != "resave" && command != "textconv" &&
                command != "diff" && command != "export" && command != "import")
                return UsageError("unknown command '" + command + "'");
        }
        else
            arguments.push_back(arg);
    }

    if (help)
    {
        std::fputs(command == "check"      ? kCheckHelp
                   : command == "dump"     ? kDumpHelp
                   : command == "resave"   ? kResaveHelp
                   : command == "textconv" ? kTextConvHelp
                   : command == "diff"     ? kDiffHelp
                   : command == "export"   ? kExportHelp
                   : command == "import"   ? kImportHelp
                                           : kMainHelp,
                   stdout);
        return kExitOk;
    }
    if (version)
    {
        std::printf("tessel-cli %s\n", TESSEL_VERSION);
        return kExitOk;
    }
    if (command.empty())
        return UsageError("no command given");
    const size_t wanted = command == "textconv" || command == "export" ? 1
                          : command == "diff" || command == "import"   ? 2
                                                                       : 0;
    if (command != "dump" && arguments.size() > wanted)
        return UsageError("unexpected argument '" + arguments[wanted] + "' for " + command);
    if (arguments.size() < wanted)
        return UsageError(command + " needs " + std::to_string(wanted) +
                          (wanted == 1 ? " argument" : " arguments"));

    // File and directory arguments name paths as given on the command line, not inside -C DIR.
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof(cwd)) != nullptr)
    {
        auto absolute = [&](std::string& path)
        {
            if (!path.empty() && path[0] != '/')
                path = std::string(cwd) + "/" + path;
        };
        if (command == "textconv" || command == "diff")
        {
            for (std::string& path : arguments)
                absolute(path);
        }
        if (command == "import")
            absolute(arguments[1]);
        absolute(exchange.output);
    }

    if (!directory.empty() && ::chdir(directory.c_str()) != 0)
    {
        std::fprintf(stderr, "tessel-cli: cannot change to the directory '%s': %s\n", directory.c_str(),
                     std::strerror(errno));
        return kExitUsage;
    }

    if (command == "textconv")
        return TextConvFile(arguments[0]);
    if (command == "diff")
        return DiffDirectories(arguments[0], arguments[1], exchange);
    if (command == "export")
        return Export(arguments[0], exchange);
    if (command == "import")
        return Import(arguments[0], arguments[1], exchange);
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
