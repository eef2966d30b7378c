// Movies and MIDI music, handed to the command-string service: `movie` plays
// a loose ".mpg" file over the window and waits for its end or the player,
// `midi` starts a loose ".mid" file and goes on at once.
#include <string>

#include "common/Buttons.h"
#include "script/Lexer.h"

namespace kobre {

namespace {

// Internal codes shown in place of the line number of the error box.
constexpr int kCodeMovieOpen = 4074;
constexpr int kCodeMovieWindow = 4084;
constexpr int kCodeMoviePlay = 4095;
constexpr int kCodeMoviePut = 4105;
constexpr int kCodeMovieClose = 4127;
constexpr int kCodeMidiOpen = 4159;
constexpr int kCodeMidiPlay = 4167;

constexpr uint32_t kMovieWaitMs = 16;
constexpr size_t kReturnBufferSize = 1024;

std::string nameOf(const char* word) {
  std::string s;
  for (const char* p = word; p != nullptr && *p != 0; ++p) s += *p;
  return s;
}

}  // namespace

bool Lexer::PlayMovie(const char* name) {
  Runtime* rt = runtime_;
  platform::Host* host = rt->platform.host;
  if (host != nullptr) {
    // The frame loop enables them again after the step.
    host->setMenuEnabled("MnDispCopy", false);
    host->setMenuEnabled("MnDispSave", false);
  }
  const std::string file = nameOf(name) + ".mpg";
  if (!FileExists(file, false)) return true;
  platform::MciService* mci = rt->mci;
  if (mci == nullptr) {
    rt->stub("movie without a command-string service");
    return true;
  }
  auto failed = [&](uint32_t error, int code) {
    ReportError("ＭＣＩエラー", "", "Script", code, mci->errorText(error));
    return true;  // the script goes on
  };
  const int64_t handle = host != nullptr ? host->windowHandle() : 0;
  if (uint32_t e = mci->sendString("open " + file + " type MPEGVideo", nullptr, false))
    return failed(e, kCodeMovieOpen);
  if (uint32_t e =
          mci->sendString("window " + file + " handle " + std::to_string(handle), nullptr, false))
    return failed(e, kCodeMovieWindow);
  rt->mciNotified = false;
  if (uint32_t e = mci->sendString("play " + file + " notify", nullptr, true))
    return failed(e, kCodeMoviePlay);
  if (uint32_t e =
          mci->sendString("put " + file + " destination at 0 0 " + std::to_string(kScreenWidth) +
                              " " + std::to_string(kScreenHeight),
                          nullptr, false))
    return failed(e, kCodeMoviePut);
  {
    // While set, the window does not paint the back buffer over the movie.
    FlagScope playing(rt->moviePlaying);
    for (;;) {
      if (!PollInput()) break;
      mci->update();  // shows due frames; the end sets mciNotified
      if (rt->platform.clock != nullptr) rt->platform.clock->sleep(kMovieWaitMs);
      if ((rt->pressedButtons & (kButtonOk | kButtonCancel)) != 0) break;
      if (rt->mciNotified) break;
    }
  }
  if (uint32_t e = mci->sendString("close " + file, nullptr, false))
    return failed(e, kCodeMovieClose);
  return true;
}

bool Lexer::PlayMidi(const char* name) {
  Runtime* rt = runtime_;
  const std::string file = nameOf(name) + ".mid";
  if (!FileExists(file, false)) return true;
  platform::MciService* mci = rt->mci;
  if (mci == nullptr) {
    rt->stub("MIDI without a command-string service");
    return true;
  }
  // The box shows the command's reply; a reply left empty by the failure
  // gives the service's text for the code instead of an empty box.
  auto failed = [&](uint32_t error, int code, std::string reply) {
    if (reply.size() >= kReturnBufferSize) reply.resize(kReturnBufferSize - 1);
    if (reply.empty()) reply = mci->errorText(error);
    ReportError("ＭＣＩエラー", "", "Script", code, reply);
    return false;  // the script stops
  };
  std::string reply;
  if (uint32_t e = mci->sendString("open " + file, &reply, false))
    return failed(e, kCodeMidiOpen, reply);
  if (uint32_t e = mci->sendString("play " + file, &reply, false))
    return failed(e, kCodeMidiPlay, reply);
  // The device stays open: the music plays on by itself until the program ends.
  return true;
}

}  // namespace kobre
