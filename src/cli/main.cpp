#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) { return seasky::RunCli(argc, argv, std::cout, std::cerr); }
