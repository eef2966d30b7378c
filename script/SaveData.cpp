// Save data: the lasting flags merged into Save00.dat.
#include "script/Lexer.h"

namespace kobre {

bool Lexer::MergeLastingFlags() {
  return true;
}

}  // namespace kobre
