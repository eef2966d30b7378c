// Archive tool for game makers: list, extract and pack game archives.
#include <iostream>
#include <string>
#include <vector>

#include "tools/arc/ArcTool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kobre::arc::run(args, std::cout, std::cerr);
}
