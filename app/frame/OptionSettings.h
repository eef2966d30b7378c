// The engine side of the options dialog: the live track bars (window colour
// and opacity, the three volumes) applied to the settings record, the
// message and backlog boxes and the sound channels at once, the values the
// dialog restores on Cancel, and the values it writes only on OK. Free of
// the engine's headers, so the Qt dialog can include it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kobre {
struct Runtime;
}

namespace kobre::frame {

// The track bars with a change event. Readed only shows its value.
enum class LiveTrack { Readed, Red, Green, Blue, Alpha, Bgm, Se, Voice };

// Window colour, opacity and volumes as they were when the dialog was shown.
struct ShownValues {
  int red = 0, green = 0, blue = 0, alpha = 0;
  int bgm = 0, se = 0, voice = 0;
};

// The settings the dialog writes back only on OK.
struct DeferredValues {
  int messageSpeed = 0;       // 0..3
  int skipWait = 0;           // 0..10 seconds
  int effectSpeed = 1;        // 1..128
  int messageReadedLumi = 0;  // 0..255
  bool messageReaded = false;
  bool skipVoice = false;
  bool skipEffect = false;
  bool skipCancel = false;
  bool skipUnread = false;
  bool saveOverWriteCheck = false;
  bool voiceNext = false;
};

// The range of a live track bar.
struct TrackRange {
  int min, max, page;
};
TrackRange trackRange(LiveTrack bar);

class OptionSettings {
 public:
  explicit OptionSettings(Runtime& runtime) : runtime_(runtime) {}

  // Composes the sprites and repaints the main window; unset does nothing.
  std::function<void()> repaint;

  // Applies a live bar's value (limited to its range) and returns what it
  // applied: colour and opacity go into the settings and rebuild the boxes
  // in slots 5, 20 and 21; volumes go into the settings and become the
  // remembered volume of the music, effect or voice channel. Readed changes
  // nothing. Repaints after each.
  int applyTrackValue(LiveTrack bar, int value);
  // The setting a live bar shows (Readed: Message/ReadedLumi).
  int trackValue(LiveTrack bar) const;

  ShownValues shownValues() const;
  // Cancel: every live value back, in the showing's order.
  void restore(const ShownValues& shown);

  DeferredValues deferredValues() const;
  // OK: writes the deferred values (limited to their controls' ranges).
  void commit(const DeferredValues& values);

  // The hero name in CP932, and setting it (cut to whole characters).
  std::string heroName() const;
  void setHeroName(std::string_view cp932);

  Runtime& runtime() { return runtime_; }

 private:
  void rebuildBoxes();
  Runtime& runtime_;
};

}  // namespace kobre::frame
