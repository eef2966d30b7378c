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
// for every combination of the header's groups (the first group changing
// slowest). In the block's lines a group "{x,y,...}" takes its alternative by
// the repetition number (it needs one alternative per repetition), a group
// "{N:x,y}" follows header group N (also in the header itself), and "{=}" / "{=N}" stand for the
// value of header group 1 / N. Other braces ("{f}", "{n}") are left for the recipe.
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
