// The text form shared by the picture and sound recipe files.
//
// A recipe file is a list of blocks. A block starts with a header line
// ("picture NAME ...", "sound NAME ...", "midi NAME ...") and ends with a
// line "end"; the lines between are its commands. "#" starts a comment
// (outside a label's text, where "#" begins a colour only when it is a whole
// word), blank lines are ignored.
//
// Variants: a header may hold groups "{a,b,c}" or ranges "{01..15}" (the
// width of the first bound pads the numbers). The block is then repeated
// once per alternative; in every line of the block each group "{x,y,...}"
// of the same count is replaced by its alternative for that repetition, and
// "{=}" by the header's first group's value. Other braces ("{f}", "{n}")
// are left for the recipe to use.
#pragma once

#include <string>
#include <vector>

namespace kobre::mkgame {

struct RecipeLine {
  int number = 0;  // 1-based line number in the file
  std::string text;
  std::vector<std::string> words;  // text split at spaces and tabs
};

struct RecipeBlock {
  std::string file;
  RecipeLine header;
  std::vector<RecipeLine> body;
};

// Splits a file into blocks with the variants expanded. False with a message
// ("file:line: ...") on a malformed file.
bool parseRecipeFile(const std::string& fileName, const std::string& text,
                     std::vector<RecipeBlock>& blocks, std::string& error);

std::vector<std::string> splitWords(const std::string& text);
// The text after the first n words of a line (for labels with spaces).
std::string restAfterWords(const std::string& text, size_t n);

}  // namespace kobre::mkgame
