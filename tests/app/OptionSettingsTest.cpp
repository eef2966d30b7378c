// The options dialog's engine side without widgets: limits, what each bar
// touches, and putting the shown values back.
#include "app/frame/OptionSettings.h"

#include <gtest/gtest.h>

#include "tests/app/DialogFixture.h"

namespace kobre::frame {
namespace {

using testing::DialogFixture;
using OptionSettingsTest = DialogFixture;

TEST_F(OptionSettingsTest, ValuesAreLimitedToTheirBars) {
  struct Case {
    LiveTrack bar;
    int in, out;
  };
  const Case cases[] = {
      {LiveTrack::Red, 300, 255}, {LiveTrack::Alpha, -5, 0}, {LiveTrack::Bgm, 150, 100},
      {LiveTrack::Voice, -1, 0},  {LiveTrack::Se, 42, 42},   {LiveTrack::Blue, 16, 16},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(options.applyTrackValue(c.bar, c.in), c.out);
    EXPECT_EQ(options.trackValue(c.bar), c.out);
  }
}

TEST_F(OptionSettingsTest, ReadedOnlyRepaintsAndOkStoresIt) {
  const int before = repaints;
  options.applyTrackValue(LiveTrack::Readed, 10);
  EXPECT_EQ(runtime.settings.messageReadedLumi, Settings{}.messageReadedLumi);
  EXPECT_EQ(repaints, before + 1);
  DeferredValues d = options.deferredValues();
  d.messageReadedLumi = 10;
  d.messageSpeed = 9;  // beyond the bar: its last stop
  options.commit(d);
  EXPECT_EQ(runtime.settings.messageReadedLumi, 10);
  EXPECT_EQ(runtime.settings.messageSpeed, 3);
}

TEST_F(OptionSettingsTest, VolumesReachOnlyTheirChannel) {
  playMusic();
  options.applyTrackValue(LiveTrack::Se, 20);  // nothing loaded there: the setting only
  EXPECT_EQ(runtime.settings.volumeSe, 20);
  EXPECT_FALSE(se().isLoaded());
  EXPECT_EQ(bgm().volume(), 100);
  options.applyTrackValue(LiveTrack::Bgm, 60);
  EXPECT_EQ(bgm().volume(), 60);
}

TEST_F(OptionSettingsTest, RestorePutsBackEveryShownValue) {
  playMusic();
  showBoxes();
  const ShownValues shown = options.shownValues();
  for (LiveTrack bar : {LiveTrack::Red, LiveTrack::Green, LiveTrack::Blue, LiveTrack::Alpha,
                        LiveTrack::Bgm, LiveTrack::Se, LiveTrack::Voice})
    options.applyTrackValue(bar, 7);
  EXPECT_EQ(slot(5).opacity(), 7);
  options.restore(shown);
  const Settings& s = runtime.settings;
  const Settings d;
  EXPECT_EQ(s.windowRed, d.windowRed);
  EXPECT_EQ(s.windowGreen, d.windowGreen);
  EXPECT_EQ(s.windowBlue, d.windowBlue);
  EXPECT_EQ(s.windowAlpha, d.windowAlpha);
  EXPECT_EQ(s.volumeBgm, d.volumeBgm);
  EXPECT_EQ(s.volumeSe, d.volumeSe);
  EXPECT_EQ(s.volumeVoice, d.volumeVoice);
  EXPECT_EQ(bgm().volume(), d.volumeBgm);
  EXPECT_EQ(slot(5).opacity(), d.windowAlpha);
}

TEST(OptionSettingsNoEngine, WorksBeforeTheSpritesAndChannelsExist) {
  Runtime runtime;
  OptionSettings options(runtime);
  EXPECT_EQ(options.applyTrackValue(LiveTrack::Green, 90), 90);
  EXPECT_EQ(options.applyTrackValue(LiveTrack::Voice, 30), 30);
  EXPECT_EQ(runtime.settings.windowGreen, 90);
  EXPECT_EQ(runtime.settings.volumeVoice, 30);
  options.setHeroName("\x82\xA0\x82\xA2\x82\xA4\x82\xA6");  // four characters: three kept
  EXPECT_EQ(options.heroName(), "\x82\xA0\x82\xA2\x82\xA4");
}

}  // namespace
}  // namespace kobre::frame
