// The program's window on a real X server (Xvfb) with a window manager
// (openbox): full screen is the manager's own, and back in a window the
// client area is exactly where it was. Skipped where the tools are missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kobre::app {
namespace {

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[512];
  while (fgets(buf, sizeof buf, pipe)) out += buf;
  pclose(pipe);
  return out;
}

bool haveTools() {
  return run("for t in Xvfb openbox xprop xwininfo xdotool; do command -v $t >/dev/null || echo "
             "missing; done")
      .empty();
}

// The value after "key:" on the line that holds it in xwininfo's report.
int field(const std::string& text, const std::string& key) {
  size_t at = text.find(key);
  if (at == std::string::npos) return -1;
  return std::atoi(text.c_str() + at + key.size());
}

TEST(DesktopWindowTest, FullScreenIsTheWindowManagersAndTheWindowComesBack) {
  if (!haveTools()) GTEST_SKIP() << "needs Xvfb, openbox, xprop, xwininfo and xdotool";
  if (!std::filesystem::exists(KOBRE_DEMO_DIR)) GTEST_SKIP() << "the demo game is not built";
  std::string dir = testing::TempDir() + "kobre_window_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir + "/run");
  std::filesystem::copy(KOBRE_DEMO_DIR, dir + "/game", std::filesystem::copy_options::recursive);
  // One shell session: the X server, the manager, the program, then the
  // window's state in a window, in full screen and back.
  std::string script = R"(
set -u
d=")" + dir + R"("
mkfifo "$d/fd"
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$d/fd" >/dev/null 2>&1 &
xp=$!
read -r n <"$d/fd"
export DISPLAY=:$n
openbox >/dev/null 2>&1 &
op=$!
sleep 1
XDG_RUNTIME_DIR="$d/run" XDG_STATE_HOME="$d/run" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy \
  ')" + std::string(KOBRE_PROGRAM) +
                       R"(' "$d/game" >/dev/null 2>&1 &
kp=$!
w=
for i in $(seq 1 100); do
  w=$(xdotool search --pid $kp --onlyvisible --name . 2>/dev/null | head -1)
  [ -n "$w" ] && break
  sleep 0.1
done
sleep 1
echo "WINDOW"; xwininfo -id $w
xdotool key --window $w alt+Return; sleep 1.5
echo "FULL"; xprop -id $w _NET_WM_STATE; xwininfo -id $w
xdotool key --window $w alt+Return; sleep 1.5
echo "BACK"; xprop -id $w _NET_WM_STATE; xwininfo -id $w
kill $kp; sleep 0.5; kill -9 $kp 2>/dev/null
kill $op $xp
wait 2>/dev/null
)";
  std::string out = run("bash -c '" + [&] {
    std::string quoted;
    for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted;
  }() + "'");
  size_t full = out.find("FULL"), back = out.find("BACK");
  ASSERT_NE(full, std::string::npos) << out;
  ASSERT_NE(back, std::string::npos) << out;
  std::string before = out.substr(0, full), inFull = out.substr(full, back - full),
              after = out.substr(back);
  EXPECT_NE(inFull.find("_NET_WM_STATE_FULLSCREEN"), std::string::npos) << inFull;
  EXPECT_EQ(field(inFull, "Absolute upper-left X:"), 0);
  EXPECT_EQ(field(inFull, "Absolute upper-left Y:"), 0);
  EXPECT_EQ(field(inFull, "Width:"), 1280);
  EXPECT_EQ(field(inFull, "Height:"), 1024);
  EXPECT_EQ(after.find("_NET_WM_STATE_FULLSCREEN"), std::string::npos) << after;
  for (const char* key :
       {"Absolute upper-left X:", "Absolute upper-left Y:", "Width:", "Height:"}) {
    EXPECT_GE(field(before, key), 0) << key << "\n" << before;
    EXPECT_EQ(field(after, key), field(before, key)) << key;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kobre::app
