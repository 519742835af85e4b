// quillet-modify: the package modification from the command line.
#include "cli/console.h"
#include "cli/quillet_modify.h"

int main(int argc, char** argv) {
  quillet::cli::ProcessConsole console;
  return quillet::cli::RunQuilletModify(quillet::cli::CommandLineArguments(argc, argv),
                                        console.Get());
}
