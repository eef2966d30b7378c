// Save data. Merging the lasting flags into Save00.dat is not built yet: it
// says so once in the log and reports that nothing was merged.
#include "script/Lexer.h"

namespace kobre {

bool Lexer::MergeLastingFlags() {
  runtime_->stub("Save00.dat merge of the lasting flags");
  return false;
}

}  // namespace kobre
