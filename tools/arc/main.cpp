// Archive tool for game makers: list, extract and pack game archives.
#include <cstdio>

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    std::fprintf(stderr, "usage: kobre-arc list|extract|pack ...\n");
    return 2;
  }
  return 2;
}
