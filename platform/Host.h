#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kobre::platform {

// Windows virtual-key codes, kept because the engine's key table is written in
// them; each platform maps its own key codes onto these.
enum VirtualKey : int {
  kVkLButton = 0x01,
  kVkRButton = 0x02,
  kVkMButton = 0x04,
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkReturn = 0x0D,
  kVkShift = 0x10,
  kVkControl = 0x11,
  kVkMenu = 0x12,  // Alt
  kVkEscape = 0x1B,
  kVkSpace = 0x20,
  kVkPrior = 0x21,  // Page Up
  kVkNext = 0x22,   // Page Down
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVkNumpad0 = 0x60,
  kVkF1 = 0x70,
  kVkKeyCount = 256,
};

// What the window knows about the user's input at one poll.
struct InputState {
  bool keys[kVkKeyCount] = {};  // down at this moment, by virtual key
  bool mouseLeft = false;
  bool mouseRight = false;
  bool mouseMiddle = false;
  int cursorX = 0;  // client coordinates of the last mouse move
  int cursorY = 0;
  // Wheel turned since the last poll while the cursor was in the client area
  // (positive: away from the user), in notches of 120 as Windows reports it.
  int wheelDelta = 0;
  // Logical buttons held that no key stands for (headless scripted input).
  uint32_t extraButtons = 0;
};

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { None, Error, Question, Warning, Information };
enum class BoxResult { Ok, Yes, No };

// One modal message box. Texts are UTF-8: the core converts engine bytes
// through TextCodec before it asks.
struct MessageBoxSpec {
  std::string caption;
  std::string text;
  BoxButtons buttons = BoxButtons::Ok;
  BoxIcon icon = BoxIcon::None;
  BoxResult defaultButton = BoxResult::Ok;
  bool ownerless = false;  // no owner window (system error boxes)
};

// A rectangle of the 800 x 600 picture, right and bottom edges excluded.
struct FrameArea {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// The main window as the core sees it: event pump, activity, input, present,
// message boxes and the menu items the engine switches.
class Host {
 public:
  virtual ~Host() = default;

  // Runs every pending window message (menu commands and dialogs run nested).
  virtual void pumpEvents() = 0;
  // Sleeps until at least one window message arrives, then runs what is
  // pending: the frame loop's pass while the window is inactive, which
  // would otherwise spin. A host with nothing to wait on just pumps.
  virtual void waitEvents() { pumpEvents(); }
  virtual bool isActive() = 0;
  // Reads the input for one poll and clears the accumulated wheel delta.
  virtual void readInput(InputState& state) = 0;

  // Shows an 800 x 600 XRGB picture (stride in pixels) displaced vertically by
  // shakeOffset rows, the uncovered rows black; it is on screen by the
  // display's next refresh.
  virtual void present(const uint32_t* pixels, int stride, int shakeOffset) = 0;
  // The same, telling which part changed: the pixels outside `changed` are
  // those of the last present of the same pixels, stride and shake offset
  // (an empty area: none changed). A host may then look at that part only.
  // The default presents them like any other.
  virtual void presentChanged(const uint32_t* pixels, int stride, int shakeOffset,
                              const FrameArea& changed) {
    (void)changed;
    present(pixels, stride, shakeOffset);
  }

  virtual BoxResult messageBox(const MessageBoxSpec& spec) = 0;

  // Menu items by component name ("MnSkip"); captions are UTF-8.
  virtual void setMenuEnabled(std::string_view item, bool enabled) = 0;
  virtual void setMenuVisible(std::string_view item, bool visible) = 0;
  virtual void setMenuChecked(std::string_view item, bool checked) = 0;
  virtual bool isMenuChecked(std::string_view item) = 0;
  virtual void setMenuCaption(std::string_view item, std::string_view caption) = 0;

  // Screen size and colour depth of the desktop the window is on.
  virtual int screenWidth() = 0;
  virtual int screenHeight() = 0;
  virtual int screenBitsPerPixel() = 0;

  // The main window's handle as the command strings name it ("window NAME
  // handle N"). Movies are shown through present, so the number only tells
  // the command-string service which window asks.
  virtual int64_t windowHandle() { return 1; }

  // Asks the window to close (the close request runs its question).
  virtual void requestClose() = 0;
};

}  // namespace kobre::platform
