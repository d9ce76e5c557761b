// The command-line tool: option parsing, the subcommands and their exit codes.
//
// Every subcommand loads the data directory exactly as the editor does (TableList), so what it
// reports is what the editor would meet. Exit codes: 0 success, 1 findings or failures, 2 usage.
#ifndef TESSEL_CLI_CLI_H
#define TESSEL_CLI_CLI_H

#include <string>
#include <vector>

namespace tarn
{
namespace cli
{

enum ExitCode
{
    kExitOk = 0,
    kExitFindings = 1,
    kExitUsage = 2,
};

struct CheckOptions
{
    bool strict = false; // warnings count as failures too
};

// Options of textconv, diff, export and import.
struct ExchangeOptions
{
    bool json = false;          // diff: one JSON object
    std::string format = "csv"; // export: csv, tsv or json
    std::string output;         // export: the file to write; standard output when empty
    bool merge = false;         // import: merge by id instead of replacing the rows
    bool dryRun = false;        // import: report what would change, write nothing
};

// Parses the command line, changes into the data directory and runs the subcommand.
int Run(int argc, char** argv);

// The subcommands, run in the data directory (the current directory). Output goes to standard
// output (findings, JSON) and standard error (problems of dump).
int Check(const CheckOptions& options);
int Dump(const std::vector<std::string>& fileNames);
int Resave();
// Prints a data file (a path, not resolved against the data directory) as text for git.
int TextConvFile(const std::string& path);
// Compares two data directories. Paths (here and for textconv, import FILE and export -o) are
// made absolute against the directory tessel-cli was started in, before -C applies.
int DiffDirectories(const std::string& dirA, const std::string& dirB, const ExchangeOptions& options);
int Export(const std::string& table, const ExchangeOptions& options);
int Import(const std::string& table, const std::string& file, const ExchangeOptions& options);

} // namespace cli
} // namespace tarn

#endif // TESSEL_CLI_CLI_H
