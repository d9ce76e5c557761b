// tessel-cli: works on a Tessel data directory without the editor. See `tessel-cli --help`.
#include "cli/cli.h"

int main(int argc, char** argv)
{
    return tarn::cli::Run(argc, argv);
}
