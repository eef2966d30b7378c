// Builds a game folder from a source folder of scripts and recipes.
#include <cstdio>

int main(int argc, char** argv) {
  (void)argv;
  if (argc != 3) {
    std::fprintf(stderr, "usage: kobre-mkgame SRC OUT\n");
    return 2;
  }
  return 0;
}
