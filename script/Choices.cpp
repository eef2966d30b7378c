// Choices: the choice window definition, registering labels and `select`.
#include <cstring>

#include "script/Lexer.h"

namespace kobre {

bool Lexer::WindowSel(const WindowSelArgs& a) {
  if (a.no != 1) ReportScriptError("現在サポートされていないウィンドウＮｏ．", a.noWord);
  if (state == nullptr) return true;
  state->selectX = a.x;
  state->selectY = a.y;
  state->selectWidth = a.width;
  state->selectHeight = a.height;
  state->selectTextX = a.textX;
  state->selectTextY = a.textY;
  state->selectColumns = a.columns;
  state->selectRows = a.rows;
  state->selectStepX = a.stepX;
  state->selectStepY = a.stepY;
  const size_t n = strnlen(a.picture, kNameSize - 1);
  std::memcpy(state->selectPicture, a.picture, n);
  state->selectPicture[n] = 0;
  state->selectPictureX = a.pictureX;
  state->selectPictureY = a.pictureY;
  return true;
}

bool Lexer::DefSel(const char* label) {
  if (choiceCount >= kMaxChoices) {
    ReportScriptError("選択肢はこれ以上登録できない", label);
    return true;
  }
  auto& entry = choiceTexts[static_cast<size_t>(choiceCount)];
  entry.reset();
  // "NULL" registers an empty entry: not shown, but it keeps its number.
  if (std::strcmp(label, "NULL") != 0) entry.emplace(label);
  ++choiceCount;
  return true;
}

bool Lexer::Select(int32_t /*no*/, const char* /*noWord*/) {
  return true;
}

}  // namespace kobre
